// The main frame's menus, toolbar and panes, and its commands run as a user runs them: the
// Morph and Tools commands, Edit > Undo and Redo, View > Morphed Normals, File > Export glTF
// and the OBJ exports.

#include <set>
#include <stdexcept>

#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/morph_bar.h"
#include "app/morph_value_dialogs.h"
#include "app/open_face_dialog.h"
#include "authoring/comparison_loading.h"
#include "authoring/face_history.h"
#include "import/gltf_reader.h"
#include "import/load_face.h"
#include "model/face_operations.h"
#include "tests/app/editor_fixture.h"
#include "tests/support/face_builders.h"

namespace mw::test {
namespace {

// The menu's items as one line: texts without mnemonics, "-" for a separator.
QString itemsOf(const QMenu& menu)
{
    QStringList items;
    for (QAction* action : menu.actions())
        items << (action->isSeparator() ? QStringLiteral("-") : QString(action->text()).remove(QLatin1Char('&')));
    return items.join(QLatin1Char('|'));
}

class FrameTest : public EditorTest {
protected:
    QMenu& menu(const QString& title)
    {
        for (QAction* a : frame->menuBar()->actions())
            if (a->text() == title)
                return *a->menu();
        throw std::runtime_error("no menu " + title.toStdString());
    }
    // The ids of the commands whose action answers `flag` (enabled, checked) with true.
    std::set<int> idsWhere(bool (QAction::*flag)() const)
    {
        frame->updateCommandStates();
        std::set<int> ids;
        for (const Command& c : commandTable())
            if ((act(c.id).*flag)())
                ids.insert(c.id);
        return ids;
    }
};

TEST_F(FrameTest, MenusToolbarAndContextMenuAreLaidOutAsTheUserKnowsThem)
{
    QStringList titles;
    for (QAction* a : frame->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles.join(QLatin1Char('|')), "&File|&Edit|&View|&Help|Tools|&Morph");
    EXPECT_EQ(itemsOf(menu("&File")), "Open...|Save|Save As...|Export glTF...|Export OBJ...|Export Morphs as OBJ Files...|-|Open Recent|-|Exit");
    EXPECT_EQ(itemsOf(menu("&Edit")), "Undo|Redo|-|Cut|Copy|Paste");
    EXPECT_EQ(itemsOf(menu("&View")), "Toolbar|Status Bar|-|Morphed Normals");
    EXPECT_EQ(itemsOf(menu("&Help")), "About Mienwright...");
    EXPECT_EQ(itemsOf(menu("&Morph")),
              "Delete|Duplicate|-|Move Up|Move Down|-|Mirror|New Morph from Mix|-|Split Left/Right...|Check ARKit Set...");
    EXPECT_EQ(itemsOf(*frame->contextMenu(kMorphContextMenu)), itemsOf(menu("&Morph")));
    EXPECT_EQ(itemsOf(menu("Tools")),
              "Navigation Mode|Translate Mode|Scale Mode|Vertex Mode|-|Auto Scale|Flip Polygon Order|-|"
              "Toggle Render Mode|-|Turn Right|Turn Up|-|Generate morph target|Cancel morph target|"
              "Highlight difference|Fit Comparison Face|Set morph threshhold|Create Morphs from Files...|Transfer Morphs from Rig...|-|"
              "Reset morph values|Scale morph|-|Compute neck vertices|"
              "Keep selected neck vertices|Discard selected neck vertices|Add to neck vertices|Clear neck vertices|-|"
              "Show geometry|Hide geometry");
    EXPECT_EQ(itemsOf(*frame->contextMenu(164)), "Show geometry|Hide geometry|Flip Polygon Order");
    frame->showContextMenu(164);
    ASSERT_TRUE(waitFor([&] { return QApplication::activePopupWidget() == frame->contextMenu(164); }));
    frame->contextMenu(164)->close();

    QList<QVariant> toolbar;
    for (QAction* a : frame->standardToolBar()->actions()) {
        toolbar << (a->isSeparator() ? QVariant(0) : a->data());
        if (a->isSeparator())
            continue;
        EXPECT_FALSE(a->icon().pixmap(16, 16).isNull()) << a->text().toStdString();
        EXPECT_EQ(accessibleName(frame->standardToolBar()->widgetForAction(a)), QString(a->text()).remove('&'));
    }
    EXPECT_EQ(toolbar, (QList<QVariant>{131, 133, 132, 150, 0, 130, 134, 135, 136, 57664}));
    EXPECT_EQ(act(57664).toolTip(), "About");
    EXPECT_EQ(act(135).statusTip(), "Turn the head 90 degrees to the right");
    EXPECT_EQ(act(57601).shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(act(57637).shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}));

