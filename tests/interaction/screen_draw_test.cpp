#include "interaction/screen_draw.h"

#include <initializer_list>

#include <gtest/gtest.h>

namespace mw {
namespace {

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
