// The main frame's menus, toolbar and panes, and its commands run as a user runs them.

#include <set>
#include <stdexcept>

#include <QAccessible>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include "app/morph_value_dialogs.h"
#include "app/open_face_dialog.h"
#include "authoring/comparison_loading.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

QString accessibleName(QObject* object)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
}

// The menu's items as one line: texts without mnemonics, "-" for a separator.
QString itemsOf(const QMenu& menu)
{
    QStringList items;
    for (QAction* action : menu.actions())
        items << (action->isSeparator() ? QStringLiteral("-") : QString(action->text()).remove(QLatin1Char('&')));
    return items.join(QLatin1Char('|'));
}

QPushButton* button(QWidget& dialog, const QString& text)
{
    for (auto* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Opens a modal dialog with `open` and, once it is up, lets `answer` close it. False when no
// dialog of that kind came up (any other modal window is closed, so the test cannot hang).
template <typename Dialog>
bool answerDialog(const std::function<void()>& open, const std::function<void(Dialog&)>& answer)
{
    bool answered = false;
    QTimer poll;
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Dialog*>(modal); dialog && dialog->isVisible()) {
            poll.stop();
            answered = true;
            answer(*dialog);
        } else if (++ticks > 300 && modal) {
            modal->close();
        }
    });
    poll.start(10);
    open();
    poll.stop();
    return answered;
}

class FrameTest : public EditorTest {
protected:
    QAction& act(int id) { return *frame->action(id); }
    QMenu& menu(const QString& title)
    {
        for (QAction* a : frame->menuBar()->actions())
            if (a->text() == title)
                return *a->menu();
        throw std::runtime_error("no menu " + title.toStdString());
    }
    // The ids of the commands that are enabled, and of those that carry a check mark.
    std::set<int> enabledIds()
    {
        frame->updateCommandStates();
        std::set<int> ids;
        for (const Command& c : commandTable())
            if (act(c.id).isEnabled())
                ids.insert(c.id);
        return ids;
    }
    std::set<int> checkedIds()
    {
        std::set<int> ids;
        for (const Command& c : commandTable())
            if (act(c.id).isChecked())
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
    EXPECT_EQ(itemsOf(menu("&File")), "Open...|Save|Save As...|Export glTF...|-|Open Recent|-|Exit");
    EXPECT_EQ(itemsOf(menu("&Edit")), "Undo|Redo|-|Cut|Copy|Paste");
    EXPECT_EQ(itemsOf(menu("&View")), "Toolbar|Status Bar|-|Morphed Normals");
    EXPECT_EQ(itemsOf(menu("&Help")), "About Mienwright...");
    EXPECT_EQ(itemsOf(menu("&Morph")), "Delete|Duplicate|-|Move Up|Move Down|-|Mirror|New Morph from Mix");
    EXPECT_EQ(itemsOf(*frame->contextMenu(kMorphContextMenu)), "Delete|Duplicate|-|Move Up|Move Down|-|Mirror");
    EXPECT_EQ(itemsOf(menu("Tools")),
              "Navigation Mode|Translate Mode|Scale Mode|Vertex Mode|-|Auto Scale|Flip Polygon Order|-|"
              "Toggle Render Mode|-|Turn Right|Turn Up|-|Generate morph target|Cancel morph target|"
              "Highlight difference|Fit Comparison Face|Set morph threshhold|Create Morphs from Files...|-|"
              "Reset morph values|Scale morph|-|Compute neck vertices|"
              "Keep selected neck vertices|Discard selected neck vertices|Add to neck vertices|Clear neck vertices|-|"
              "Show geometry|Hide geometry");
    EXPECT_EQ(itemsOf(*frame->contextMenu(164)), "Show geometry|Hide geometry|Flip Polygon Order");
    frame->showContextMenu(164);
    ASSERT_TRUE(waitFor([&] { return QApplication::activePopupWidget() == frame->contextMenu(164); }));
    frame->contextMenu(164)->close();

    QList<QVariant> toolbar;
    for (QAction* a : frame->standardToolBar()->actions())
        toolbar << (a->isSeparator() ? QVariant(0) : a->data());
    EXPECT_EQ(toolbar, (QList<QVariant>{131, 133, 132, 150, 0, 130, 134, 135, 136, 57664}));
    for (QAction* a : frame->standardToolBar()->actions()) {
        if (a->isSeparator())
            continue;
        EXPECT_FALSE(a->icon().pixmap(16, 16).isNull()) << a->text().toStdString();
        EXPECT_EQ(accessibleName(frame->standardToolBar()->widgetForAction(a)), QString(a->text()).remove('&'));
    }
    EXPECT_EQ(act(57664).toolTip(), "About");
    EXPECT_EQ(act(135).statusTip(), "Turn the head 90 degrees to the right");
    EXPECT_EQ(act(57601).shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(act(57637).shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}));

    // What a screen reader hears is what the user reads.
    QMenu& tools = menu("Tools");
    QAccessibleInterface* toolsAccessible = QAccessible::queryAccessibleInterface(&tools);
    ASSERT_NE(toolsAccessible, nullptr);
    ASSERT_EQ(toolsAccessible->childCount(), tools.actions().size());
    for (int i = 0; i < tools.actions().size(); ++i)
        EXPECT_EQ(toolsAccessible->child(i)->text(QAccessible::Name), QString(tools.actions()[i]->text()).remove('&'));
    EXPECT_EQ(accessibleName(frame->morphPane()), "Head Info");
    EXPECT_EQ(accessibleName(frame->propertyPane()), "Property");
}