    // What a screen reader hears is what the user reads.
    QStringList tools;
    for (QAction* a : menu("Tools").actions())
        tools << QString(a->text()).remove('&');
    EXPECT_EQ(accessibleChildNames(&menu("Tools")), tools);
    EXPECT_EQ(accessibleName(frame->morphPane()), "Head Info");
    EXPECT_EQ(accessibleName(frame->propertyPane()), "Property");
}

TEST_F(FrameTest, EnablingAndCheckMarksFollowWhatIsLoadedAndSelected)
{
    namespace c = command;
    const std::set<int> always = {c::Open, c::Exit, c::ViewToolbar, c::ViewStatusBar, c::About, c::SetMorphThreshold,
                                  c::ViewMorphedNormals};
    std::set<int> withFace = always;
    withFace.insert({c::SaveAs, c::ExportGltf, c::ExportObj, c::ExportMorphsObj, c::NavigationMode, c::TranslateMode, c::ScaleMode, c::VertexMode,
                     c::AutoScale, c::ToggleRenderMode, c::TurnRight, c::TurnUp, c::ResetMorphValues,
                     c::ComputeNeckVertices, c::CreateMorphsFromFiles, c::TransferMorphsFromRig, c::NewMorphFromMix,
                     c::CheckArkitSet});
    std::set<int> withComparison = withFace, withLasso = withFace;
    withComparison.insert({c::GenerateMorphTarget, c::CancelMorphTarget, c::HighlightDifference, c::FitComparisonFace});
    withLasso.insert({c::KeepNeckVertices, c::DiscardNeckVertices, c::AddNeckVertices});

    struct Situation {
        const char* name;
        std::function<void()> setUp;
        std::set<int> enabled;
        int mode;
    };
    const Situation situations[] = {
        {"no face", [] {}, always, c::NavigationMode},
        {"face", [&] { openSampleHead(); }, withFace, c::NavigationMode},
        {"comparison",
         [&] {
             ASSERT_TRUE(loadComparisonFace(doc(), sourceDir() / "examples" / "sample-head-smile.tvf", prompt));
         },
         withComparison, c::NavigationMode},
        {"closed lasso in vertex mode",
         [&] {
             frame->runCommand(c::CancelMorphTarget);
             act(c::VertexMode).trigger();
             frame->selectGeometry(0);
             for (auto [x, y] : {std::pair{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}})
                 state().lasso->addLassoPoint(x, y);
             state().lasso->closeLasso();
         },
         withLasso, c::VertexMode},
    };
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.name);
        situation.setUp();
        markSaved(doc());
        EXPECT_EQ(idsWhere(&QAction::isEnabled), situation.enabled);
        EXPECT_EQ(idsWhere(&QAction::isChecked),
                  (std::set<int>{situation.mode, c::ViewToolbar, c::ViewStatusBar, c::ViewMorphedNormals}));
    }
    // A change to the face makes it savable; a disabled command does nothing when asked.
    act(c::TurnRight).trigger();
    EXPECT_TRUE(idsWhere(&QAction::isEnabled).contains(c::Save));
    const auto morphs = doc().face->morphs.size();
    frame->runCommand(c::GenerateMorphTarget);
    EXPECT_EQ(doc().face->morphs.size(), morphs);
}

