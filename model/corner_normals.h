#pragma once
// The smoothed normals of a geometry's triangle corners, as the view lights them and as
// exported files carry them.

#include <cstddef>
#include <span>

#include <osg/Array>
#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

struct NormalSlots;

// One smoothed normal per entry of vertexIndices, from the rest pose: corners at the same
// position share the average of their triangles' normals, each side of a double-sided card
// its own (surface_normals.h). Corners of a triangle that names a vertex outside the geometry
// (or of an incomplete last triangle) get a zero normal; such triangles are never drawn.
osg::ref_ptr<osg::Vec3Array> computeCornerNormals(const FaceGeom& geometry);

// cornerNormals[c] = the normal of corner c's slot; zero for corners without one.
void scatterSlotNormals(const NormalSlots& slots, std::span<const osg::Vec3> slotNormals,
                        std::span<osg::Vec3> cornerNormals);

// True when triangle corners first, first + 1 and first + 2 all name existing vertices.
inline bool triangleInRange(const IndexList& vertexIndices, std::size_t first, std::size_t vertexCount)
{
    return vertexIndices[first] < vertexCount && vertexIndices[first + 1] < vertexCount &&
           vertexIndices[first + 2] < vertexCount;
}

}  // namespace mw
