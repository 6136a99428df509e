#include "model/repair_face.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>

namespace mw {
namespace {

std::string quoted(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    out += s;
    out += '"';
    return out;
}

// "1 triangle", "3 triangles"
std::string counted(std::size_t n, std::string_view singular, std::string_view plural)
{
    return std::to_string(n) + ' ' + std::string(n == 1 ? singular : plural);
}

// Sets every non-finite component to 0; returns how many were set.
template <typename Vec>
std::size_t zeroNonFinite(Vec& v)
{
    std::size_t n = 0;
    for (unsigned k = 0; k < Vec::num_components; ++k)
        if (!std::isfinite(v[k])) {
            v[k] = 0.0f;
            ++n;
        }
    return n;
}

template <typename Array>
std::size_t zeroNonFiniteArray(Array& array)
{
    std::size_t n = 0;
    for (auto& v : array)
        n += zeroNonFinite(v);
    return n;
}

// Removes null entries from a list of ref_ptrs; returns how many.
template <typename T>
std::size_t dropNull(std::vector<osg::ref_ptr<T>>& list)
{
    return std::erase_if(list, [](const osg::ref_ptr<T>& p) { return !p; });
}

void repairGeometry(std::size_t index, FaceGeom& g, RepairReport& report)
{
    const std::string where = "geometry " + std::to_string(index) + ' ' + quoted(g.name) + ": ";
    auto note = [&](const std::string& text) { report.changes.push_back(where + text); };
    if (!g.vertices) {
        g.vertices = new osg::Vec3Array;
        note("had no vertex array; it is now empty");
    }
    if (!g.texcoords) {
        g.texcoords = new osg::Vec2Array;
        note("had no texture-coordinate array; it is now empty");
    }
    if (const std::size_t n = zeroNonFiniteArray(*g.vertices))
        note("set " + counted(n, "non-finite vertex coordinate", "non-finite vertex coordinates") + " to 0");
    if (const std::size_t n = zeroNonFiniteArray(*g.texcoords))
        note("set " + counted(n, "non-finite texture coordinate", "non-finite texture coordinates") + " to 0");
    if (const std::size_t n = zeroNonFinite(g.diffuse) + zeroNonFinite(g.specular))
        note("set " + counted(n, "non-finite colour component", "non-finite colour components") + " to 0");

    const TriangleRepair r = dropBrokenTriangles(g);
    if (r.texIndicesWithoutCoords)
        note("dropped all " + counted(r.texIndicesWithoutCoords, "texture index", "texture indices") +
             ": there are no texture coordinates");
    if (r.unpairedTexIndices)
        note("dropped all " + counted(r.unpairedTexIndices, "texture index", "texture indices") +
             ": their count differs from the count of vertex indices");
    if (r.incompleteCorners)
        note("dropped an incomplete triangle (" +
             counted(r.incompleteCorners, "trailing vertex index", "trailing vertex indices") + ")");
    if (r.vertexOutOfRange)
        note("dropped " + counted(r.vertexOutOfRange, "triangle", "triangles") + " with a vertex index out of range");
    if (r.texOutOfRange)
        note("dropped " + counted(r.texOutOfRange, "triangle", "triangles") + " with a texture index out of range");

    const std::size_t n = g.vertices->size();
    if (const std::size_t dropped = std::erase_if(g.clampIndices, [n](std::uint32_t i) { return i >= n; }))
        note("dropped " + counted(dropped, "neck vertex", "neck vertices") + " out of range");
}

// Drops the entries of `t` whose index is `vertexLimit` or more, with their offsets.
std::size_t dropEntriesOutOfRange(FaceTarget& t, std::size_t vertexLimit)
{
    osg::Vec3Array& offsets = *t.offsets;
    std::size_t kept = 0;
    for (std::size_t j = 0; j < t.indices.size(); ++j) {
        if (t.indices[j] >= vertexLimit)
            continue;
        if (kept != j) {
            t.indices[kept] = t.indices[j];
            offsets[kept] = offsets[j];
        }
        ++kept;
    }
    const std::size_t dropped = t.indices.size() - kept;
    t.indices.resize(kept);
    offsets.resize(kept);
    return dropped;
}

void repairTarget(const std::string& where, FaceTarget& t, std::size_t vertexLimit, RepairReport& report)
{
    auto note = [&](const std::string& text) { report.changes.push_back(where + ": " + text); };
    if (!t.offsets) {
        t.offsets = new osg::Vec3Array;
        note("had no offset array; it is now empty");
    }
    const bool moreOffsets = t.offsets->size() > t.indices.size();
    if (const std::size_t n = dropUnpairedEntries(t))
        note("dropped " + (moreOffsets ? counted(n, "offset", "offsets") + " without an index"
                                       : counted(n, "index", "indices") + " without an offset"));
    if (const std::size_t n = zeroNonFiniteArray(*t.offsets))
        note("set " + counted(n, "non-finite offset component", "non-finite offset components") + " to 0");
    if (!std::isfinite(t.weight)) {
        t.weight = 0.0f;
        note("set a non-finite weight to 0");
    }
    if (const std::size_t n = dropEntriesOutOfRange(t, vertexLimit))
        note("dropped " + counted(n, "entry", "entries") + " with a vertex index out of range");
}

void repairMorphs(TarvFaceObject& face, RepairReport& report)
{
    // The vertex count a target may index: the smallest among the geometries of its name.
    std::unordered_map<std::string_view, std::size_t> limits;
    for (const auto& g : face.geometries) {
        auto [it, inserted] = limits.try_emplace(g->name, g->vertices->size());
        if (!inserted)
            it->second = std::min(it->second, g->vertices->size());
    }
    for (std::size_t m = 0; m < face.morphs.size(); ++m) {
        FaceMorph& morph = *face.morphs[m];
        const std::string where = "morph " + std::to_string(m) + ' ' + quoted(morph.name);
        if (const std::size_t n = dropNull(morph.targets))
            report.changes.push_back(where + ": dropped " + counted(n, "missing target", "missing targets"));
        for (std::size_t t = 0; t < morph.targets.size(); ++t) {
            FaceTarget& target = *morph.targets[t];
            const auto it = limits.find(target.name);
            const std::size_t limit = it != limits.end() ? it->second : std::numeric_limits<std::size_t>::max();
            repairTarget(where + ", target " + std::to_string(t) + ' ' + quoted(target.name), target, limit, report);
        }
    }
}

// Keeps the triangles whose corners are all in range, moving them forward in place.
void keepTrianglesInRange(FaceGeom& g, TriangleRepair& r)
{
    IndexList& vi = g.vertexIndices;
    IndexList& ti = g.texIndices;
    const std::size_t n = g.vertices->size();
    const std::size_t m = g.texcoords->size();
    const bool textured = !ti.empty();
    std::size_t kept = 0;
    for (std::size_t c = 0; c < vi.size(); c += 3) {
        if (vi[c] >= n || vi[c + 1] >= n || vi[c + 2] >= n) {
            ++r.vertexOutOfRange;
            continue;
        }
        if (textured && (ti[c] >= m || ti[c + 1] >= m || ti[c + 2] >= m)) {
            ++r.texOutOfRange;
            continue;
        }
        if (kept != c) {
            std::copy_n(&vi[c], 3, &vi[kept]);
            if (textured)
                std::copy_n(&ti[c], 3, &ti[kept]);
        }
        kept += 3;
    }
    vi.resize(kept);
    if (textured)
        ti.resize(kept);
}

}  // namespace

TriangleRepair dropBrokenTriangles(FaceGeom& g)
{
    TriangleRepair r;
    IndexList& vi = g.vertexIndices;
    IndexList& ti = g.texIndices;
    if (!ti.empty() && g.texcoords->empty()) {
        r.texIndicesWithoutCoords = ti.size();
        ti.clear();
    } else if (!ti.empty() && ti.size() != vi.size()) {
        r.unpairedTexIndices = ti.size();
        ti.clear();
    }
    if (const std::size_t whole = vi.size() - vi.size() % 3; whole != vi.size()) {
        r.incompleteCorners = vi.size() - whole;
        vi.resize(whole);
        if (!ti.empty())
            ti.resize(whole);
    }
    keepTrianglesInRange(g, r);
    return r;
}

std::size_t dropUnpairedEntries(FaceTarget& t)
{
    const std::size_t n = std::min(t.indices.size(), t.offsets->size());
    const std::size_t dropped = t.indices.size() + t.offsets->size() - 2 * n;
    t.indices.resize(n);
    t.offsets->resize(n);
    return dropped;
}

RepairReport repairFace(TarvFaceObject& face)
{
    RepairReport report;
    if (const std::size_t n = dropNull(face.geometries))
        report.changes.push_back("face: dropped " + counted(n, "missing geometry", "missing geometries"));
    if (const std::size_t n = dropNull(face.morphs))
        report.changes.push_back("face: dropped " + counted(n, "missing morph", "missing morphs"));
    for (std::size_t i = 0; i < face.geometries.size(); ++i)
        repairGeometry(i, *face.geometries[i], report);
    repairMorphs(face, report);
    return report;
}

}  // namespace mw