TEST_F(FrameTest, MorphsComeFromTheOpenDialogsComparisonAndFromManyFilesAtOnce)
{
    namespace c = command;
    openSampleHead();
    // Create Morph in the Open dialog loads the comparison; fitted, it makes exactly one morph.
    const auto smile = sourceDir() / "examples" / "sample-head-smile.tvf";
    prompt.openFiles.push_back(smile);
    EXPECT_TRUE(answerDialog<COpenFace>([&] { act(c::Open).trigger(); }, [](COpenFace& d) {
        withText<QRadioButton>(d, "Create Morph")->setChecked(true);
        withText<QPushButton>(d, "OK")->click();
    }));
    frame->runCommand(c::FitComparisonFace);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(state().differenceHighlight);
    ASSERT_TRUE(act(c::GenerateMorphTarget).isEnabled());
    const auto morphs = doc().face->morphs.size();
    act(c::GenerateMorphTarget).trigger();
    EXPECT_EQ(doc().face->morphs.size(), morphs + 1);
    const QTreeWidgetItem* tree = frame->morphBar().morphRoot();  // one more item in the tree
    EXPECT_EQ(childTexts(tree), QStringList({"jaw_open", "blink", "brows_up", "morph"}));
    EXPECT_EQ(tree->child(3)->data(0, Qt::UserRole).toInt(), 3);
    EXPECT_FALSE(act(c::GenerateMorphTarget).isEnabled());

    prompt.openFileLists.push_back({smile, smile});
    act(c::CreateMorphsFromFiles).trigger();
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_EQ(doc().face->morphs.size(), morphs + 3);
    EXPECT_EQ(doc().face->morphs.back()->name, "sample-head-smile");
    EXPECT_GT(entryCount(*doc().face->morphs.back()), 0u);

    // A file that cannot be read is named and adds nothing.
    prompt.openFileLists.push_back({smile, dir / "missing.tvf"});
    act(c::CreateMorphsFromFiles).trigger();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], "Failed to load: " + (dir / "missing.tvf").string() + " (no such file)");
    EXPECT_EQ(doc().face->morphs.size(), morphs + 3);
}

