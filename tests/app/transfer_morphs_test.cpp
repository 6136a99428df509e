// Tools > "Transfer Morphs from Rig...": the pairing dialog, the morphs it adds as one undo
// step and the registration distance in the status bar.

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

#include "app/command_table.h"
#include "app/morph_bar.h"
#include "app/transfer_morphs_dialog.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"
#include "tests/support/face_builders.h"

namespace mw::test {
namespace {

using TransferMorphsTest = EditorTest;

TEST_F(TransferMorphsTest, PairingIsPrefilledByNameCheckedAndTheMorphsAreOneUndoStep)
{
    openSampleHead();
    // The rig: the sample head with its morphs under other names.
    const osg::ref_ptr<TarvFaceObject> rig = readFaceFile(sourceDir() / "examples" / "sample-head.tvf");
    for (const auto& m : rig->morphs)
        m->name = "rig_" + m->name;
    ASSERT_TRUE(writeFaceFile(dir / "rig.tvf", *rig));
    prompt.openFiles.push_back(dir / "rig.tvf");
    const std::size_t before = doc().face->morphs.size();
    EXPECT_TRUE(answerDialog<CTransferMorphsDialog>([&] { act(command::TransferMorphsFromRig).trigger(); },
                                                     [&](CTransferMorphsDialog& d) {
        EXPECT_EQ(accessibleName(&d), "Transfer Morphs from Rig");
        auto* table = d.findChild<QTableWidget*>();
        ASSERT_EQ(table->rowCount(), 3);
        EXPECT_EQ(table->item(0, 0)->text(), "skin");
        EXPECT_EQ(table->item(0, 1)->text(), "skin");
        table->item(2, 1)->setText("nope");  // the brows: a name the rig does not have
        withText<QPushButton>(d, "Transfer")->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_NE(withText<QLabel>(d, "The rig has no geometry named \"nope\""), nullptr);
        table->item(2, 1)->setText("");  // no offsets for the brows
        withText<QPushButton>(d, "Transfer")->click();
    }));
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_EQ(doc().face->morphs.size(), before + 3);
    EXPECT_EQ(doc().face->morphs[before]->name, "rig_jaw_open");
    EXPECT_GT(entryCount(*doc().face->morphs[before]), 20u);
    EXPECT_EQ(entryCount(*doc().face->morphs[before + 2]), 0u);  // brows_up moved only the brows
    EXPECT_EQ(childTexts(frame->morphBar().morphRoot()).size(), static_cast<qsizetype>(before + 3));
    EXPECT_TRUE(frame->statusBar()->currentMessage().startsWith("Transferred 3 morphs; registration distance: mean "));
    EXPECT_TRUE(frame->statusBar()->currentMessage().endsWith("without offsets: brows"));
    EXPECT_EQ(act(command::Undo).text(), "&Undo Transfer Morphs from Rig");
    act(command::Undo).trigger();
    EXPECT_EQ(doc().face->morphs.size(), before);
}

}  // namespace
}  // namespace mw::test
