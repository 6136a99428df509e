#include "authoring/neck_vertices.h"

#include <algorithm>
#include <string>
#include <vector>

#include "authoring/geometry_lookup.h"

namespace mw {

namespace {

// Vertices of a cut-off border belong to few triangles; inside a mesh a vertex has five or more.
constexpr std::uint32_t kMaxBorderCorners = 4;

// The geometry with the most triangle corners; the lowest index on a tie.
int candidateGeometry(const TarvFaceObject& face)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < face.geometries.size(); ++i)
        if (face.geometries[i]->vertexIndices.size() > face.geometries[best]->vertexIndices.size())
            best = i;
    return static_cast<int>(best);
}

void removeIf(IndexList& list, const std::vector<bool>& inside, bool removeInside)
{
    std::erase_if(list, [&](std::uint32_t entry) {
        const bool in = entry < inside.size() && inside[entry];
        return in == removeInside;
    });
}

}  // namespace

IndexList borderVertices(const FaceGeom& geometry)
{
    const std::size_t vertexCount = geometry.vertices->size();
    std::vector<std::uint32_t> corners(vertexCount, 0);
    for (const std::uint32_t index : geometry.vertexIndices)
        if (index < vertexCount)
            ++corners[index];
    IndexList border;
    for (std::size_t i = 0; i < vertexCount; ++i)
        if (corners[i] > 0 && corners[i] <= kMaxBorderCorners)
            border.push_back(static_cast<std::uint32_t>(i));
    return border;
}

int computeNeckVertices(Document& doc, int geometryIndex, Prompt& prompt)
{
    if (!hasFace(doc) || doc.face->geometries.empty())
        return -1;
    const int candidate = candidateGeometry(*doc.face);
    int chosen = candidate;
    if (currentGeometry(doc, geometryIndex)) {
        if (geometryIndex != candidate && !prompt.question(std::string(kNeckGeometryQuestion)))
            return -1;
        chosen = geometryIndex;
    }
    FaceGeom& geometry = *currentGeometry(doc, chosen);
    geometry.clampIndices = borderVertices(geometry);
    doc.changes.addGeometry(static_cast<std::size_t>(chosen), geometry_change::kNeck);
    return chosen;
}

void editNeckVertices(Document& doc, int geometryIndex, const std::vector<bool>& inside, NeckEdit mode)
{
    FaceGeom* found = currentGeometry(doc, geometryIndex);
    if (!found)
        return;
    FaceGeom& geometry = *found;
    switch (mode) {
    case NeckEdit::Keep:
        removeIf(geometry.clampIndices, inside, false);
        break;
    case NeckEdit::Discard:
        removeIf(geometry.clampIndices, inside, true);
        break;
    case NeckEdit::Add: {
        // A vertex is a neck vertex once: those already listed stay where they are.
        std::vector<bool> listed(inside.size(), false);
        for (const std::uint32_t entry : geometry.clampIndices)
            if (entry < listed.size())
                listed[entry] = true;
        for (std::size_t i = 0; i < inside.size(); ++i)
            if (inside[i] && !listed[i])
                geometry.clampIndices.push_back(static_cast<std::uint32_t>(i));
        break;
    }
    }
    doc.changes.addGeometry(static_cast<std::size_t>(geometryIndex), geometry_change::kNeck);
}

void clearNeckVertices(Document& doc, int geometryIndex)
{
    FaceGeom* geometry = currentGeometry(doc, geometryIndex);
    if (!geometry)
        return;
    geometry->clampIndices.clear();
    doc.changes.addGeometry(static_cast<std::size_t>(geometryIndex), geometry_change::kNeck);
}

void importNeckVertices(Document& doc, const TarvFaceObject& source)
{
    if (!hasFace(doc))
        return;
    const std::size_t shared = std::min(doc.face->geometries.size(), source.geometries.size());
    for (std::size_t i = 0; i < shared; ++i) {
        clearNeckVertices(doc, static_cast<int>(i));
        FaceGeom& geometry = *doc.face->geometries[i];
        std::vector<bool> listed(geometry.vertices->size(), false);
        for (const std::uint32_t entry : source.geometries[i]->clampIndices)
            if (entry < listed.size() && !listed[entry]) {
                listed[entry] = true;
                geometry.clampIndices.push_back(entry);
            }
    }
}

}  // namespace mw
