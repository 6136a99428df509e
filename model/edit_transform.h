#pragma once
// The edit transform's arithmetic: a uniform scale, a rotation and a translation applied in that order.

#include <osg/Matrixd>
#include <osg/Quat>
#include <osg/Vec3>

namespace mw {

// scale x rotation x translation in row-vector order: points are scaled, then turned, then moved.
osg::Matrixd editMatrix(float scale, const osg::Quat& rotation, const osg::Vec3& translation);

// rotation followed by a turn of `degrees` about (-ax, -ay, az). The degree factor is 1/180 in
// single precision, so four quarter turns leave a residue of about 1.5e-7 radians.
osg::Quat turnedRotation(const osg::Quat& rotation, float ax, float ay, float az, float degrees);

// Smallest factor one scale-drag step may apply; reached by a step of 90 pixels down.
inline constexpr float kMinScaleStepFactor = 0.1f;

// scale after a drag step of dyPixels (positive is up): x(1 + dy/100), so 10 pixels up give x1.1 and
// 10 down x0.9. One step never shrinks below a tenth, so the scale can neither collapse to zero nor
// mirror; a result that is not a normal positive float keeps the old scale.
float scaledByDrag(float scale, float dyPixels);

}  // namespace mw
