#include "render/surface_normals.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "render/corner_attributes.h"

namespace mw {
namespace {

// -0 and +0 are one position, as they compare equal.
float canonical(float f) { return f == 0.0f ? 0.0f : f; }

bool finite(const osg::Vec3& v) { return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()); }

// Per vertex, the number of the group of vertices at exactly its position. Vertices with a
// non-finite coordinate stay alone. Groups are numbered in the order of their first vertex,
// so that on a welded mesh group v is vertex v and the sums are visited in memory order.
std::vector<std::uint32_t> groupByPosition(std::span<const osg::Vec3> positions, std::uint32_t& groupCount)
{
    const auto count = static_cast<std::uint32_t>(positions.size());
    std::vector<std::uint32_t> order(count);
    for (std::uint32_t i = 0; i < count; ++i)
        order[i] = i;
    auto key = [&](std::uint32_t i) {
        const osg::Vec3& v = positions[i];
        const bool ok = finite(v);
        return std::tuple(!ok, ok ? canonical(v.x()) : 0.0f, ok ? canonical(v.y()) : 0.0f, ok ? canonical(v.z()) : 0.0f, i);
    };
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
    // Each vertex points at the first (lowest) vertex of its run of equal positions.
    std::vector<std::uint32_t> leader(count);
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t v = order[k];
        const bool same = k > 0 && finite(positions[v]) && finite(positions[order[k - 1]]) &&
                          positions[v] == positions[order[k - 1]];
        leader[v] = same ? leader[order[k - 1]] : v;
    }
    std::vector<std::uint32_t> group(count);
    groupCount = 0;
    for (std::uint32_t v = 0; v < count; ++v)
        group[v] = leader[v] == v ? groupCount++ : group[leader[v]];
    return group;
}

inline osg::Vec3 triangleNormal(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c) { return (b - a) ^ (c - a); }

}  // namespace

NormalSlots buildNormalSlots(const IndexList& vertexIndices, std::span<const osg::Vec3> rest)
{
    NormalSlots slots;
    slots.vertexCount = rest.size();
    slots.cornerCount = vertexIndices.size();
    slots.cornerSlot.assign(vertexIndices.size(), NormalSlots::kNoSlot);
    for (std::size_t first = 0; first + 3 <= vertexIndices.size(); first += 3)
        if (triangleInRange(vertexIndices, first, rest.size()))
            slots.triangles.push_back(static_cast<std::uint32_t>(first));

    std::uint32_t groupCount = 0;
    const std::vector<std::uint32_t> groupOf = groupByPosition(rest, groupCount);

    // The rest sum of every group, the same sum the normals are made of.
    std::vector<osg::Vec3> sum(groupCount);
    std::vector<osg::Vec3> faceNormal(slots.triangles.size());
    for (std::size_t t = 0; t < slots.triangles.size(); ++t) {
        const std::uint32_t first = slots.triangles[t];
        faceNormal[t] = triangleNormal(rest[vertexIndices[first]], rest[vertexIndices[first + 1]],
                                       rest[vertexIndices[first + 2]]);
        for (std::uint32_t c = first; c < first + 3; ++c)
            sum[groupOf[vertexIndices[c]]] += faceNormal[t];
    }

    // A group is split when some triangle in it faces away from the group's sum (which is
    // also the case when the sum cancels to nothing): each side then keeps its own sum, the
    // side being that of the group's largest triangle or the opposite one.
    std::vector<bool> split(groupCount, false);
    std::vector<osg::Vec3> reference(groupCount);
    for (std::size_t t = 0; t < slots.triangles.size(); ++t) {
        const osg::Vec3& n = faceNormal[t];
        if (n.length2() == 0.0f)
            continue;
        for (std::uint32_t c = slots.triangles[t]; c < slots.triangles[t] + 3; ++c) {
            const std::uint32_t g = groupOf[vertexIndices[c]];
            if (!(n * sum[g] > 0.0f))
                split[g] = true;
            if (n.length2() > reference[g].length2())
                reference[g] = n;
        }
    }
    std::vector<std::uint32_t> backSlot(groupCount, NormalSlots::kNoSlot);
    slots.slotCount = groupCount;
    for (std::uint32_t g = 0; g < groupCount; ++g)
        if (split[g])
            backSlot[g] = static_cast<std::uint32_t>(slots.slotCount++);
    for (std::size_t t = 0; t < slots.triangles.size(); ++t)
        for (std::uint32_t c = slots.triangles[t]; c < slots.triangles[t] + 3; ++c) {
            const std::uint32_t g = groupOf[vertexIndices[c]];
            const bool back = split[g] && faceNormal[t] * reference[g] < 0.0f;
            slots.cornerSlot[c] = back ? backSlot[g] : g;
        }

    slots.slotBegin.assign(slots.slotCount + 1, 0);
    for (std::size_t t = 0; t < slots.triangles.size(); ++t)
        for (std::uint32_t c = slots.triangles[t]; c < slots.triangles[t] + 3; ++c)
            ++slots.slotBegin[slots.cornerSlot[c] + 1];
    for (std::size_t k = 1; k < slots.slotBegin.size(); ++k)
        slots.slotBegin[k] += slots.slotBegin[k - 1];
    slots.slotTriangles.resize(slots.slotBegin.back());
    std::vector<std::uint32_t> next(slots.slotBegin.begin(), slots.slotBegin.end() - 1);
    for (std::size_t t = 0; t < slots.triangles.size(); ++t)
        for (std::uint32_t c = slots.triangles[t]; c < slots.triangles[t] + 3; ++c)
            slots.slotTriangles[next[slots.cornerSlot[c]]++] = static_cast<std::uint32_t>(t);
    return slots;
}

void computeSlotNormals(const NormalSlots& slots, const IndexList& vertexIndices,
                        std::span<const osg::Vec3> positions, std::vector<osg::Vec3>& slotNormals,
                        std::vector<osg::Vec3>& faceNormals)
{
    if (slotNormals.size() < slots.slotCount)
        slotNormals.resize(slots.slotCount);
    if (positions.size() < slots.vertexCount || vertexIndices.size() < slots.cornerCount) {
        std::fill_n(slotNormals.begin(), slots.slotCount, osg::Vec3());
        return;
    }
    if (faceNormals.size() < slots.triangles.size())
        faceNormals.resize(slots.triangles.size());
    const std::uint32_t* const corners = vertexIndices.data();
    const osg::Vec3* const p = positions.data();
    osg::Vec3* const face = faceNormals.data();
    for (std::size_t t = 0; t < slots.triangles.size(); ++t) {
        const std::uint32_t first = slots.triangles[t];
        face[t] = triangleNormal(p[corners[first]], p[corners[first + 1]], p[corners[first + 2]]);
    }
    // Each slot gathers its triangles in order: the same additions, in the same order, as
    // adding every triangle to the slots of its corners, without writing a sum back each time.
    const std::uint32_t* const begin = slots.slotBegin.data();
    const std::uint32_t* const triangles = slots.slotTriangles.data();
    for (std::size_t s = 0; s < slots.slotCount; ++s) {
        osg::Vec3 sum;
        for (std::uint32_t k = begin[s]; k < begin[s + 1]; ++k)
            sum += face[triangles[k]];
        sum.normalize();
        slotNormals[s] = sum;
    }
}

}  // namespace mw
