#include "interaction/camera_manipulator.h"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>
#include <osg/Group>

#include "tests/interaction/synthetic_events.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

using test::Event;

osg::Vec3 row(const osg::Matrixd& m, int r) { return osg::Vec3(m(r, 0), m(r, 1), m(r, 2)); }

osg::ref_ptr<osg::Node> nodeWithBound(const osg::Vec3& centre, float radius)
{
    osg::ref_ptr<osg::Node> node = new osg::Node;
    node->setInitialBound(osg::BoundingSphere(centre, radius));
    return node;
}

TEST(MienwrightCamera, DefaultAndFramedResets)
{
    osg::ref_ptr<MienwrightCamera> camera = new MienwrightCamera;
    const double l = std::sqrt(68.0);  // |(0, 2, 8)|
    test::expectVec(camera->eye, {0, 2, 8});
    test::expectVec(row(camera->rotation, 0), {1, 0, 0});
    test::expectVec(row(camera->rotation, 1), {0, 8 / l, -2 / l});
    test::expectVec(row(camera->rotation, 2), {0, 2 / l, 8 / l});
    test::expectVec(osg::Vec3(osg::Vec3d(0, 0, 0) * camera->getInverseMatrix()), {0, 0, -l});

    camera->setByMatrix(osg::Matrixd::translate(5, 5, 5));
    camera->setByInverseMatrix(osg::Matrixd::rotate(1.0, 0, 1, 0));
    camera->setHomeNode(nodeWithBound({0, 0, 0}, 2));
    test::expectVec(camera->eye, {0, 2, 8});  // none of these moves the camera
    camera->resetView();
    test::expectVec(camera->eye, {0, 0, -7});
    test::expectVec(camera->center, {0, 0, 0});
    test::expectVec(row(camera->rotation, 0), {-1, 0, 0});
    test::expectVec(row(camera->rotation, 1), {0, 1, 0});
    test::expectVec(row(camera->rotation, 2), {0, 0, -1});  // looking along +z

    test::EventDriver driver(*camera);
    camera->setHomeNode(nodeWithBound({1, 2, 3}, 1));
    driver.scroll(Event::SCROLL_UP);
    driver.key(' ');
    test::expectVec(camera->eye, {1, 2, -0.5});
    test::expectVec(camera->center, {1, 2, 3});

    // Nothing to frame (an empty scene, a single point): the default view, not a degenerate matrix.
    for (osg::ref_ptr<osg::Node> home : {osg::ref_ptr<osg::Node>(new osg::Group), nodeWithBound({5, 5, 5}, 0)}) {
        camera->setHomeNode(home.get());
        camera->resetView();
        test::expectVec(row(camera->rotation, 2), {0, 2 / l, 8 / l});
    }

    // Straight down, +x serves as the up hint.
    camera->eye.set(0, 5, 0);
    camera->lookAtPoint({0, 0, 0});
    test::expectVec(row(camera->rotation, 0), {0, 0, 1});
    test::expectVec(row(camera->rotation, 1), {1, 0, 0});
    EXPECT_FALSE(driver.consumed);
}

TEST(MienwrightCamera, ZoomAndPanStepsOrbitNeedsFreeRotateOrAltAndStopsShortOfThePoles)
{
    bool alt = false;
    osg::ref_ptr<MienwrightCamera> camera = new MienwrightCamera([&alt] { return alt; });
    test::EventDriver driver(*camera);
    camera->eye.set(0, 0, 8);
    camera->lookAtPoint(camera->center);
    driver.scroll(Event::SCROLL_UP);
    driver.scroll(Event::SCROLL_UP);
    test::expectVec(camera->eye, {0, 0, 8 * 0.875 * 0.875});
    driver.scroll(Event::SCROLL_DOWN);
    test::expectVec(camera->eye, {0, 0, 6.125 * 1.125});
    driver.press(0.2f, 0.0f, Event::RIGHT_MOUSE_BUTTON);
    driver.drag(0.2f, 0.05f, Event::RIGHT_MOUSE_BUTTON);  // 0.05 up is one zoom unit
    test::expectVec(camera->eye, {0, 0, 6.125 * 1.125 * 0.875});

    // A middle drag of 0.1 to the right moves eye and centre 0.1 to the left, near or far.
    for (float distance : {camera->eye.z(), 40.0f}) {
        camera->eye.set(0, 0, distance);
        camera->center.set(0, 0, 0);
        driver.press(0.0f, 0.0f, Event::MIDDLE_MOUSE_BUTTON);
        driver.drag(0.1f, 0.0f, Event::MIDDLE_MOUSE_BUTTON);
        test::expectVec(camera->eye, {-0.1, 0, distance});
        driver.drag(0.1f, 0.3f, Event::MIDDLE_MOUSE_BUTTON);
        test::expectVec(camera->center, {-0.1, -0.3, 0});
    }
    // A pointer reported far outside the window counts as the left edge.
    driver.press(500.0f, 0.5f, Event::MIDDLE_MOUSE_BUTTON);
    EXPECT_EQ(camera->lastX, -1.0f);
    EXPECT_EQ(driver.redraws, 8);  // one per movement, none for presses

    camera->eye.set(0, 0, 8);
    camera->center.set(0, 0, 0);
    camera->lookAtPoint(camera->center);
    const osg::Vec3 eye = camera->eye;
    const osg::Matrixd rotation = camera->rotation;
    driver.press(0.0f, 0.0f);
    driver.drag(0.25f, 0.0f);
    EXPECT_TRUE(camera->eye == eye && camera->rotation == rotation);
    EXPECT_EQ(camera->lastX, 0.0f);  // a drag that does not orbit keeps the reference point

    alt = true;  // read when the event arrives
    driver.drag(0.25f, 0.0f);
    const double l = std::sqrt(68.0);  // the eye slides 2 to the left, then back to distance 8
    test::expectVec(camera->eye, {-16 / l, 0, 64 / l});
    test::expectVec(row(camera->rotation, 2), {-2 / l, 0, 8 / l});

    // From 82.9 degrees up, a step is accepted exactly when the eye stays within 85 degrees.
    camera->eye.set(0, 8, 1);
    camera->lookAtPoint(camera->center);
    const osg::Vec3 highEye = camera->eye;
    const osg::Matrixd highRotation = camera->rotation;
    const double d = std::sqrt(65.0);
    for (float dy : {-0.02f, -0.05f, -0.125f, -0.3f, 0.1f}) {
        camera->eye = highEye;
        camera->rotation = highRotation;
        const double a = -d * dy;
        const bool accepted = std::atan2(8 + a / d, std::fabs(1 - 8 * a / d)) * 180 / std::numbers::pi <= 85.0;
        camera->orbitVertical(dy);
        EXPECT_EQ(camera->eye != highEye || camera->rotation != highRotation, accepted) << dy;
        EXPECT_NEAR((camera->eye - camera->center).length(), d, 1e-5);
    }
    EXPECT_FALSE(driver.consumed);
}

}  // namespace
}  // namespace mw
