#include "authoring/neck_vertices.h"

#include <algorithm>
#include <string>
#include <vector>

#include <osg/Matrixd>

#include "authoring/geometry_lookup.h"
#include "authoring/view_operations.h"

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

// Which vertices of `geometry` the closed lasso surrounds on screen, by vertex index.
std::vector<bool> verticesInsideLasso(const ViewState& state, const FaceGeom& geometry)
{
    const osg::Camera& camera = *state.viewCamera;
    const osg::Matrixd toScreen =
        state.scene.headTransform->getMatrix() * camera.getViewMatrix() * camera.getProjectionMatrix();
    const osg::Vec3Array& vertices = *geometry.vertices;
    std::vector<bool> inside(vertices.size());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const osg::Vec3 r = vertices[i] * toScreen;  // divides by the homogeneous coordinate
        inside[i] = state.lasso->isInsideLasso((r.x() + 1.0f) * 640.0f, (r.y() + 1.0f) * 512.0f);
    }
    return inside;
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

int computeNeckVertices(ViewState& state, int geometryIndex, Prompt& prompt)
{
    if (!hasFace(state) || state.face->geometries.empty())
        return -1;
    const int candidate = candidateGeometry(*state.face);
    int chosen = candidate;
    if (currentGeometry(state, geometryIndex)) {
        if (geometryIndex != candidate && !prompt.question(std::string(kNeckGeometryQuestion)))
            return -1;
        chosen = geometryIndex;
    }
    FaceGeom& geometry = *currentGeometry(state, chosen);
    geometry.clampIndices = borderVertices(geometry);
    showGeometrySelection(state, chosen);
    state.modified = true;
    return chosen;
}

bool canEditNeckVertices(const ViewState& state)
{
    return hasFace(state) && getEditMode(state) == static_cast<int>(EditMode::Vertex) && state.lasso &&
           state.lasso->isClosed() && state.viewCamera.valid() &&
           currentGeometry(state, state.scene.selectionBox->displayedIndex) != nullptr;
}

void editNeckVertices(ViewState& state, NeckEdit mode)
{
    if (!canEditNeckVertices(state))
        return;
    const int displayed = state.scene.selectionBox->displayedIndex;
    FaceGeom& geometry = *currentGeometry(state, displayed);
    const std::vector<bool> inside = verticesInsideLasso(state, geometry);
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
    showGeometrySelection(state, displayed);
    state.modified = true;
}

void clearNeckVertices(ViewState& state, int geometryIndex)
{
    FaceGeom* geometry = currentGeometry(state, geometryIndex);
    if (!geometry)
        return;
    geometry->clampIndices.clear();
    showGeometrySelection(state, state.scene.selectionBox->displayedIndex);
    state.modified = true;
}

void importNeckVertices(ViewState& state, const TarvFaceObject& source)
{
    if (!hasFace(state))
        return;
    const std::size_t shared = std::min(state.face->geometries.size(), source.geometries.size());
    for (std::size_t i = 0; i < shared; ++i) {
        clearNeckVertices(state, static_cast<int>(i));
        FaceGeom& geometry = *state.face->geometries[i];
        std::vector<bool> listed(geometry.vertices->size(), false);
        for (const std::uint32_t entry : source.geometries[i]->clampIndices)
            if (entry < listed.size() && !listed[entry]) {
                listed[entry] = true;
                geometry.clampIndices.push_back(entry);
            }
    }
    // The markers were rebuilt while the lists were still empty; show what was imported.
    showGeometrySelection(state, state.scene.selectionBox->displayedIndex);
}

}  // namespace mw
