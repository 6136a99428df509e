#include "model/surface_normals.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "model/corner_normals.h"
#include "model/value_key.h"

namespace mw {
namespace {

bool finite(const osg::Vec3& v) { return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()); }

// Per vertex, the number of the group of vertices at exactly its position. Vertices with a
// non-finite coordinate stay alone. Groups are numbered in the order of their first vertex,
// so that on a welded mesh group v is vertex v and the sums are visited in memory order.
// A hash table over the positions' bits (one pass, no sort): a million vertices are grouped in
// a few milliseconds, which makes the normals of a large mesh cheap to set up.
std::vector<std::uint32_t> groupByPosition(std::span<const osg::Vec3> positions, std::uint32_t& groupCount)
{
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    const auto count = static_cast<std::uint32_t>(positions.size());
    std::size_t capacity = 16;
    while (capacity < std::size_t{count} * 2)
        capacity <<= 1;
    const std::size_t mask = capacity - 1;
    std::vector<std::uint32_t> firstAt(capacity, kEmpty);  // the first vertex at a position
    std::vector<std::uint32_t> group(count);
    groupCount = 0;
    for (std::uint32_t v = 0; v < count; ++v) {
        const osg::Vec3& p = positions[v];
        if (!finite(p)) {
            group[v] = groupCount++;
            continue;
        }
        const std::uint64_t x = valueKeyBits(p.x()), y = valueKeyBits(p.y()), z = valueKeyBits(p.z());
        std::uint64_t hash = (x * 0x9E3779B97F4A7C15ull) ^ (y * 0xC2B2AE3D27D4EB4Full) ^ (z * 0x165667B19E3779F9ull);
        hash ^= hash >> 29;
        for (std::size_t at = static_cast<std::size_t>(hash) & mask;; at = (at + 1) & mask) {
            const std::uint32_t first = firstAt[at];
            if (first == kEmpty) {
                firstAt[at] = v;
                group[v] = groupCount++;
                break;
            }
            if (positions[first] == p) {
                group[v] = group[first];
                break;
            }
        }
    }
    return group;
}

#if defined(__SSE2__)
// x, y, z and 0, without reading past the vector.
inline __m128 load3(const osg::Vec3& v)
{
    const __m128 xy = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(v.ptr())));
    return _mm_movelh_ps(xy, _mm_load_ss(v.ptr() + 2));
}
#endif

inline osg::Vec3 triangleNormal(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c) { return (b - a) ^ (c - a); }

}  // namespace

NormalSlots buildNormalSlots(const IndexList& vertexIndices, std::span<const osg::Vec3> rest, bool forUpdates)
{
    NormalSlots slots;
    slots.vertexCount = rest.size();
    slots.cornerCount = vertexIndices.size();
    slots.cornerSlot.assign(vertexIndices.size(), NormalSlots::kNoSlot);
    slots.triangles.reserve(vertexIndices.size() / 3);
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
    std::vector<std::uint8_t> split(groupCount, 0);
    std::vector<osg::Vec3> reference(groupCount);
    std::vector<float> referenceLength2(groupCount, 0.0f);
    for (std::size_t t = 0; t < slots.triangles.size(); ++t) {
        const osg::Vec3& n = faceNormal[t];
        const float length2 = n.length2();
        if (length2 == 0.0f)
            continue;
        for (std::uint32_t c = slots.triangles[t]; c < slots.triangles[t] + 3; ++c) {
            const std::uint32_t g = groupOf[vertexIndices[c]];
            if (!(n * sum[g] > 0.0f))
                split[g] = 1;
            if (length2 > referenceLength2[g]) {
                reference[g] = n;
                referenceLength2[g] = length2;
            }
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

    if (!forUpdates)
        return slots;
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

    slots.vertexBegin.assign(rest.size() + 1, 0);
    for (const std::uint32_t first : slots.triangles)
        for (std::uint32_t c = first; c < first + 3; ++c)
            ++slots.vertexBegin[vertexIndices[c] + 1];
    for (std::size_t k = 1; k < slots.vertexBegin.size(); ++k)
        slots.vertexBegin[k] += slots.vertexBegin[k - 1];
    slots.vertexTriangles.resize(slots.vertexBegin.back());
    next.assign(slots.vertexBegin.begin(), slots.vertexBegin.end() - 1);
    for (std::size_t t = 0; t < slots.triangles.size(); ++t)
        for (std::uint32_t c = slots.triangles[t]; c < slots.triangles[t] + 3; ++c)
            slots.vertexTriangles[next[vertexIndices[c]]++] = static_cast<std::uint32_t>(t);
    return slots;
}

namespace {

inline void storeFaceNormal(const std::uint32_t* firstCorners, const std::uint32_t* corners, const osg::Vec3* p,
                            osg::Vec4* face, std::size_t t)
{
    const std::uint32_t first = firstCorners[t];
#if defined(__SSE2__)
    const __m128 a = load3(p[corners[first]]), b = load3(p[corners[first + 1]]), c = load3(p[corners[first + 2]]);
    const __m128 u = _mm_sub_ps(b, a), v = _mm_sub_ps(c, a);
    const __m128 uYZX = _mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 0, 2, 1)), uZXY = _mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 1, 0, 2));
    const __m128 vYZX = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 2, 1)), vZXY = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 1, 0, 2));
    _mm_storeu_ps(face[t].ptr(), _mm_sub_ps(_mm_mul_ps(uYZX, vZXY), _mm_mul_ps(uZXY, vYZX)));
