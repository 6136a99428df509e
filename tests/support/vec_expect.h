#pragma once
// Comparing vectors component by component within a tolerance.

#include <osg/Vec3d>

#include <gtest/gtest.h>

namespace mw::test {

inline void expectVec(const osg::Vec3d& actual, const osg::Vec3d& expected, double tolerance = 1e-5)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance) << "x of " << actual.x() << ' ' << actual.y() << ' ' << actual.z();
    EXPECT_NEAR(actual.y(), expected.y(), tolerance) << "y of " << actual.x() << ' ' << actual.y() << ' ' << actual.z();
    EXPECT_NEAR(actual.z(), expected.z(), tolerance) << "z of " << actual.x() << ' ' << actual.y() << ' ' << actual.z();
}

}  // namespace mw::test
