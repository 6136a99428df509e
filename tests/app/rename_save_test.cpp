// A rename in the tree reaches the saved file, counts as one undo step, and an unreadable file
// leaves the face, the tree and the property grid as they were.

#include <QAction>

#include <gtest/gtest.h>

#include "app/command_table.h"
#include "app/document_controller.h"
#include "app/morph_bar.h"
#include "app/property_grid.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

namespace fs = std::filesystem;

TEST_F(EditorTest, ARenamedMorphIsSavedAndUndoingItMakesTheFaceModifiedAgain)
{
    for (const char* name : {"sample-head.tvf", "sample-head-skin.png", "sample-head-eye.png"})
        fs::copy_file(sourceDir() / "examples" / name, dir / name);
    const fs::path file = dir / "sample-head.tvf";
    ASSERT_TRUE(frame->documents().openFile(QString::fromStdString(file.string())));
    CMorphBar& bar = frame->morphBar();
    QAction* save = frame->action(command::Save);
    EXPECT_FALSE(save->isEnabled());

    ASSERT_TRUE(bar.renameItem(bar.morphRoot()->child(0), QStringLiteral("jaw_drop")));
    EXPECT_TRUE(save->isEnabled());
    EXPECT_EQ(frame->action(command::Undo)->text().remove(QLatin1Char('&')), QStringLiteral("Undo Rename Morph"));
    ASSERT_TRUE(frame->documents().save());
    EXPECT_FALSE(save->isEnabled());
    const osg::ref_ptr<TarvFaceObject> saved = readFaceFile(file);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->morphs[0]->name, "jaw_drop");

    // Undone after the save: the old name is back in the tree and unsaved again.
    frame->action(command::Undo)->trigger();
    EXPECT_EQ(bar.morphRoot()->child(0)->text(0), QStringLiteral("jaw_open"));
    EXPECT_TRUE(save->isEnabled());

    // A file that cannot be read changes nothing that is shown.
    bar.selectGeometryItem(1);
    const QString diffuse = frame->propertyGrid().valueText(CPropertyGrid::kDiffuse);
    EXPECT_FALSE(frame->documents().openFile(QString::fromStdString((dir / "missing.tvf").string())));
    EXPECT_EQ(state().fileName, file);
    EXPECT_EQ(bar.morphRoot()->childCount(), 3);
    EXPECT_EQ(bar.selectedGeometry(), 1);
    EXPECT_EQ(frame->propertyGrid().valueText(CPropertyGrid::kDiffuse), diffuse);
}

}  // namespace
}  // namespace mw::test