TEST_F(FrameTest, EnablingAndCheckMarksFollowWhatIsLoadedAndSelected)
{
    namespace c = command;
    const std::set<int> always = {c::Open, c::Exit, c::ViewToolbar, c::ViewStatusBar, c::About, c::SetMorphThreshold,
                                  c::ViewMorphedNormals};
    std::set<int> withFace = always;
    withFace.insert({c::SaveAs, c::ExportGltf, c::NavigationMode, c::TranslateMode, c::ScaleMode, c::VertexMode,
                     c::AutoScale, c::ToggleRenderMode, c::TurnRight, c::TurnUp, c::ResetMorphValues,
                     c::ComputeNeckVertices, c::CreateMorphsFromFiles, c::NewMorphFromMix});
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
             ASSERT_TRUE(loadComparisonFace(state(), sourceDir() / "examples" / "sample-head-smile.tvf", prompt));
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
        state().modified = false;
        EXPECT_EQ(enabledIds(), situation.enabled);
        EXPECT_EQ(checkedIds(),
                  (std::set<int>{situation.mode, c::ViewToolbar, c::ViewStatusBar, c::ViewMorphedNormals}));
    }
    // A change to the face makes it savable; a disabled command does nothing when asked.
    act(c::TurnRight).trigger();
    EXPECT_TRUE(enabledIds().contains(c::Save));
    const auto morphs = state().face->morphs.size();
    frame->runCommand(c::GenerateMorphTarget);
    EXPECT_EQ(state().face->morphs.size(), morphs);
}

TEST_F(FrameTest, CreateMorphFromTheOpenDialogThenGenerateAddsOne)
{
    openSampleHead();
    // Create Morph through the Open dialog, then Generate morph target adds exactly one morph.
    prompt.openFiles.push_back(sourceDir() / "examples" / "sample-head-smile.tvf");
    EXPECT_TRUE(answerDialog<COpenFace>([&] { act(command::Open).trigger(); },
                                        [](COpenFace& d) {
                                            d.findChildren<QRadioButton*>().at(2)->setChecked(true);
                                            button(d, "OK")->click();
                                        }));
    ASSERT_TRUE(act(command::GenerateMorphTarget).isEnabled());
    const auto morphs = state().face->morphs.size();
    act(command::GenerateMorphTarget).trigger();
    EXPECT_EQ(state().face->morphs.size(), morphs + 1);
    EXPECT_FALSE(act(command::GenerateMorphTarget).isEnabled());
}

TEST_F(FrameTest, MorphsComeFromAFittedComparisonAndFromManyFilesAtOnce)
{
    namespace c = command;
    openSampleHead();
    const auto smile = sourceDir() / "examples" / "sample-head-smile.tvf";
    ASSERT_TRUE(loadComparisonFace(state(), smile, prompt));
    frame->runCommand(c::FitComparisonFace);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(state().differenceHighlight);
    frame->runCommand(c::CancelMorphTarget);

    const auto morphs = state().face->morphs.size();
    prompt.openFileLists.push_back({smile, smile});
    act(c::CreateMorphsFromFiles).trigger();
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_EQ(state().face->morphs.size(), morphs + 2);
    EXPECT_EQ(state().face->morphs.back()->name, "sample-head-smile");
    EXPECT_FALSE(state().face->morphs.back()->targets.front()->indices.empty() &&
                 state().face->morphs.back()->targets.back()->indices.empty());

    // A file that cannot be read is named and adds nothing.
    prompt.openFileLists.push_back({smile, dir / "missing.tvf"});
    act(c::CreateMorphsFromFiles).trigger();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], "Failed to load: " + (dir / "missing.tvf").string());
    EXPECT_EQ(state().face->morphs.size(), morphs + 2);
}

TEST_F(FrameTest, ThresholdDialogShowsTheThresholdAndSetKeepsIt)
{
    auto run = [&](const QString& expectedText, const QString& typed, const char* press) {
        return answerDialog<CMorphThreshhold>([&] { act(command::SetMorphThreshold).trigger(); },
                                              [&](CMorphThreshhold& d) {
                                                  EXPECT_EQ(d.windowTitle(), "Morph Threshhold");
                                                  auto* edit = d.findChild<QLineEdit*>();
                                                  EXPECT_EQ(edit->text(), expectedText);
                                                  EXPECT_EQ(accessibleName(edit), "Enter a morph threshhold");
                                                  edit->setText(typed);
                                                  button(d, press)->click();
                                              });
    };
    EXPECT_TRUE(run("0.001", "0.01", "Set"));
    EXPECT_EQ(state().morphThreshold, 0.01f);
    EXPECT_TRUE(run("0.01", "0", "Set"));
    EXPECT_EQ(state().morphThreshold, 0.0f);
    // Text that is not a number keeps the dialog open and says why.
    EXPECT_TRUE(answerDialog<CMorphThreshhold>([&] { act(command::SetMorphThreshold).trigger(); },
                                               [&](CMorphThreshhold& d) {
                                                   d.findChild<QLineEdit*>()->setText("abc");
                                                   button(d, "Set")->click();
                                                   EXPECT_TRUE(d.isVisible());
                                                   EXPECT_TRUE(d.findChild<QLabel*>("numberError")->isVisible());
                                                   button(d, "Cancel")->click();
                                               }));
    EXPECT_EQ(state().morphThreshold, 0.0f);
}

}  // namespace
}  // namespace mw::test
