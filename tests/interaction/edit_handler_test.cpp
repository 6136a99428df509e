#include "interaction/edit_handler.h"

#include <cmath>
#include <initializer_list>
#include <numbers>

#include <gtest/gtest.h>
#include <osg/io_utils>

#include "interaction/screen_draw.h"
#include "tests/interaction/synthetic_events.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

using test::Event;

constexpr float kPixel = 1.0f / 256.0f;  // in a 512 x 512 window

struct Editor {
    Editor()
    {
        handler->enabled = true;
        handler->targetTransform = target;
        handler->lasso = lasso;
        handler->onTransformEdited = [this] { ++edits; };
        handler->onLassoClosed = [this] { ++closes; };
    }
    osg::Vec3d moved(const osg::Vec3d& p) const { return p * target->getMatrix(); }

    osg::ref_ptr<osg::MatrixTransform> target = new osg::MatrixTransform;
    osg::ref_ptr<ScreenDraw> lasso = new ScreenDraw;
    osg::ref_ptr<MienwrightHandler> handler =
        new MienwrightHandler([](float x, float y) { return normalisedToPixels(x, y, 512, 512); });
    test::EventDriver driver{*handler};
    int edits = 0, closes = 0;
};

TEST(MienwrightHandler, ScaleAndTranslateDragsCountVerticalPixelsOnly)
{
    Editor e;
    e.handler->mode = EditMode::Scale;
    e.driver.press(0.3f, 0);
    e.driver.drag(0.3f, 10 * kPixel);  // 10 pixels up
    EXPECT_FLOAT_EQ(e.handler->scale, 1.1f);
    e.driver.drag(0.9f, 0);  // 10 pixels down and sideways
    EXPECT_FLOAT_EQ(e.handler->scale, 1.1f * 0.9f);
    test::expectVec(e.moved({1, 2, 3}), osg::Vec3d(1, 2, 3) * (1.1 * 0.9));
    EXPECT_EQ(e.edits, 2);

    // A fast flick never collapses or mirrors the head: one step shrinks at most tenfold.
    for (float down : {90.0f, 100.0f, 150.0f, 400.0f}) {
        e.handler->setScale(2.0f);
        e.driver.press(0, 0.5f);
        e.driver.drag(0, 0.5f - down * kPixel);
        EXPECT_FLOAT_EQ(e.handler->scale, 0.2f) << down;
    }

    e.handler->setScale(1.0f);
    e.handler->mode = EditMode::Translate;
    e.driver.press(-0.5f, -0.5f);
    e.driver.drag(0.5f, -0.5f);
    EXPECT_EQ(e.handler->translation, osg::Vec3(0, 0, 0));
    e.driver.drag(0.5f, -0.5f + 100 * kPixel);
    test::expectVec(e.moved({0, 0, 0}), {0, 0.1, 0});
    // A middle drag (the camera's pan) counts from where the middle button went down.
    e.driver.press(0, 0.9f, Event::MIDDLE_MOUSE_BUTTON);
    e.driver.drag(0, 0.9f - 50 * kPixel, Event::MIDDLE_MOUSE_BUTTON);
    test::expectVec(e.moved({0, 0, 0}), {0, 0.05, 0});
    EXPECT_TRUE(e.lasso->points().empty());
    EXPECT_FALSE(e.driver.consumed);
}

TEST(MienwrightHandler, VertexModeRecordsAndClosesTheLasso)
{
    Editor e;
    e.handler->mode = EditMode::Vertex;
    // Overlay units (u, v) are normalised (u / 640 - 1, v / 512 - 1).
    e.driver.press(100.0f / 640 - 1, 100.0f / 512 - 1);
    for (osg::Vec2 p : {osg::Vec2(100, 100), osg::Vec2(200, 100), osg::Vec2(200, 200), osg::Vec2(100, 200)})
        e.driver.drag(p.x() / 640 - 1, p.y() / 512 - 1);
    EXPECT_FALSE(e.lasso->isInsideLasso(150, 150));  // still open
    e.driver.release(0, 0);
    ASSERT_EQ(e.lasso->points().size(), 5u);
    EXPECT_EQ(e.lasso->points().back(), osg::Vec2(100, 100));
    EXPECT_EQ(e.closes, 1);
    EXPECT_TRUE(e.lasso->isInsideLasso(150, 150));
    EXPECT_FALSE(e.lasso->isInsideLasso(250, 150));
    EXPECT_FALSE(e.lasso->isInsideLasso(150, 99));

    // In any mode only a left press starts over; a press and release without a drag stay empty.
    e.driver.press(0, 0, Event::MIDDLE_MOUSE_BUTTON);
    e.driver.drag(0.9f, 0.9f, Event::MIDDLE_MOUSE_BUTTON);  // a pan adds no tail to a finished lasso
    EXPECT_EQ(e.lasso->points().size(), 5u);
    e.handler->mode = EditMode::Navigation;
    e.driver.press(0, 0, Event::RIGHT_MOUSE_BUTTON);
    EXPECT_TRUE(e.lasso->isInsideLasso(150, 150));
    e.driver.press(0, 0);
    EXPECT_FALSE(e.lasso->isInsideLasso(150, 150));
    e.driver.drag(0.5f, 0.5f);
    e.driver.key('a');
    e.handler->mode = EditMode::Vertex;
    e.driver.release(0.5f, 0.5f);
    EXPECT_TRUE(e.lasso->points().empty());
    EXPECT_FALSE(e.lasso->isClosed());
    EXPECT_EQ(e.closes, 1);
    e.driver.drag(0.5f, 0.5f);
    e.driver.release(0.5f, 0.5f);  // a lasso of one point closes onto itself
    EXPECT_EQ(e.edits, 0);
    EXPECT_EQ(e.target->getMatrix(), osg::Matrixd());
    e.handler->enabled = false;  // a disabled handler ignores even a left press
    e.driver.press(0, 0);
    EXPECT_EQ(e.lasso->points().size(), 2u);
    EXPECT_FALSE(e.driver.consumed);
}