TEST_F(FrameTest, ThresholdDialogShowsTheThresholdAndSetKeepsIt)
{
    // Text that is not a number keeps the dialog open and says why.
    const struct {
        const char *shown, *typed;
        bool refused;
        float kept;
    } cases[] = {{"0.001", "0.01", false, 0.01f}, {"0.01", "0", false, 0.0f}, {"0", "abc", true, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_TRUE(answerDialog<CMorphThreshhold>([&] { act(command::SetMorphThreshold).trigger(); },
                                                   [&](CMorphThreshhold& d) {
            EXPECT_EQ(d.windowTitle(), "Morph Threshhold");
            auto* edit = d.findChild<QLineEdit*>();
            EXPECT_EQ(edit->text(), c.shown);
            EXPECT_EQ(accessibleName(edit), "Enter a morph threshhold");
            edit->setText(c.typed);
            withText<QPushButton>(d, "Set")->click();
            EXPECT_EQ(d.isVisible(), c.refused);
            EXPECT_EQ(d.findChild<QLabel*>("numberError")->isVisible(), c.refused);
            if (c.refused)
                withText<QPushButton>(d, "Cancel")->click();
        }));
        EXPECT_EQ(doc().morphThreshold, c.kept);
    }
}

TEST_F(FrameTest, MorphedNormalsIsCheckedAndSwitchesTheShadingOfEveryFace)
{
    openSampleHead();
    QAction& toggle = act(command::ViewMorphedNormals);  // checked at the start: see the test above
    EXPECT_TRUE(state().faceNode->morphedNormals());

    setMorphWeight(*doc().face, 0, 1.0f);  // jaw_open
    const QImage morphed = grab();
    toggle.trigger();
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_FALSE(state().faceNode->morphedNormals());
    EXPECT_NE(grab(), morphed);

    // A face opened later keeps the choice.
    openSampleHead();
    EXPECT_FALSE(state().faceNode->morphedNormals());
    toggle.trigger();
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_TRUE(state().faceNode->morphedNormals());
}

TEST_F(FrameTest, UndoAndRedoNameTheStepAndAnswerToMenuAndKeys)
{
    namespace c = command;
    const auto turned = [&] { return !state().scene.headTransform->getMatrix().isIdentity(); };
    EXPECT_EQ(act(c::Undo).shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
    EXPECT_EQ(act(c::Redo).shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
    openSampleHead();
    EXPECT_FALSE(act(c::Undo).isEnabled());
    EXPECT_FALSE(act(c::Redo).isEnabled());
    EXPECT_EQ(act(c::Undo).text(), "&Undo");

    act(c::TurnRight).trigger();
    act(c::ToggleRenderMode).trigger();  // not a change to the face
    EXPECT_TRUE(act(c::Undo).isEnabled());
    EXPECT_EQ(act(c::Undo).text(), "&Undo Turn Right");
    EXPECT_TRUE(act(c::Save).isEnabled());

    act(c::Undo).trigger();
    EXPECT_FALSE(turned());
    EXPECT_FALSE(act(c::Undo).isEnabled());
    EXPECT_EQ(act(c::Redo).text(), "&Redo Turn Right");
    EXPECT_FALSE(act(c::Save).isEnabled());  // back to the file as it was opened
    EXPECT_FALSE(frame->isModified());

    ASSERT_TRUE(focusView());
    const auto key = [&](int k, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(&view(), static_cast<Qt::Key>(k), modifiers);
        return turned();
    };
    EXPECT_TRUE(key(Qt::Key_Y, Qt::ControlModifier));
    EXPECT_FALSE(key(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_FALSE(key(Qt::Key_Backspace, Qt::AltModifier));

    // A head drag in translate mode is one step, whatever the number of pointer moves.
    act(c::TranslateMode).trigger();
    const QPoint middle(view().width() / 2, view().height() / 2);
    drag(middle, middle - QPoint(0, 40), Qt::LeftButton, 8);
    ASSERT_TRUE(waitFor([&] { return act(c::Undo).text() == "&Undo Move Head"; }));
    act(c::Undo).trigger();
    EXPECT_FALSE(turned());
    EXPECT_EQ(act(c::Undo).text(), "&Undo");

    openSampleHead();  // a load forgets the history
    EXPECT_FALSE(act(c::Redo).isEnabled());
}

TEST_F(FrameTest, ExportGltfWritesTheTurnedHeadWithItsMorphs)
{
    openSampleHead();
    const auto extent = [](const FaceGeom& g) {
        osg::BoundingBox box;
        for (const auto& v : *g.vertices)
            box.expandBy(v);
        return box._max - box._min;
    };
    const osg::Vec3 before = extent(*doc().face->geometries[0]);
    frame->runCommand(command::TurnRight);
    frame->runCommand(command::ExportGltf);  // cancelled: nothing is written
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    prompt.exportFiles.push_back(dir / "head");  // no extension: binary glTF
    frame->runCommand(command::ExportGltf);
    EXPECT_TRUE(prompt.messages.empty()) << prompt.messages.front();
    std::string failure;
    const auto exported = readGltfFile(dir / "head.glb", nullptr, &failure);
    ASSERT_TRUE(exported.valid()) << failure;
    const TarvFaceObject& face = *doc().face;
    ASSERT_EQ(exported->geometries.size(), face.geometries.size());
    EXPECT_EQ(morphNames(*exported), morphNames(face));
    // The quarter turn is in the file (and baked into the face, as saving does).
    const osg::Vec3 after = extent(*exported->geometries[0]);
    EXPECT_LT((after - extent(*face.geometries[0])).length(), 1e-4f);
    EXPECT_GT((after - before).length(), 0.1f);
}

TEST_F(FrameTest, ExportObjAndMorphsAsObjFilesWriteTheHeadAsItStands)
{
    openSampleHead();
    frame->runCommand(command::TurnRight);
    frame->runCommand(command::ExportObj);  // cancelled: nothing is written
    frame->runCommand(command::ExportMorphsObj);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    prompt.objExportFiles.push_back(dir / "head");  // the extension is added
    frame->runCommand(command::ExportObj);
    ASSERT_EQ(prompt.messages.size(), 1u);  // the morphs and neck vertices OBJ cannot hold
    const TarvFaceObject& face = *doc().face;
    const auto exported = loadFace(dir / "head.obj");
    ASSERT_TRUE(exported.valid());
    ASSERT_EQ(exported->geometries.size(), face.geometries.size());
    EXPECT_EQ(*exported->geometries[0]->vertices, *face.geometries[0]->vertices);  // turned, as the view shows it

    prompt.exportFolders.push_back(dir / "kit");
    frame->runCommand(command::ExportMorphsObj);
    for (const std::string& morph : morphNames(face)) {
        const auto shaped = loadFace(dir / "kit" / (morph + ".obj"));
        ASSERT_TRUE(shaped.valid()) << morph;
        EXPECT_EQ(shaped->geometries[0]->vertexIndices, exported->geometries[0]->vertexIndices);
    }
}

}  // namespace
}  // namespace mw::test
