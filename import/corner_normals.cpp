#include "import/corner_normals.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace mw {
namespace {

// Equal positions (+0 and -0 alike) share one key.
inline std::uint32_t keyBits(float f)
{
    if (f == 0.0f)
        return 0;
    if (f != f)
        return 0x7FC00000u;
    return std::bit_cast<std::uint32_t>(f);
}

inline std::uint64_t positionHash(const osg::Vec3& v)
{
    std::uint64_t h = 0;
    for (int c = 0; c < 3; ++c) {
        h = (h ^ keyBits(v[c])) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    return h;
}

inline bool samePosition(const osg::Vec3& a, const osg::Vec3& b)
{
    return keyBits(a[0]) == keyBits(b[0]) && keyBits(a[1]) == keyBits(b[1]) && keyBits(a[2]) == keyBits(b[2]);
}

// For each vertex, the number of its position among the distinct positions.
std::vector<std::uint32_t> positionGroups(const osg::Vec3Array& vertices, std::uint32_t& groups)
{
    const std::size_t n = vertices.size();
    std::size_t capacity = 16;
    while (capacity < 2 * n)
        capacity *= 2;
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> table(capacity, kEmpty);
    std::vector<std::uint32_t> group(n);
    groups = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t slot = positionHash(vertices[i]) & (capacity - 1);
        while (table[slot] != kEmpty && !samePosition(vertices[table[slot]], vertices[i]))
            slot = (slot + 1) & (capacity - 1);
        if (table[slot] == kEmpty) {
            table[slot] = static_cast<std::uint32_t>(i);
            group[i] = groups++;
        } else {
            group[i] = group[table[slot]];
        }
    }
    return group;
}

}  // namespace

// The rule of the scene-graph library's smoothing, without its ordered set of every corner:
// each triangle's unnormalised normal (v2 - v1) x (v3 - v1) is added, triangle by triangle,
// to every corner at the position of each of its three corners; the sums are normalised.
osg::ref_ptr<osg::Vec3Array> computeCornerNormals(const FaceGeom& geometry)
{
    const osg::Vec3Array& vertices = *geometry.vertices;
    const IndexList& corners = geometry.vertexIndices;
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array(corners.size());
    std::uint32_t groups = 0;
    const std::vector<std::uint32_t> group = positionGroups(vertices, groups);
    std::vector<osg::Vec3> sums(groups);
    for (std::size_t first = 0; first + 3 <= corners.size(); first += 3) {
        if (!triangleInRange(corners, first, vertices.size()))
            continue;
        const osg::Vec3& a = vertices[corners[first]];
        const osg::Vec3 normal = (vertices[corners[first + 1]] - a) ^ (vertices[corners[first + 2]] - a);
        for (std::size_t c = first; c < first + 3; ++c)
            sums[group[corners[c]]] += normal;
    }
    for (std::size_t first = 0; first + 3 <= corners.size(); first += 3) {
        if (!triangleInRange(corners, first, vertices.size()))
            continue;
        for (std::size_t c = first; c < first + 3; ++c) {
            osg::Vec3 normal = sums[group[corners[c]]];
            normal.normalize();
            (*normals)[c] = normal;
        }
    }
    return normals;
}

}  // namespace mw
