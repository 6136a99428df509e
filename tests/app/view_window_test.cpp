// The real editor window under Xvfb: what the view shows, and how it answers the user.

#include <gtest/gtest.h>

#include "authoring/view_operations.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

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
