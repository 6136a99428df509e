// The panes inside the main frame: enabling, redraws, and what they change is saved.

#include <QAction>
#include <QStatusBar>

#include <gtest/gtest.h>

#include "app/command_table.h"
#include "app/morph_bar.h"
#include "app/property_grid.h"
#include "authoring/comparison_loading.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

class FramePanesTest : public EditorTest {
protected:
    CMorphBar& bar() { return frame->morphBar(); }
    CPropertyGrid& grid() { return frame->propertyGrid(); }
    bool enabled(int id) { return act(id).isEnabled(); }
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
            EXPECT_EQ(enabled(id), k.geometry) << k.item->text(0).toStdString() << " " << id;
        EXPECT_EQ(enabled(c::ScaleMorph), k.morph);
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

    // A generated morph appears as one more item; resetting the values puts the slider back.
    ASSERT_TRUE(loadComparisonFace(state(), sourceDir() / "examples" / "sample-head-smile.tvf", prompt));
    frame->updateCommandStates();
    act(c::GenerateMorphTarget).trigger();
    EXPECT_EQ(childTexts(bar().morphRoot()), QStringList({"jaw_open", "blink", "brows_up", "morph"}));
    EXPECT_EQ(bar().morphRoot()->child(3)->data(0, Qt::UserRole).toInt(), 3);
    act(c::ResetMorphValues).trigger();
    EXPECT_EQ(bar().slider()->value(), 0);
}

TEST_F(FramePanesTest, RenameAndColourEditAreSavedAndDrawnAfterReload)
{
    const std::filesystem::path path = copySampleHead();
    ASSERT_TRUE(frame->openFace(QString::fromStdString(path.string())));
    EXPECT_FALSE(enabled(command::Save));

    // A rename alone makes the face savable.
    EXPECT_TRUE(bar().renameItem(bar().morphRoot()->child(1), "wink"));
    EXPECT_TRUE(enabled(command::Save));
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
    EXPECT_FALSE(enabled(command::Save));
    ASSERT_TRUE(frame->openFace(QString::fromStdString(path.string())));
    EXPECT_EQ(state().face->geometries[0]->diffuse, osg::Vec4(0.2f, 0.2f, 1.0f, 1.0f));
    EXPECT_EQ(state().face->morphs[1]->name, "wink");
    EXPECT_EQ(childTexts(bar().morphRoot()), QStringList({"jaw_open", "wink", "brows_up"}));
    EXPECT_EQ(grid().category()->childCount(), 0);
    EXPECT_EQ(grab(), after);

    // A file that cannot be read changes nothing that is shown.
    bar().selectGeometryItem(1);
    const QString diffuse = grid().valueText(CPropertyGrid::kDiffuse);
    EXPECT_FALSE(frame->openFace(QString::fromStdString((dir / "missing.tvf").string())));
    EXPECT_EQ(state().fileName, path);
    EXPECT_EQ(childTexts(bar().morphRoot()), QStringList({"jaw_open", "wink", "brows_up"}));
    EXPECT_EQ(bar().selectedGeometry(), 1);
    EXPECT_EQ(grid().valueText(CPropertyGrid::kDiffuse), diffuse);
}

}  // namespace
}  // namespace mw::test
