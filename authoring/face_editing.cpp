#include "authoring/face_editing.h"

#include <cmath>
#include <utility>

#include <osg/BoundingBox>

#include "authoring/geometry_lookup.h"
#include "model/face_operations.h"

namespace mw {

namespace {

// The rest-pose box of every geometry of the face, without any placement.
osg::BoundingBox faceBox(const TarvFaceObject& face)
{
    osg::BoundingBox box;
    for (const auto& geometry : face.geometries)
        for (const osg::Vec3& v : *geometry->vertices)
            box.expandBy(v);
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

// Gives the placement a new scale and translation; the rotation stays as it is.
bool place(HeadPlacement& placement, float scale, float translationY)
{
    if (!std::isfinite(scale) || !(scale > 0.0f) || !std::isfinite(translationY))
        return false;
    placement.scale = scale;
    placement.translation.set(0.0f, translationY, 0.0f);
    return true;
}

bool scaleHead(Document& doc, Prompt& prompt)
{
    const osg::BoundingBox box = faceBox(*doc.face);
    const float width = widthAlongX(box);
    const float scale = width > 0.0f ? kIdealHeadWidth / width : 0.0f;
    if (!place(doc.head, scale, kIdealHeadBottom - scale * box.yMin())) {
        prompt.message("The face has no width from left to right, so it cannot be scaled automatically.");
        return false;
    }
    doc.changes.add(document_change::kPlacement | document_change::kReframe);
    return true;
}

bool scaleComparison(Document& doc, Prompt& prompt)
{
    commitHeadTransform(doc);
    const osg::BoundingBox current = faceBox(*doc.face);
    const osg::BoundingBox comparison = faceBox(*doc.comparison.face);
    const float width = widthAlongX(comparison);
    const float scale = width > 0.0f ? widthAlongX(current) / width : 0.0f;
    if (!place(doc.comparison.placement, scale, current.yMin() - scale * comparison.yMin())) {
        prompt.message(width > 0.0f
                           ? "The face has no width from left to right, so the comparison face cannot be scaled onto it."
                           : "The comparison face has no width from left to right, so it cannot be scaled onto the face.");
        return false;
    }
    doc.changes.add(document_change::kComparison | document_change::kReframe);
    return true;
}

void swapLastCorners(IndexList& list)
{
    for (std::size_t i = 0; i + 2 < list.size(); i += 3)
        std::swap(list[i + 1], list[i + 2]);
}

void turn(Document& doc, float ax, float ay, float az)
{
    if (!hasFace(doc))
        return;
    doc.head.rotation = turnedRotation(doc.head.rotation, ax, ay, az, 90.0f);
    doc.changes.add(document_change::kPlacement);
}

}  // namespace

void commitHeadTransform(Document& doc)
{
    if (!hasFace(doc) || hasComparison(doc))
        return;
    const osg::Matrixd matrix = doc.head.matrix();
    // The identity moves nothing; saving and comparing commit it often.
    if (matrix.isIdentity())
        return;
    transformFace(*doc.face, matrix);
    doc.changes.addAllGeometries(doc.face->geometries.size(),
                                 keepsDirections(matrix) ? geometry_change::kMoved : geometry_change::kShape);
    doc.head = {};
    doc.changes.add(document_change::kPlacement);
}

void commitComparisonTransform(Document& doc)
{
    if (!hasComparison(doc))
        return;
    const osg::Matrixd matrix = doc.comparison.placement.matrix();
    if (!matrix.isIdentity()) {
        transformFace(*doc.comparison.face, matrix);
        // The highlight is placed with the comparison face; it must stay on the triangles it marks.
        if (doc.comparison.highlight) {
            for (osg::Vec3& v : *doc.comparison.highlight)
                v = v * matrix;
            doc.comparison.highlight->dirty();
        }
    }
    doc.comparison.placement = {};
    doc.changes.add(document_change::kComparison);
}

bool autoScale(Document& doc, Prompt& prompt)
{
    if (!hasFace(doc))
        return false;
    return hasComparison(doc) ? scaleComparison(doc, prompt) : scaleHead(doc, prompt);
}

void turnRight(Document& doc) { turn(doc, 0.0f, 1.0f, 0.0f); }

void turnUp(Document& doc) { turn(doc, -1.0f, 0.0f, 0.0f); }

void flipPolygonOrder(Document& doc, int geometryIndex)
{
    FaceGeom* geometry = currentGeometry(doc, geometryIndex);
    if (!geometry)
        return;
    swapLastCorners(geometry->vertexIndices);
    swapLastCorners(geometry->texIndices);
    doc.changes.addGeometry(static_cast<std::size_t>(geometryIndex),
                            geometry_change::kShape | geometry_change::kTexturing);
}

void resetMorphValues(Document& doc)
{
    if (!hasFace(doc))
        return;
    resetMorphWeights(*doc.face);
    doc.changes.add(document_change::kWeights);
}

void setMorphValue(Document& doc, int morphIndex, float weight)
{
    if (!hasFace(doc))
        return;
    setMorphWeight(*doc.face, morphIndex, weight);
    doc.changes.add(document_change::kWeights);
}

void scaleMorph(Document& doc, int morphIndex, float factor)
{
    if (!hasFace(doc))
        return;
    scaleMorph(*doc.face, morphIndex, factor);
    doc.changes.add(document_change::kMorphList);
}

}  // namespace mw
