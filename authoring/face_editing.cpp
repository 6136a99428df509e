#include "authoring/face_editing.h"

#include <cmath>
#include <utility>

#include <osg/BoundingBox>
#include <osg/Geometry>

#include "authoring/geometry_lookup.h"
#include "authoring/view_operations.h"

namespace mw {

namespace {

// The rest-pose box of every geometry of the node, without any transform above it.
osg::BoundingBox faceBox(const TarvFaceRenderer& node)
{
    osg::BoundingBox box;
    for (unsigned i = 0; i < node.getNumDrawables(); ++i)
        box.expandBy(node.getDrawable(i)->getBoundingBox());
    return box;
}

float widthAlongX(const osg::BoundingBox& box)
{
    return box.valid() ? box.xMax() - box.xMin() : 0.0f;
}

// A positive uniform scale (with any translation) leaves every surface direction as it was.
bool keepsDirections(const osg::Matrixd& m)
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            if (row != column && m(row, column) != 0.0)
                return false;
    return m(0, 0) > 0.0 && m(0, 0) == m(1, 1) && m(1, 1) == m(2, 2);
}

// Applies the edit transform's new scale and translation; the rotation stays as it is.
bool placeTarget(ViewState& state, float scale, float translationY)
{
    if (!std::isfinite(scale) || !(scale > 0.0f) || !std::isfinite(translationY))
        return false;
    state.editHandler->setScale(scale);
    state.editHandler->setTranslation(0.0f, translationY, 0.0f);
    return true;
}

bool scaleHead(ViewState& state, Prompt& prompt)
{
    const osg::BoundingBox box = faceBox(*state.faceNode);
    const float width = widthAlongX(box);
    const float scale = width > 0.0f ? kIdealHeadWidth / width : 0.0f;
    if (!placeTarget(state, scale, kIdealHeadBottom - scale * box.yMin())) {
        prompt.message("The face has no width from left to right, so it cannot be scaled automatically.");
        return false;
    }
    state.modified = true;
    state.camera->resetView();
    return true;
}

bool scaleComparison(ViewState& state, Prompt& prompt)
{
    commitHeadTransform(state);
    const osg::BoundingBox current = faceBox(*state.faceNode);
    const osg::BoundingBox comparison = faceBox(*state.comparisonRenderer);
    const float width = widthAlongX(comparison);
    const float scale = width > 0.0f ? widthAlongX(current) / width : 0.0f;
    if (!placeTarget(state, scale, current.yMin() - scale * comparison.yMin())) {
        prompt.message(width > 0.0f
                           ? "The face has no width from left to right, so the comparison face cannot be scaled onto it."
                           : "The comparison face has no width from left to right, so it cannot be scaled onto the face.");
        return false;
    }
    state.scene.root->dirtyBound();
    state.camera->resetView();
    return true;
}

void transformHighlight(osg::Geode& highlight, const osg::Matrixd& matrix)
{
    for (unsigned i = 0; i < highlight.getNumDrawables(); ++i) {
        osg::Geometry* geometry = highlight.getDrawable(i)->asGeometry();
        auto* vertices = geometry ? dynamic_cast<osg::Vec3Array*>(geometry->getVertexArray()) : nullptr;
        if (!vertices)
            continue;
        for (osg::Vec3& v : *vertices)
            v = v * matrix;
        vertices->dirty();
        // The geometry is compiled into a display list; without this it keeps drawing the old place.
        geometry->dirtyGLObjects();
        geometry->dirtyBound();
    }
}

void swapLastCorners(IndexList& list)
{
    for (std::size_t i = 0; i + 2 < list.size(); i += 3)
        std::swap(list[i + 1], list[i + 2]);
}

}  // namespace

void commitHeadTransform(ViewState& state)
{
    if (!hasFace(state) || hasComparison(state))
        return;
    const osg::Matrixd matrix = state.scene.headTransform->getMatrix();
    // The identity moves nothing; saving and comparing commit it often.
    if (!matrix.isIdentity()) {
        state.faceNode->transformFace(matrix);
        if (!keepsDirections(matrix))
            for (unsigned i = 0; i < state.face->geometries.size(); ++i)
                state.faceNode->recomputeNormals(i);
    }
    showGeometrySelection(state, state.scene.selectionBox->displayedIndex);
    state.scene.headTransform->setMatrix(osg::Matrixd::identity());
    state.editHandler->resetTransform();
}

void commitComparisonTransform(ViewState& state)
{
    if (!hasComparison(state))
        return;
    const osg::Matrixd matrix = state.comparisonTransform->getMatrix();
    if (!matrix.isIdentity()) {
        state.comparisonRenderer->transformFace(matrix);
        // The highlight hangs under the same transform; it must stay on the triangles it marks.
        if (state.differenceHighlight)
            transformHighlight(*state.differenceHighlight, matrix);
    }
    state.comparisonTransform->setMatrix(osg::Matrixd::identity());
    state.editHandler->resetTransform();
}

bool autoScale(ViewState& state, Prompt& prompt)
{
    if (!hasFace(state))
        return false;
    return hasComparison(state) ? scaleComparison(state, prompt) : scaleHead(state, prompt);
}

void flipPolygonOrder(ViewState& state, int geometryIndex)
{
    FaceGeom* geometry = currentGeometry(state, geometryIndex);
    if (!geometry)
        return;
    swapLastCorners(geometry->vertexIndices);
    swapLastCorners(geometry->texIndices);
    state.faceNode->recomputeTexcoords(static_cast<unsigned>(geometryIndex));
    state.faceNode->recomputeNormals(static_cast<unsigned>(geometryIndex));
    state.modified = true;
}

void resetMorphValues(ViewState& state)
{
    if (hasFace(state))
        state.faceNode->resetMorphWeights();
}

void scaleMorph(ViewState& state, int morphIndex, float factor)
{
    if (!hasFace(state))
        return;
    state.faceNode->scaleMorph(morphIndex, factor);
    state.modified = true;
}

}  // namespace mw
