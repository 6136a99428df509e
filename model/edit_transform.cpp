#include "model/edit_transform.h"

#include <algorithm>
#include <cmath>

#include <osg/Math>

namespace mw {

osg::Matrixd editMatrix(float scale, const osg::Quat& rotation, const osg::Vec3& translation)
{
    return osg::Matrixd::scale(scale, scale, scale) * osg::Matrixd::rotate(rotation) *
           osg::Matrixd::translate(translation);
}

osg::Quat turnedRotation(const osg::Quat& rotation, float ax, float ay, float az, float degrees)
{
    const double angle = static_cast<double>(degrees) * osg::PI * static_cast<double>(0.0055555557f);
    const osg::Matrixd turn = osg::Matrixd::rotate(angle, -ax, -ay, az);
    return (osg::Matrixd::rotate(rotation) * turn).getRotate();
}

float scaledByDrag(float scale, float dyPixels)
{
    const float factor = std::max(dyPixels * 0.01f + 1.0f, kMinScaleStepFactor);
    const float next = factor * scale;
    if (!std::isnormal(next) || next <= 0.0f) return scale;
    return next;
}

}  // namespace mw
