// Morph > "Check ARKit Set..." and "Split Left/Right..." in the real window: the lists, the
// sheet, the preview of the left half, and one undo step each.

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/arkit_dialog.h"
#include "app/command_table.h"
#include "app/morph_bar.h"
#include "app/split_morph_dialog.h"
#include "authoring/morph_split.h"
#include "tests/app/editor_fixture.h"
#include "tests/support/face_builders.h"

namespace mw::test {
namespace {

using ArkitDialogsTest = EditorTest;

QStringList itemsOf(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; list && i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

TEST_F(ArkitDialogsTest, CheckListsTheSetShowsTheSheetAndRenamesInOneUndoStep)
{
    openSampleHead();
    ASSERT_TRUE(answerDialog<CArkitDialog>([&] { act(command::CheckArkitSet).trigger(); }, [](CArkitDialog& d) {
        EXPECT_EQ(itemsOf(d.findChild<QListWidget*>("Present")), QStringList({"jawOpen: jaw_open"}));
        EXPECT_EQ(itemsOf(d.findChild<QListWidget*>("Missing")).size(), 51);
        EXPECT_EQ(itemsOf(d.findChild<QListWidget*>("Extra")), QStringList({"blink", "brows_up"}));
        const auto* sheet = d.findChild<QLabel*>("arkitSheet");
        ASSERT_TRUE(sheet);
        EXPECT_FALSE(sheet->pixmap().isNull()) << sheet->text().toStdString();
        EXPECT_EQ(accessibleName(withText<QPushButton>(d, "Rename to ARKit")), "Rename to ARKit");
        withText<QPushButton>(d, "Rename to ARKit")->click();
    }));
    EXPECT_EQ(childTexts(frame->morphBar().morphRoot()), QStringList({"jawOpen", "blink", "brows_up"}));
    EXPECT_EQ(act(command::Undo).text(), "&Undo Rename to ARKit");
    act(command::Undo).trigger();
    EXPECT_EQ(childTexts(frame->morphBar().morphRoot()), QStringList({"jaw_open", "blink", "brows_up"}));
}

TEST_F(ArkitDialogsTest, SplitPreviewsTheLeftHalfRestoresOnCancelAndSplitsInOneUndoStep)
{
    openSampleHead();
    const osg::ref_ptr<FaceMorph> original = doc().face->morphs[2];
    const std::size_t entries = entryCount(*original);
    const float plane = doc().mirrorMap.get(*doc().face).planeX;
    frame->morphBar().tree()->setCurrentItem(frame->morphBar().morphRoot()->child(2));
    const QImage rest = grab();
    for (const bool confirm : {false, true}) {
        const auto open = [&] { act(command::SplitMorph).trigger(); };
        ASSERT_TRUE(answerDialog<CSplitMorphDialog>(open, [&](CSplitMorphDialog& d) {
            // The preview: the left half alone at weight 1, under the morph's own name.
            const FaceMorph& preview = *doc().face->morphs[2];
            EXPECT_EQ(preview.name, "brows_up");
            EXPECT_NE(&preview, original.get());
            EXPECT_LT(entryCount(preview), entries);
            EXPECT_GT(entryCount(preview), 0u);
            EXPECT_EQ(preview.targets[0]->weight, 1.0f);
            EXPECT_NE(grab(), rest);
            d.setWidth(0.0);  // a hard cut: nothing on the right of the plane remains
            const FaceMorph& cut = *doc().face->morphs[2];
            for (const auto& target : cut.targets)
                for (std::uint32_t v : target->indices)
                    for (const auto& g : doc().face->geometries) {
                        if (g->name == target->name) {
                            EXPECT_LE((*g->vertices)[v].x(), plane);
                        }
                    }
            if (confirm)
                withText<QPushButton>(d, "Split")->click();
            else
                withText<QPushButton>(d, "Cancel")->click();
        }));
        if (!confirm) {
            EXPECT_EQ(doc().face->morphs[2].get(), original.get());
            EXPECT_EQ(original->targets[0]->weight, 0.0f);
            EXPECT_FALSE(act(command::Undo).isEnabled());
        }
    }
    EXPECT_EQ(childTexts(frame->morphBar().morphRoot()), QStringList({"jaw_open", "blink", "brows_up_L", "brows_up_R"}));
    EXPECT_EQ(entryCount(*doc().face->morphs[2]) + entryCount(*doc().face->morphs[3]), entries);  // a hard cut
    EXPECT_EQ(act(command::Undo).text(), "&Undo Split Morph");
    act(command::Undo).trigger();
    EXPECT_EQ(childTexts(frame->morphBar().morphRoot()), QStringList({"jaw_open", "blink", "brows_up"}));
}

}  // namespace
}  // namespace mw::test
