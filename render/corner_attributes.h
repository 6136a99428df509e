#pragma once
// Per-corner attributes of a geometry's triangle list, computed once and reused every frame
// (the normals come from model/corner_normals.h).

#include <span>

#include <osg/Array>
#include <osg/ref_ptr>

#include "model/corner_normals.h"
#include "model/surface_normals.h"
#include "model/face.h"

namespace mw {

// One texture coordinate per entry of texIndices, or null when texIndices is shorter than
// vertexIndices (the geometry is then drawn without texture coordinates). An entry naming a
// coordinate outside the geometry gets (0, 0).
osg::ref_ptr<osg::Vec2Array> buildCornerTexcoords(const FaceGeom& geometry);

}  // namespace mw
