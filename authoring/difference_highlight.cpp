#include "authoring/difference_highlight.h"

#include <algorithm>
#include <vector>

#include "authoring/morph_extraction.h"

namespace mw {

namespace {

// For every vertex, the triangles that have it as a corner, in triangle order, each listed
// once even when it uses the vertex at more than one corner (compressed rows).
struct VertexTriangles {
    std::vector<std::uint32_t> rowStart;  // vertex v's triangles are triangles[rowStart[v] … rowStart[v + 1])
    std::vector<std::uint32_t> triangles;
};

// The triangles around the changed vertices are looked up in `around` and drawn from `drawn`
// (the same geometry, or two whose triangle lists have the same length).
struct TrianglePair {
    const FaceGeom& around;
    const FaceGeom& drawn;

    bool usable(std::size_t triangle) const
    {
        const std::size_t i = 3 * triangle;
        const IndexList& a = around.vertexIndices;
        const IndexList& d = drawn.vertexIndices;
        const std::size_t na = around.vertices->size(), nd = drawn.vertices->size();
        return i + 2 < d.size() && a[i] < na && a[i + 1] < na && a[i + 2] < na && d[i] < nd && d[i + 1] < nd &&
               d[i + 2] < nd;
    }
};

// Calls visit(vertex, triangle) once for every distinct corner of every usable triangle.
template <typename Visit>
void forEachCorner(const TrianglePair& pair, Visit&& visit)
{
    const IndexList& indices = pair.around.vertexIndices;
    const std::size_t triangleCount = indices.size() / 3;
    for (std::size_t t = 0; t < triangleCount; ++t) {
        if (!pair.usable(t))
            continue;
        const std::uint32_t a = indices[3 * t], b = indices[3 * t + 1], c = indices[3 * t + 2];
        const auto triangle = static_cast<std::uint32_t>(t);
        visit(a, triangle);
        if (b != a)
            visit(b, triangle);
        if (c != a && c != b)
            visit(c, triangle);
    }
}

VertexTriangles vertexTriangles(const TrianglePair& pair)
{
    VertexTriangles table;
    table.rowStart.assign(pair.around.vertices->size() + 1, 0);
    forEachCorner(pair, [&](std::uint32_t v, std::uint32_t) { ++table.rowStart[v + 1]; });
    for (std::size_t v = 1; v < table.rowStart.size(); ++v)
        table.rowStart[v] += table.rowStart[v - 1];
    table.triangles.resize(table.rowStart.back());
    std::vector<std::uint32_t> next(table.rowStart.begin(), table.rowStart.end() - 1);
    forEachCorner(pair, [&](std::uint32_t v, std::uint32_t t) { table.triangles[next[v]++] = t; });
    return table;
}

}  // namespace

void appendTrianglesAround(const FaceGeom& current, const FaceGeom& comparison, PairingKind kind,
                           std::span<const std::uint32_t> changed, osg::Vec3Array& corners)
{
    if (changed.empty())
        return;
    const TrianglePair pair{kind == PairingKind::Corners ? current : comparison, comparison};
    const VertexTriangles table = vertexTriangles(pair);
    const std::size_t vertexCount = pair.around.vertices->size();

    std::size_t added = 0;
    for (const std::uint32_t k : changed)
        if (k < vertexCount)
            added += table.rowStart[k + 1] - table.rowStart[k];
    corners.reserve(corners.size() + 3 * added);

    const osg::Vec3Array& vertices = *comparison.vertices;
    const IndexList& indices = comparison.vertexIndices;
    for (const std::uint32_t k : changed) {
        if (k >= vertexCount)
            continue;
        for (std::uint32_t row = table.rowStart[k]; row < table.rowStart[k + 1]; ++row) {
            const std::size_t first = 3 * static_cast<std::size_t>(table.triangles[row]);
            corners.push_back(vertices[indices[first]]);
            corners.push_back(vertices[indices[first + 1]]);
            corners.push_back(vertices[indices[first + 2]]);
        }
    }
}

osg::ref_ptr<osg::Vec3Array> highlightCorners(const TarvFaceObject& current, const TarvFaceObject& comparison,
                                              const FacePairing& pairing, const FaceMorph& morph,
                                              HighlightCollector collect)
{
    osg::ref_ptr<osg::Vec3Array> corners = new osg::Vec3Array;
    const std::size_t count = std::min({morph.targets.size(), pairing.geometries.size(), current.geometries.size(),
                                        comparison.geometries.size()});
    for (std::size_t i = 0; i < count; ++i)
        collect(*current.geometries[i], *comparison.geometries[i], pairing.geometries[i].kind,
                morph.targets[i]->indices, *corners);
    return corners;
}

void highlightDifference(Document& doc, HighlightCollector collect)
{
    if (!hasFace(doc) || !hasComparison(doc))
        return;
    doc.comparison.highlight = nullptr;
    doc.changes.add(document_change::kComparison);
    osg::ref_ptr<FaceMorph> difference = new FaceMorph;
    FacePairing pairing;
    if (!extractMorphTargets(doc, *difference, nullptr, &pairing))
        return;
    osg::ref_ptr<osg::Vec3Array> corners =
        highlightCorners(*doc.face, *doc.comparison.face, pairing, *difference, collect);
    if (!corners->empty())
        doc.comparison.highlight = corners;
}

}  // namespace mw
