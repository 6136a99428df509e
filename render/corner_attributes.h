#pragma once
// Per-corner attributes of a geometry's triangle list, computed once and reused every frame.

#include <span>

#include <osg/Array>
#include <osg/ref_ptr>

#include "model/face.h"
#include "render/surface_normals.h"

namespace mw {

// One smoothed normal per entry of vertexIndices, from the rest pose: corners at the same
// position share the average of their triangles' normals, each side of a double-sided card
// its own (surface_normals.h). Corners of a triangle that names a vertex outside the geometry
// (or of an incomplete last triangle) get a zero normal; such triangles are never drawn.
osg::ref_ptr<osg::Vec3Array> computeCornerNormals(const FaceGeom& geometry);

// cornerNormals[c] = the normal of corner c's slot; zero for corners without one.
void scatterSlotNormals(const NormalSlots& slots, std::span<const osg::Vec3> slotNormals,
                        std::span<osg::Vec3> cornerNormals);

// One texture coordinate per entry of texIndices, or null when texIndices is shorter than
// vertexIndices (the geometry is then drawn without texture coordinates). An entry naming a
// coordinate outside the geometry gets (0, 0).
osg::ref_ptr<osg::Vec2Array> buildCornerTexcoords(const FaceGeom& geometry);

// True when triangle corners first, first + 1 and first + 2 all name existing vertices.
inline bool triangleInRange(const IndexList& vertexIndices, std::size_t first, std::size_t vertexCount)
{
    return vertexIndices[first] < vertexCount && vertexIndices[first + 1] < vertexCount &&
           vertexIndices[first + 2] < vertexCount;
}

}  // namespace mw
