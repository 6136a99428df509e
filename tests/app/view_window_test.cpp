// The real editor window under Xvfb: what the view shows, and how it answers the user.

#include <gtest/gtest.h>

#include "authoring/view_operations.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

bool isHead(const Rgb& c) { return !isBackground(c) && !isGridGreen(c); }

TEST_F(EditorTest, LoadedHeadFillsTheMiddleAndTogglesToWireframe)
{
    openSampleHead();
    const QImage filled = grab();
    const QRect middle(filled.width() / 4, filled.height() / 4, filled.width() / 2, filled.height() / 2);
    const int headPixels = countPixels(filled, isHead, middle);
    EXPECT_GT(headPixels, middle.width() * middle.height() / 2);
    const Rgb centre = rgbAt(filled, filled.width() / 2, filled.height() / 2);
    EXPECT_TRUE(centre.r > centre.g && centre.g > centre.b) << "skin at the centre";
    for (QPoint corner : {QPoint(2, 2), QPoint(filled.width() - 3, 2)})
        EXPECT_TRUE(isBackground(rgbAt(filled, corner.x(), corner.y())));

    view().toggleRenderMode();
    frame->refreshView(true);
    const QImage wire = grab();
    const int wirePixels = countPixels(wire, isHead, middle);
    EXPECT_GT(wirePixels, 0);
    EXPECT_LT(wirePixels, headPixels * 3 / 5);
    EXPECT_GT(countPixels(wire, isBackground, middle), countPixels(filled, isBackground, middle) * 2);

    view().toggleRenderMode();
    EXPECT_EQ(grab(), filled);
}

TEST_F(EditorTest, SelectionBracketsAndNeckPointsFollowATurn)
{
    openSampleHead();
    const QImage before = grab();
    EXPECT_EQ(countPixels(before, isMarkerGreen), 0);

    const FaceGeom& skin = *state().face->geometries[0];
    const osg::BoundingBox box = state().faceNode->getDrawable(0)->getBoundingBox();
    auto checkSelection = [&](const osg::Matrixd& head, const char* when) {
        const QImage image = grab();
        // The corners nearest the camera (which looks along +z) are never hidden by the head.
        osg::BoundingBox turned;
        for (unsigned i = 0; i < 8; ++i)
            turned.expandBy(box.corner(i) * head);
        for (unsigned i = 0; i < 8; ++i) {
            const osg::Vec3 corner = box.corner(i) * head;
            if (corner.z() < turned.center().z()) {
                EXPECT_TRUE(pixelNear(image, project(corner), 2, isBracketWhite)) << when << " corner " << i;
            }
        }
        // Neck points on the near half of the ring.
        int near = 0, found = 0;
        for (std::uint32_t index : skin.clampIndices) {
            const osg::Vec3 p = (*skin.vertices)[index] * head;
            if (p.z() >= turned.center().z())
                continue;
            ++near;
            found += pixelNear(image, project(p), 2, isMarkerGreen) ? 1 : 0;
        }
        EXPECT_GT(near, 4) << when;
        EXPECT_GE(found * 4, near * 3) << when;
        return image;
    };

    view().showGeometrySelection(0);
    frame->refreshView(true);
    const QImage selected = checkSelection(osg::Matrixd::identity(), "before the turn");
    EXPECT_GT(countPixels(selected, isMarkerGreen), 0);

    view().turnRight();
    frame->refreshView(true);
    const osg::Matrixd head = state().scene.headTransform->getMatrix();
    EXPECT_FALSE(head.isIdentity());
    const QImage turned = checkSelection(head, "after the turn");
    EXPECT_NE(turned, selected);
}

