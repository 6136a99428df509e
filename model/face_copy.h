#pragma once
// Deep copies of faces and their parts: new arrays and lists that share nothing with the source,
// so either can be changed without touching the other. Morph weights start at 0 in the copy.

#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

osg::ref_ptr<FaceGeom> copyGeometry(const FaceGeom& source);
osg::ref_ptr<FaceMorph> copyMorph(const FaceMorph& source);
osg::ref_ptr<TarvFaceObject> copyFace(const TarvFaceObject& source);

}  // namespace mw
