#pragma once
// The smoothed normals of a geometry's triangle corners, as the view lights them and as
// exported files carry them.

#include <cstddef>

#include <osg/Array>
#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

// One smoothed normal per entry of vertexIndices, from the rest pose: corners at the same
// position share the average of their triangles' normals. Corners of a triangle that names a
// vertex outside the geometry (or of an incomplete last triangle) get a zero normal; such
// triangles are never drawn.
osg::ref_ptr<osg::Vec3Array> computeCornerNormals(const FaceGeom& geometry);

// True when triangle corners first, first + 1 and first + 2 all name existing vertices.
inline bool triangleInRange(const IndexList& vertexIndices, std::size_t first, std::size_t vertexCount)
{
    return vertexIndices[first] < vertexCount && vertexIndices[first + 1] < vertexCount &&
           vertexIndices[first + 2] < vertexCount;
}

}  // namespace mw
