// The real editor window under Xvfb: what the view draws and when, how it answers the user, and
// the panes beside it: enabling, redraws, and what they change is saved.

#include <QAction>
#include <QStatusBar>

#include <gtest/gtest.h>

#include "app/command_table.h"
#include "app/morph_bar.h"
#include "app/property_grid.h"
#include "view/view_operations.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

class FramePanesTest : public EditorTest {
protected:
    CMorphBar& bar() { return frame->morphBar(); }
    CPropertyGrid& grid() { return frame->propertyGrid(); }
};

TEST_F(FramePanesTest, TreeSelectionDecidesWhichCommandsApply)
{
    openSampleHead();
    EXPECT_EQ(childTexts(bar().geometryRoot()), QStringList({"skin", "eyes", "brows"}));
    EXPECT_EQ(childTexts(bar().morphRoot()), QStringList({"jaw_open", "blink", "brows_up"}));

    namespace c = command;
    const int geometryCommands[] = {c::ShowGeometry, c::HideGeometry, c::FlipPolygonOrder, c::ClearNeckVertices};
    struct Case {
        QTreeWidgetItem* item;
        bool geometry, morph;
    };
    for (const Case& k : {Case{bar().geometryRoot()->child(1), true, false}, Case{bar().morphRoot()->child(0), false, true},
                          Case{bar().morphRoot(), false, false}}) {
        bar().tree()->setCurrentItem(k.item);
        for (int id : geometryCommands)
            EXPECT_EQ(act(id).isEnabled(), k.geometry) << k.item->text(0).toStdString() << " " << id;
        EXPECT_EQ(act(c::ScaleMorph).isEnabled(), k.morph);
        EXPECT_EQ(grid().shownGeometry(), k.geometry ? 1 : -1);
    }

    // Hide geometry from the context menu's command acts on the tree's geometry.
    bar().selectGeometryItem(1);
    act(c::HideGeometry).trigger();
    EXPECT_FALSE(state().faceNode->renderers()[1]->visible());

    // "Compute neck vertices" without a selection picks the skin and selects it in the tree.
    bar().tree()->setCurrentItem(bar().morphRoot());
    act(c::ComputeNeckVertices).trigger();
    EXPECT_EQ(bar().selectedGeometry(), 0);
    EXPECT_EQ(grid().shownGeometry(), 0);

    // Dragging the slider redraws the view at every step, although the view has no focus.
    bar().tree()->setCurrentItem(bar().morphRoot()->child(0));
    const QImage closed = grab();
    bar().slider()->setSliderDown(true);
    for (int p : {20, 40, 60}) {
        const auto frames = view().frameCount();
        bar().slider()->setSliderPosition(p);
        EXPECT_TRUE(waitFor([&] { return view().frameCount() > frames; }, 1000)) << p;
    }
    bar().slider()->setSliderDown(false);
    EXPECT_FALSE(view().hasFocus());
    EXPECT_NE(grab(), closed);

    act(c::ResetMorphValues).trigger();
    EXPECT_EQ(bar().slider()->value(), 0);
}

TEST_F(FramePanesTest, RenameAndColourEditAreSavedAndDrawnAfterReload)
{
    const std::filesystem::path path = copySampleHead();
    ASSERT_TRUE(frame->openFace(QString::fromStdString(path.string())));
    EXPECT_FALSE(act(command::Save).isEnabled());

    // A rename alone makes the face savable.
    EXPECT_TRUE(bar().renameItem(bar().morphRoot()->child(1), "wink"));
    EXPECT_TRUE(act(command::Save).isEnabled());
    EXPECT_EQ(act(command::Undo).text(), "&Undo Rename Morph");
    EXPECT_FALSE(bar().renameItem(bar().geometryRoot()->child(0), "left eye"));
    EXPECT_TRUE(frame->statusBar()->currentMessage().contains("left eye"));

    bar().selectGeometryItem(0);
    bar().tree()->setCurrentItem(bar().geometryRoot());  // no brackets in the pictures
    const QImage before = grab();
    const Rgb skin = rgbAt(before, before.width() / 2, before.height() / 2);
    bar().selectGeometryItem(0);
    ASSERT_TRUE(grid().editValue(CPropertyGrid::kDiffuse, "0.2; 0.2; 1"));
    bar().tree()->setCurrentItem(bar().geometryRoot());
    const QImage after = grab();
    const Rgb bluer = rgbAt(after, after.width() / 2, after.height() / 2);
    EXPECT_LT(bluer.r, skin.r / 2);
    EXPECT_GT(bluer.b, bluer.r);
    EXPECT_GE(bluer.b, skin.b * 4 / 5);

    act(command::Save).trigger();
    EXPECT_FALSE(frame->isModified());
    EXPECT_FALSE(act(command::Save).isEnabled());
    ASSERT_TRUE(frame->openFace(QString::fromStdString(path.string())));
    EXPECT_EQ(doc().face->geometries[0]->diffuse, osg::Vec4(0.2f, 0.2f, 1.0f, 1.0f));
    EXPECT_EQ(doc().face->morphs[1]->name, "wink");
    EXPECT_EQ(childTexts(bar().morphRoot()), QStringList({"jaw_open", "wink", "brows_up"}));
    EXPECT_EQ(grid().category()->childCount(), 0);
    EXPECT_EQ(grab(), after);

    // A file that cannot be read changes nothing that is shown.
    bar().selectGeometryItem(1);
    const QString diffuse = grid().valueText(CPropertyGrid::kDiffuse);
    EXPECT_FALSE(frame->openFace(QString::fromStdString((dir / "missing.tvf").string())));
    EXPECT_EQ(doc().fileName, path);
    EXPECT_EQ(childTexts(bar().morphRoot()), QStringList({"jaw_open", "wink", "brows_up"}));
    EXPECT_EQ(bar().selectedGeometry(), 1);
    EXPECT_EQ(grid().valueText(CPropertyGrid::kDiffuse), diffuse);
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

TEST_F(EditorTest, TheLassoStaysWhereItWasDrawnWhenTheWindowResizes)
{
    openSampleHead();
    ASSERT_TRUE(focusView());
    setEditMode(state(), EditMode::Vertex);
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