TEST(MienwrightHandler, TurnsComposeAfterScaleBeforeTranslation)
{
    Editor e;
    e.handler->rotate(0, 1, 0, 90);  // a quarter turn about -y carries +x to +z
    test::expectVec(e.moved({1, 0, 0}), {0, 0, 1});
    for (int i = 0; i < 3; ++i) e.handler->rotate(0, 1, 0, 90);
    // 90 degrees are pi * 90 * float(1/180) radians, a little more than a quarter turn.
    const double residue = 4 * std::numbers::pi * 90 * static_cast<double>(1.0f / 180.0f) - 2 * std::numbers::pi;
    const osg::Quat& q = e.handler->rotation;
    EXPECT_NEAR(2 * std::atan2(q.asVec3().length(), std::fabs(q.w())), residue, 1e-9);

    e.handler->resetTransform();
    e.handler->setScale(2);
    e.handler->setTranslation(0, 1, 0);
    e.handler->rotate(-1, 0, 0, 90);  // about +x: +y to +z
    test::expectVec(e.moved({0, 1, 0}), {0, 1, 2});
    e.handler->rotate(0, 1, 0, 90);
    test::expectVec(e.moved({1, 0, 0}), {0, 1, 2});

    const osg::Matrixd before = e.target->getMatrix();
    e.handler->resetTransform();
    EXPECT_EQ(e.target->getMatrix(), before);
    e.handler->updateTransform();
    EXPECT_EQ(e.target->getMatrix(), osg::Matrixd());
}

void draw(ScreenDraw& lasso, std::initializer_list<osg::Vec2> path, bool close = true)
{
    lasso.clearLasso();
    for (const osg::Vec2& p : path) lasso.addLassoPoint(p.x(), p.y());
    if (close) lasso.closeLasso();
}

TEST(ScreenDraw, CrossingTestFixedBoundsAndEmptyCopies)
{
    osg::ref_ptr<ScreenDraw> lasso = new ScreenDraw;
    // A U shape: the ray from an arm crosses three or one edges, from the notch two.
    draw(*lasso, {{100, 100}, {400, 100}, {400, 300}, {300, 300}, {300, 200}, {200, 200}, {200, 300}, {100, 300}});
    EXPECT_TRUE(lasso->isInsideLasso(150, 250));
    EXPECT_FALSE(lasso->isInsideLasso(250, 250));
    EXPECT_TRUE(lasso->isInsideLasso(350, 250));
    EXPECT_TRUE(lasso->isInsideLasso(250, 150));

    // Closing adds the edge back to the start; the cached box follows each new path.
    draw(*lasso, {{0, 0}, {500, 0}, {500, 500}}, false);
    EXPECT_FALSE(lasso->isInsideLasso(400, 100));
    lasso->closeLasso();
    EXPECT_TRUE(lasso->isInsideLasso(400, 100));
    EXPECT_FALSE(lasso->isInsideLasso(100, 400));  // beyond the diagonal
    draw(*lasso, {{600, 600}, {900, 600}, {-5000, 9000}});
    EXPECT_TRUE(lasso->isInsideLasso(800, 700));
    EXPECT_FALSE(lasso->isInsideLasso(400, 100));

    osg::ref_ptr<ScreenDraw> copy = dynamic_cast<ScreenDraw*>(lasso->clone(osg::CopyOp::DEEP_COPY_ALL));
    ASSERT_TRUE(copy.valid());
    EXPECT_TRUE(copy->points().empty());
    EXPECT_FALSE(copy->isClosed());
}

}  // namespace
}  // namespace mw