TEST_F(EditorTest, AnIdleViewDrawsNothingAndAChangeDrawsAgain)
{
    openSampleHead();
    ASSERT_TRUE(focusView());
    QTest::qWait(100);  // let the frames of showing and focusing pass
    const auto idle = view().frameCount();
    QTest::qWait(300);  // some thirty timer ticks
    EXPECT_EQ(view().frameCount(), idle);

    // One wheel step, drawn by the timer because the view has the focus.
    const float distance = (state().camera->eye - state().camera->center).length();
    ASSERT_TRUE(focusView());
    wheel(120);
    ASSERT_TRUE(waitFor([&] { return view().frameCount() > idle; }))
        << "focus " << view().hasFocus() << " active " << frame->isActiveWindow();
    EXPECT_NEAR((state().camera->eye - state().camera->center).length(), distance * 0.875f, distance * 1e-4f);
    QTest::qWait(100);
    const auto settled = view().frameCount();
    QTest::qWait(300);
    EXPECT_EQ(view().frameCount(), settled);

    // Without the focus the view follows the wheel but does not draw it.
    view().clearFocus();
    ASSERT_TRUE(waitFor([&] { return !view().hasFocus(); }));
    const auto unfocused = view().frameCount();
    const osg::Vec3 eye = state().camera->eye;
    wheel(120);
    ASSERT_TRUE(waitFor([&] { return state().camera->eye != eye; }));
    QTest::qWait(100);
    EXPECT_EQ(view().frameCount(), unfocused);
}

TEST_F(EditorTest, PointerWheelAndSpaceMoveTheCamera)
{
    openSampleHead();
    ASSERT_TRUE(focusView());
    MienwrightCamera& camera = *state().camera;
    const osg::Vec3 homeEye = camera.eye, homeCenter = camera.center;
    const float distance = (homeEye - homeCenter).length();
    const QPoint middle(view().width() / 2, view().height() / 2);

    // Orbit: a left drag in navigation mode swings the eye around the centre.
    drag(middle, middle + QPoint(60, 0), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return camera.eye != homeEye; }));
    EXPECT_EQ(camera.center, homeCenter);
    EXPECT_NEAR((camera.eye - camera.center).length(), distance, distance * 1e-3f);

    // Space brings back the framed view.
    QTest::keyClick(&view(), Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return (camera.eye - homeEye).length() < 1e-4f; }));
    EXPECT_NEAR((camera.center - homeCenter).length(), 0.0f, 1e-5f);

    // In scale mode a left drag no longer orbits; it scales the head.
    view().setEditMode(2);
    drag(middle, middle - QPoint(0, 20), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return state().editHandler->scale > 1.0f; }));
    EXPECT_LT((camera.eye - homeEye).length(), 1e-4f);
    EXPECT_TRUE(state().modified);
}

TEST_F(EditorTest, TheLassoStaysWhereItWasDrawnWhenTheWindowResizes)
{
    openSampleHead();
    ASSERT_TRUE(focusView());
    view().setEditMode(3);
    const QSize size = view().size();
    // A square around the view's centre, a quarter of the view wide.
    const QPoint c(size.width() / 2, size.height() / 2), d(size.width() / 8, size.height() / 8);
    mouse(QEvent::MouseButtonPress, c - d, Qt::LeftButton, Qt::LeftButton);
    // Only drags add points: the first one is where the button went down.
    for (QPoint p : {c - d, QPoint(c.x() + d.x(), c.y() - d.y()), c + d, QPoint(c.x() - d.x(), c.y() + d.y())})
        mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(c.x() - d.x(), c.y() + d.y()), Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(waitFor([&] { return state().lasso->isClosed(); }));
    EXPECT_TRUE(state().lasso->isInsideLasso(640, 512));  // the overlay's centre

    // White outline on the middle of each side, in front of the head.
    auto sidesAreWhite = [](const QImage& image) {
        const QPoint m(image.width() / 2, image.height() / 2), e(image.width() / 8, image.height() / 8);
        for (QPoint side : {QPoint(m.x(), m.y() - e.y()), QPoint(m.x() + e.x(), m.y()), QPoint(m.x(), m.y() + e.y()),
                            QPoint(m.x() - e.x(), m.y())})
            if (!pixelNear(image, side, 2, isBracketWhite))
                return false;
        return true;
    };
    EXPECT_TRUE(sidesAreWhite(grab()));
    frame->resize(640, 300);
    ASSERT_TRUE(waitFor([&] { return view().size() != size; }));
    EXPECT_TRUE(sidesAreWhite(grab()));
}

}  // namespace
}  // namespace mw::test