#else
    const osg::Vec3 n = triangleNormal(p[corners[first]], p[corners[first + 1]], p[corners[first + 2]]);
    face[t].set(n.x(), n.y(), n.z(), 0.0f);
#endif
}

// Each slot gathers its triangles in order: the same additions, in the same order, as adding
// every triangle to the slots of its corners, without writing a sum back each time.
// The lists come as plain pointers: read through the vectors, every slot would load them anew,
// since the normals written in between might alias them as far as the compiler knows.
inline osg::Vec3 slotNormal(const std::uint32_t* slotBegin, const std::uint32_t* triangles, const osg::Vec4* face,
                            std::size_t s)
{
#if defined(__SSE2__)
    __m128 total = _mm_setzero_ps();
    for (std::uint32_t k = slotBegin[s]; k < slotBegin[s + 1]; ++k)
        total = _mm_add_ps(total, _mm_loadu_ps(face[triangles[k]].ptr()));
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, total);
    osg::Vec3 sum(lanes[0], lanes[1], lanes[2]);
#else
    osg::Vec3 sum;
    for (std::uint32_t k = slotBegin[s]; k < slotBegin[s + 1]; ++k)
        sum += osg::Vec3(face[triangles[k]].x(), face[triangles[k]].y(), face[triangles[k]].z());
#endif
    sum.normalize();
    return sum;
}

}  // namespace

void computeSlotNormals(const NormalSlots& slots, const IndexList& vertexIndices,
                        std::span<const osg::Vec3> positions, std::vector<osg::Vec3>& slotNormals,
                        std::vector<osg::Vec4>& faceNormals)
{
    if (slotNormals.size() < slots.slotCount)
        slotNormals.resize(slots.slotCount);
    if (positions.size() < slots.vertexCount || vertexIndices.size() < slots.cornerCount) {
        std::fill_n(slotNormals.begin(), slots.slotCount, osg::Vec3());
        return;
    }
    if (faceNormals.size() < slots.triangles.size())
        faceNormals.resize(slots.triangles.size());
    // Four lanes hold x, y, z and an unused 0; every lane does the scalar operations of the
    // cross product and the sums in the scalar order, so the results are the same bits.
    const std::uint32_t* const firstCorners = slots.triangles.data();
    const std::uint32_t* const corners = vertexIndices.data();
    const osg::Vec3* const p = positions.data();
    osg::Vec4* const faces = faceNormals.data();
    const std::size_t triangleCount = slots.triangles.size();
    for (std::size_t t = 0; t < triangleCount; ++t)
        storeFaceNormal(firstCorners, corners, p, faces, t);
    const std::uint32_t* const slotBegin = slots.slotBegin.data();
    const std::uint32_t* const slotTriangles = slots.slotTriangles.data();
    osg::Vec3* const out = slotNormals.data();
    const std::size_t slotCount = slots.slotCount;
    for (std::size_t s = 0; s < slotCount; ++s)
        out[s] = slotNormal(slotBegin, slotTriangles, faces, s);
}

void reserveScratch(const NormalSlots& slots, NormalScratch& scratch)
{
    scratch.triangleMarked.assign(slots.triangles.size(), 0);
    scratch.slotMarked.assign(slots.slotCount, 0);
    scratch.triangleList.reserve(slots.triangles.size());
    scratch.slotList.reserve(slots.slotCount);
}

void updateSlotNormals(const NormalSlots& slots, const IndexList& vertexIndices, std::span<const osg::Vec3> positions,
                       std::span<const std::uint32_t> moved, std::vector<osg::Vec3>& slotNormals,
                       std::vector<osg::Vec4>& faceNormals, NormalScratch& scratch)
{
    if (positions.size() < slots.vertexCount || vertexIndices.size() < slots.cornerCount ||
        slotNormals.size() < slots.slotCount || faceNormals.size() < slots.triangles.size()) {
        computeSlotNormals(slots, vertexIndices, positions, slotNormals, faceNormals);
        return;
    }
    if (scratch.triangleMarked.size() != slots.triangles.size() || scratch.slotMarked.size() != slots.slotCount)
        reserveScratch(slots, scratch);
    scratch.triangleList.clear();
    scratch.slotList.clear();
    for (const std::uint32_t v : moved) {
        if (v >= slots.vertexCount)
            continue;
        for (std::uint32_t k = slots.vertexBegin[v]; k < slots.vertexBegin[v + 1]; ++k) {
            const std::uint32_t t = slots.vertexTriangles[k];
            if (!scratch.triangleMarked[t]) {
                scratch.triangleMarked[t] = 1;
                scratch.triangleList.push_back(t);
            }
        }
    }
    for (const std::uint32_t t : scratch.triangleList) {
        storeFaceNormal(slots.triangles.data(), vertexIndices.data(), positions.data(), faceNormals.data(), t);
        scratch.triangleMarked[t] = 0;
        for (std::uint32_t c = slots.triangles[t]; c < slots.triangles[t] + 3; ++c) {
            const std::uint32_t slot = slots.cornerSlot[c];
            if (!scratch.slotMarked[slot]) {
                scratch.slotMarked[slot] = 1;
                scratch.slotList.push_back(slot);
            }
        }
    }
    for (const std::uint32_t slot : scratch.slotList) {
        slotNormals[slot] = slotNormal(slots.slotBegin.data(), slots.slotTriangles.data(), faceNormals.data(), slot);
        scratch.slotMarked[slot] = 0;
    }
}

}  // namespace mw
