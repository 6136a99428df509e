#include "model/weld.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "model/repair_face.h"
#include "model/value_key.h"

namespace mw {
namespace {

constexpr std::uint32_t kUnmapped = 0xFFFFFFFFu;
constexpr std::uint32_t kUsed = 0xFFFFFFFEu;  // marks a used entry until it gets its new index

inline std::uint32_t keyBits(float f) { return valueKeyBits(f); }

template <typename Vec>
bool sameValue(const Vec& a, const Vec& b)
{
    for (unsigned k = 0; k < Vec::num_components; ++k)
        if (keyBits(a[k]) != keyBits(b[k]))
            return false;
    return true;
}

template <typename Vec>
std::uint64_t hashValue(const Vec& v)
{
    std::uint64_t h = 0;
    for (unsigned k = 0; k < Vec::num_components; ++k) {
        h = (h ^ keyBits(v[k])) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    return h;
}

// Marks every index of `indices` below indices' target size in `remap` (sized to the old
// array, filled with kUnmapped) and returns how many distinct entries are used.
std::size_t markUsed(const IndexList& indices, IndexList& remap)
{
    std::size_t used = 0;
    for (const std::uint32_t i : indices) {
        if (i < remap.size() && remap[i] == kUnmapped) {
            remap[i] = kUsed;
            ++used;
        }
    }
    return used;
}

// Visits the used entries of `in` in ascending old index. The first entry of each distinct
// value is appended to `out`; every used entry is mapped to the index of its value in `out`.
// The result equals that of an ordered map from value to new index, since new indices are
// handed out in order of first occurrence either way.
template <typename Array>
void compactValues(const Array& in, std::size_t usedCount, IndexList& remap, Array& out)
{
    std::size_t buckets = 16;
    while (buckets < usedCount + usedCount / 4)
        buckets *= 2;
    const std::size_t mask = buckets - 1;
    std::vector<std::uint32_t> table(buckets, kUnmapped);  // index into `out`, per bucket

    // The table is far larger than the caches for big meshes: fetch the bucket of the entry
    // kAhead places on while this one is looked up.
    constexpr std::size_t kAhead = 16;
    for (std::size_t v = 0; v < in.size(); ++v) {
        if (v + kAhead < in.size() && remap[v + kAhead] == kUsed)
            __builtin_prefetch(&table[hashValue(in[v + kAhead]) & mask]);
        if (remap[v] != kUsed)
            continue;
        const auto& value = in[v];
        std::size_t bucket = hashValue(value) & mask;
        for (std::size_t probe = 1;; ++probe) {
            std::uint32_t& slot = table[bucket];
            if (slot == kUnmapped) {
                slot = static_cast<std::uint32_t>(out.size());
                out.push_back(value);
                remap[v] = slot;
                break;
            }
            if (sameValue(out[slot], value)) {
                remap[v] = slot;
                break;
            }
            bucket = (bucket + probe) & mask;
        }
    }
}

// Keeps the entries of `list` that have a mapping, replaced by it, in order.
void remapAndClose(IndexList& list, const IndexList& remap)
{
    std::size_t kept = 0;
    for (const std::uint32_t i : list)
        if (i < remap.size() && remap[i] != kUnmapped)
            list[kept++] = remap[i];
    list.resize(kept);
}

// Remaps a target's entries, removing an entry and its offset where the vertex has no mapping.
void remapTarget(FaceTarget& target, const IndexList& remap)
{
    dropUnpairedEntries(target);
    osg::Vec3Array& offsets = *target.offsets;
    std::size_t kept = 0;
    for (std::size_t j = 0; j < target.indices.size(); ++j) {
        const std::uint32_t i = target.indices[j];
        if (i >= remap.size() || remap[i] == kUnmapped)
            continue;
        target.indices[kept] = remap[i];
        offsets[kept] = offsets[j];
        ++kept;
    }
    target.indices.resize(kept);
    offsets.resize(kept);
}

// Keeps the entries of `array` that `indices` use, merging equal values, installs the new
// array and renumbers `indices`. Returns the map from old to new index (kUnmapped where
// dropped). dropBrokenTriangles left only indices within range.
template <typename Array>
IndexList compactArray(osg::ref_ptr<Array>& array, IndexList& indices)
{
    IndexList remap(array->size(), kUnmapped);
    const std::size_t used = markUsed(indices, remap);
    osg::ref_ptr<Array> kept = new Array;
    compactValues(*array, used, remap, *kept);
    for (std::uint32_t& i : indices)
        i = remap[i];
    array = kept;
    return remap;
}

// Fills in arrays that a damaged face may lack, so that the stages can rely on them.
void ensureArrays(TarvFaceObject& face)
{
    for (const auto& g : face.geometries) {
        if (!g)
            continue;
        if (!g->vertices)
            g->vertices = new osg::Vec3Array;
        if (!g->texcoords)
            g->texcoords = new osg::Vec2Array;
    }
    for (const auto& m : face.morphs)
        if (m)
            for (const auto& t : m->targets)
                if (t && !t->offsets)
                    t->offsets = new osg::Vec3Array;
}

// Removes empty (or missing) targets, then morphs left without targets.
void dropEmptyMorphs(TarvFaceObject& face)
{
    for (const auto& m : face.morphs)
        if (m)
            std::erase_if(m->targets, [](const osg::ref_ptr<FaceTarget>& t) { return !t || t->indices.empty(); });
    std::erase_if(face.morphs, [](const osg::ref_ptr<FaceMorph>& m) { return !m || m->targets.empty(); });
}

}  // namespace

void weldFace(TarvFaceObject& face)
{
    ensureArrays(face);
    for (const auto& g : face.geometries) {
        if (!g)
            continue;
        // A damaged face loses whole triangles rather than single corners, so the triangles
        // that follow keep their corners and texIndices stay parallel.
        dropBrokenTriangles(*g);
        const IndexList remap = compactArray(g->vertices, g->vertexIndices);
        remapAndClose(g->clampIndices, remap);
        if (!g->texcoords->empty() && !g->texIndices.empty())
            compactArray(g->texcoords, g->texIndices);
        for (const auto& m : face.morphs) {
            if (!m)
                continue;
            for (const auto& t : m->targets)
                if (t && t->name == g->name)
                    remapTarget(*t, remap);
        }
    }
    dropEmptyMorphs(face);
}

}  // namespace mw
