#pragma once
// Where a face stands in the scene: a uniform scale, a rotation and a translation, applied in
// that order. The head's placement is baked into its vertices when it is saved; the
// comparison face's when its difference is taken.

#include <osg/Matrixd>
#include <osg/Quat>
#include <osg/Vec3>

#include "model/edit_transform.h"

namespace mw {

struct HeadPlacement {
    float scale = 1.0f;
    osg::Vec3 translation;
    osg::Quat rotation;

    osg::Matrixd matrix() const { return editMatrix(scale, rotation, translation); }
    bool isIdentity() const { return matrix().isIdentity(); }
    friend bool operator==(const HeadPlacement&, const HeadPlacement&) = default;
};

}  // namespace mw
