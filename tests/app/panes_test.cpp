// The "Head Info" and "Property" panes alone, with a host that records what they ask of the
// window, and the open-face, scale and number dialogs on their own.

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include "app/morph_bar.h"
#include "app/morph_value_dialogs.h"
#include "app/open_face_dialog.h"
#include "app/property_grid.h"
#include "app/qt_prompt.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw::test {
namespace {

class FakeHost : public PaneHost {
public:
    void selectGeometry(int index) override
    {
        selections.push_back(index);
        if (grid)
            grid->showGeometry(index);
    }
    void showContextMenu(int menuId) override { menus.push_back(menuId); }
    void runCommand(int id) override { commands.push_back(id); }
    void refreshView(bool render) override { redraws += render ? 1 : 0; }
    void updateCommandStates() override {}
    void showStatusMessage(const QString& text) override { status.push_back(text); }
    Document& document() override { return doc; }
    bool editFace(const std::string&, const std::function<bool(Document&)>& edit) override
    {
        const bool changed = edit(doc);
        edits += changed ? 1 : 0;
        return changed;
    }
    bool geometryTextureShown(int) const override { return true; }

    CPropertyGrid* grid = nullptr;
    Document doc;
    std::vector<int> selections, menus, commands;
    int redraws = 0, edits = 0;
    QStringList status;
};

// geom_0/geom_1; morphs "smile" (on both), an unnamed one on geom_0, an unnamed one without targets.
osg::ref_ptr<TarvFaceObject> testFace()
{
    auto g0 = makeGeom("geom_0", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    auto g1 = makeGeom("geom_1", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {0, 1, 2});
    g0->diffuse = {0.8f, 0.8f, 0.8f, 1};
    g0->texture = "skin.png";
    g1->diffuse = {1.0f, 1.5f, 0.0f, 1};
    return makeFace({g0, g1}, {makeMorph("smile", {makeTarget("geom_0", {1}, {{0, 1, 0}}), makeTarget("geom_1", {2}, {{1, 0, 0}})}),
                               makeMorph("", {makeTarget("geom_0", {0}, {{0, 0, 1}})}), makeMorph("", {})});
}

class PanesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QApplication::instance())
            GTEST_SKIP() << "no X display";
        window = std::make_unique<QSplitter>(Qt::Vertical);
        bar = new CMorphBar(host, window.get());
        grid = new CPropertyGrid(host, window.get());
        window->addWidget(bar);
        window->addWidget(grid);
        window->resize(210, 400);
        host.grid = grid;
        face = testFace();
        host.doc.face = face;
        bar->showFace();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QTreeWidgetItem* geometryItem(int i) { return bar->geometryRoot()->child(i); }
    QTreeWidgetItem* morphItem(int i) { return bar->morphRoot()->child(i); }
    // Opens the tree's editor on `item`, types `text` and ends with `key`.
    void editLabel(QTreeWidget* tree, QTreeWidgetItem* item, int column, const QString& text, Qt::Key key)
    {
        tree->setCurrentItem(item, column);
        if (!tree->indexWidget(tree->indexFromItem(item, column)))
            tree->editItem(item, column);
        QWidget* editor = tree->indexWidget(tree->indexFromItem(item, column));
        ASSERT_NE(editor, nullptr);
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line)
            line = editor->findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, key);
        QApplication::processEvents();
    }

    FakeHost host;
    std::unique_ptr<QSplitter> window;
    CMorphBar* bar = nullptr;
    CPropertyGrid* grid = nullptr;
    osg::ref_ptr<TarvFaceObject> face;
};

TEST_F(PanesTest, TreeListsTheFaceAndUnnamedMorphsAreSavedAsEmpty)
{
    QTreeWidget& tree = *bar->tree();
    EXPECT_EQ(childTexts(tree.invisibleRootItem()), QStringList({"Geometry", "Morph"}));
    EXPECT_EQ(childTexts(bar->geometryRoot()), QStringList({"geom_0", "geom_1"}));
    EXPECT_EQ(childTexts(bar->morphRoot()), QStringList({"smile", "[empty]", "[empty]"}));
    QTest::qWait(20);  // the tree lays out its rows
    const QStringList names = accessibleChildNames(&tree);  // what a screen reader lists
    for (const char* text : {"Geometry", "geom_0", "geom_1", "Morph", "smile", "[empty]"})
        EXPECT_TRUE(names.contains(text)) << text << " in " << names.join('|').toStdString();
    const auto saved = readFaceText(formatFace(*face));
    ASSERT_TRUE(saved && saved->morphs.size() == 3u);
    EXPECT_EQ(saved->morphs[1]->name, "[empty]");
    EXPECT_EQ(saved->morphs[2]->name, "[empty]");

    host.doc.face = nullptr;
    bar->showFace();
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}

TEST_F(PanesTest, SliderSetsTheSelectedMorphsWeightAndShowsItTruncated)
{
    struct Case {
        int position, shown;
    };
    for (const Case& c : {Case{100, 100}, Case{37, 37}, Case{1, 0}, Case{50, 50}, Case{38, 37}}) {
        bar->tree()->setCurrentItem(morphItem(0));
        const int redraws = host.redraws;
        bar->slider()->setValue(c.position);
        const float expected = static_cast<float>(c.position) * 0.01f;
        for (const auto& target : face->morphs[0]->targets)
            EXPECT_EQ(target->weight, expected) << c.position;
        EXPECT_EQ(host.redraws, redraws + 1);

        bar->tree()->setCurrentItem(morphItem(2));  // no targets
        EXPECT_EQ(bar->slider()->value(), 0);
        bar->tree()->setCurrentItem(morphItem(0));
        EXPECT_EQ(bar->slider()->value(), c.shown) << c.position;
        // Showing the weight never changes it.
        EXPECT_EQ(face->morphs[0]->targets[0]->weight, expected);
    }

    EXPECT_EQ(accessibleName(bar->slider()), "Morph weight");
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(bar->slider())->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 37);
    EXPECT_EQ(bar->sliderValue()->text(), "37");
    EXPECT_EQ(accessibleName(bar->sliderValue()), "37");
    EXPECT_TRUE(bar->sliderValue()->isVisible());

    bar->tree()->setCurrentItem(morphItem(2));
    bar->showSelectedWeight();
    EXPECT_EQ(bar->slider()->value(), 0);
    // Neither showing a weight nor moving the slider with a geometry selected touches a weight.
    bar->tree()->setCurrentItem(geometryItem(0));
    bar->slider()->setValue(80);
    EXPECT_EQ(face->morphs[0]->targets[0]->weight, 38 * 0.01f);
    EXPECT_EQ(face->morphs[1]->targets[0]->weight, 0.0f);
}

TEST_F(PanesTest, RenamingInPlaceReachesTheFaceOrSaysWhyNot)
{
    QTreeWidget* tree = bar->tree();
    editLabel(tree, geometryItem(0), 0, "jaw", Qt::Key_Return);
    EXPECT_EQ(geometryItem(0)->text(0), "jaw");
    EXPECT_EQ(face->geometries[0]->name, "jaw");
    EXPECT_EQ(face->morphs[0]->targets[0]->name, "jaw");
    EXPECT_EQ(face->morphs[1]->targets[0]->name, "jaw");
    EXPECT_EQ(face->morphs[0]->targets[1]->name, "geom_1");
    EXPECT_EQ(host.edits, 1);

    struct Case {
        QTreeWidgetItem* item;
        const char* text;
        Qt::Key key;
        const char* shown;
        bool note;
    };
    for (const Case& c : {Case{morphItem(0), "left eye", Qt::Key_Return, "smile", true},
                          Case{geometryItem(1), "jaw", Qt::Key_Return, "geom_1", true},
                          Case{morphItem(0), "grin", Qt::Key_Escape, "smile", false},
                          Case{morphItem(0), "", Qt::Key_Return, "smile", false}}) {
        const qsizetype notes = host.status.size();
        editLabel(tree, c.item, 0, c.text, c.key);
        EXPECT_EQ(c.item->text(0), c.shown) << c.text;
        EXPECT_EQ(host.status.size(), notes + (c.note ? 1 : 0)) << c.text;
    }
    EXPECT_EQ(face->morphs[0]->name, "smile");
    EXPECT_EQ(face->geometries[1]->name, "geom_1");
    EXPECT_EQ(host.edits, 1);
    EXPECT_TRUE(host.status.front().contains("left eye"));

    editLabel(tree, morphItem(1), 0, "blink", Qt::Key_Return);
    EXPECT_EQ(face->morphs[1]->name, "blink");
    EXPECT_EQ(host.edits, 2);

    // Root items are the tree's own: they cannot be edited.
    for (QTreeWidgetItem* root : {bar->geometryRoot(), bar->morphRoot()}) {
        tree->editItem(root);
        EXPECT_EQ(tree->indexWidget(tree->indexFromItem(root)), nullptr);
    }
}

TEST_F(PanesTest, RightClickOpensTheMenuOfGeometriesAndMorphsAndDeleteDeletesAMorph)
{
    QTreeWidget* tree = bar->tree();
    auto rightClick = [&](QTreeWidgetItem* item) {
        const QPoint at = tree->visualItemRect(item).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree->viewport(), &event);
    };
    for (QTreeWidgetItem* item : {bar->geometryRoot(), bar->morphRoot()})
        rightClick(item);
    EXPECT_TRUE(host.menus.empty());
    rightClick(morphItem(0));
    EXPECT_EQ(host.menus, std::vector<int>{CMorphBar::kMorphMenu});
    EXPECT_EQ(bar->selectedMorph(), 0);
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(host.commands, std::vector<int>{command::DeleteMorph});
    host.menus.clear();
    rightClick(geometryItem(1));
    QTest::keyClick(tree, Qt::Key_Delete);  // nothing to delete on a geometry
    EXPECT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.menus, std::vector<int>{CMorphBar::kGeometryMenu});
    EXPECT_EQ(bar->selectedGeometry(), 1);
}

TEST_F(PanesTest, GridShowsTheSelectedGeometrysMaterial)
{
    EXPECT_EQ(grid->category()->text(0), "Properties");
    EXPECT_EQ(grid->descriptionText(), "Properties for the selected item");
    EXPECT_EQ(grid->category()->childCount(), 0);

    struct Case {
        int geometry;
        QString texture, diffuse;
        QColor swatch;
    };
    for (const Case& c : {Case{1, "", "1.000; 1.500; 0.000", QColor(255, 126, 0)},
                          Case{0, "skin.png", "0.800; 0.800; 0.800", QColor(204, 204, 204)}}) {
        bar->selectGeometryItem(c.geometry);
        ASSERT_EQ(childTexts(grid->category()), QStringList({"Texture", "Diffuse", "Specular"}));
        EXPECT_EQ(grid->valueText(CPropertyGrid::kTexture), c.texture);
        EXPECT_EQ(grid->valueText(CPropertyGrid::kDiffuse), c.diffuse);
        EXPECT_EQ(grid->swatchColour(CPropertyGrid::kDiffuse), c.swatch);
        EXPECT_EQ(grid->valueText(CPropertyGrid::kSpecular), "0.000; 0.000; 0.000");
    }
    QTest::qWait(20);  // the tree lays out its rows
    const QStringList cells = accessibleChildNames(grid->tree());
    for (const char* text : {"Properties", "Texture", "skin.png", "Diffuse", "0.800; 0.800; 0.800", "Specular"})
        EXPECT_TRUE(cells.contains(text)) << text << " in " << cells.join('|').toStdString();
    grid->tree()->setCurrentItem(grid->item(CPropertyGrid::kSpecular));
    EXPECT_EQ(grid->descriptionText(), "The specular color of the geometry");

    // A new face empties the grid, even while a geometry of the old one was shown.
    grid->clearItems();
    EXPECT_EQ(grid->category()->childCount(), 0);
    EXPECT_EQ(grid->shownGeometry(), -1);
}

TEST_F(PanesTest, GridEditsReachTheGeometryAsStepsOfTheFacesHistory)
{
    TempDir dir;
    host.doc.fileName = dir / "face.tvf";
    bar->selectGeometryItem(0);
    FaceGeom& geometry = *face->geometries[0];
    geometry.diffuse.a() = 0.5f;

    // Typed into the cell.
    editLabel(grid->tree(), grid->item(CPropertyGrid::kDiffuse), 1, "0.5; 0.25; 1", Qt::Key_Return);
    EXPECT_EQ(geometry.diffuse, osg::Vec4(0.5f, 0.25f, 1.0f, 0.5f));
    EXPECT_EQ(grid->valueText(CPropertyGrid::kDiffuse), "0.500; 0.250; 1.000");
    EXPECT_EQ(grid->swatchColour(CPropertyGrid::kDiffuse), QColor(127, 63, 255));
    EXPECT_EQ(host.edits, 1);
    EXPECT_GE(host.redraws, 1);

    // Text that is not a colour is refused with the reason; nothing changes.
    EXPECT_FALSE(grid->editValue(CPropertyGrid::kSpecular, "bright"));
    ASSERT_EQ(host.status.size(), 1);
    EXPECT_TRUE(host.status.back().startsWith("Specular not changed: three numbers are needed")) << host.status.back().toStdString();
    EXPECT_EQ(grid->valueText(CPropertyGrid::kSpecular), "0.000; 0.000; 0.000");
    EXPECT_EQ(geometry.specular, osg::Vec4(0, 0, 0, 1));

    // The colour chooser starts at the swatch.
    QColor offered;
    grid->chooseColour = [&](const QColor& current) -> std::optional<QColor> {
        offered = current;
        return QColor(51, 102, 204);
    };
    EXPECT_TRUE(grid->pickColour(CPropertyGrid::kSpecular));
    EXPECT_EQ(offered, QColor(0, 0, 0));
    EXPECT_EQ(geometry.specular, osg::Vec4(0.2f, 0.4f, 0.8f, 1.0f));

    // The file chooser starts at the current texture beside the face; a file beside the face is
    // stored by name.
    QString started;
    std::optional<QString> answer = QString::fromStdString((dir / "maps" / "skin2.png").string());
    grid->chooseTextureFile = [&](const QString& current) {
        started = current;
        return answer;
    };
    EXPECT_TRUE(grid->browseTexture());
    EXPECT_EQ(started.toStdString(), (dir / "skin.png").string());
    EXPECT_EQ(geometry.texture, "maps/skin2.png");
    EXPECT_EQ(grid->valueText(CPropertyGrid::kTexture), "maps/skin2.png");
    answer.reset();
    EXPECT_FALSE(grid->browseTexture());
    EXPECT_EQ(geometry.texture, "maps/skin2.png");
    EXPECT_EQ(host.edits, 3);

    // Selecting a morph empties the grid; the geometry again shows what the face now holds.
    bar->tree()->setCurrentItem(morphItem(0));
    EXPECT_EQ(grid->category()->childCount(), 0);
    bar->selectGeometryItem(0);
    EXPECT_EQ(grid->valueText(CPropertyGrid::kSpecular), "0.200; 0.400; 0.800");
}

TEST_F(PanesTest, GridCaptionsShowInFullAndValuesCommitWhenTheFocusLeaves)
{
    bar->selectGeometryItem(1);
    QTreeWidget* tree = grid->tree();
    const int margin = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1);
    for (int id : {CPropertyGrid::kTexture, CPropertyGrid::kDiffuse, CPropertyGrid::kSpecular}) {
        QTreeWidgetItem* row = grid->item(id);
        EXPECT_GE(tree->visualRect(tree->indexFromItem(row, 0)).width(),
                  tree->fontMetrics().horizontalAdvance(row->text(0)) + margin)
            << row->text(0).toStdString();
    }
    EXPECT_GT(tree->visualRect(tree->indexFromItem(grid->item(CPropertyGrid::kDiffuse), 1)).width(), tree->width() / 3);

    // OK in the colour chooser without a change is no change (the swatch cannot hold 1.5).
    grid->chooseColour = [](const QColor& current) -> std::optional<QColor> { return current; };
    EXPECT_FALSE(grid->pickColour(CPropertyGrid::kDiffuse));
    FaceGeom& geometry = *face->geometries[1];
    EXPECT_EQ(geometry.diffuse, osg::Vec4(1.0f, 1.5f, 0.0f, 1.0f));
    EXPECT_EQ(host.edits, 0);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // Typed, then a key (none: just leave), then the focus goes to the morph tree.
    struct Case { int id; const char* typed; Qt::Key key; osg::Vec4 expected; } cases[] = {
        {CPropertyGrid::kDiffuse, "0.5; 0.25; 1", Qt::Key_unknown, {0.5f, 0.25f, 1.0f, 1.0f}},
        {CPropertyGrid::kSpecular, "0.75; 0.75; 0.75", Qt::Key_Escape, {0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        tree->setFocus();
        tree->setCurrentItem(grid->item(c.id), 1);
        auto* line = tree->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(line, nullptr);
        line->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return line->hasFocus(); }));
        line->selectAll();
        QTest::keyClicks(line, c.typed);
        if (c.key != Qt::Key_unknown)
            QTest::keyClick(line, c.key);
        bar->tree()->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(c.id == CPropertyGrid::kDiffuse ? geometry.diffuse : geometry.specular, c.expected) << c.typed;
    }
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QApplication::instance())
            GTEST_SKIP() << "no X display";
    }
};

TEST(NumberText, ReadsDecimalNumbersAndRefusesEverythingElse)
{
    const struct {
        const char* text;
        std::optional<float> value;
    } cases[] = {
        {"0.01", 0.01f}, {" -2 ", -2.0f}, {"0", 0.0f},        {"1e-3", 0.001f},      {"abc", std::nullopt},
        {"", std::nullopt}, {"1.5x", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt},
        {"1e39", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseNumber(QString::fromLatin1(c.text)), c.value) << c.text;
    EXPECT_EQ(formatNumber(0.001f), "0.001");
    EXPECT_EQ(formatNumber(1.0f), "1");
    EXPECT_EQ(formatNumber(-2.5f), "-2.5");
}

TEST_F(DialogTest, ScaleDialogShowsOneEachTimeAndAcceptsANegativeFactor)
{
    for (const char* typed : {"-2", "0"}) {
        CScaleMorph dialog;
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>();
        EXPECT_EQ(dialog.windowTitle(), "Scale Morph");
        EXPECT_EQ(edit->text(), "1");
        edit->setText(typed);
        withText<QPushButton>(dialog, "Scale")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.scaleFactor(), QString(typed).toFloat());
    }
    CScaleMorph cancelled;
    cancelled.show();
    cancelled.findChild<QLineEdit*>()->setText("7");
    withText<QPushButton>(cancelled, "Cancel")->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.scaleFactor(), 1.0f);
}

TEST_F(DialogTest, FileDialogsOfferFacesFirstAndSayWhatTheyExport)
{
    QWidget parent;
    QtPrompt prompt(&parent);
    QStringList filters;
    EXPECT_TRUE(answerDialog<QFileDialog>([&] { prompt.chooseOpenFile(); }, [&](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        dialog.reject();
    }));
    ASSERT_EQ(filters.size(), 2);
    for (const char* pattern : {"*.tvf", "*.txt", "*.gltf", "*.glb", "*.obj", "*.3ds", "*.ply"})
        EXPECT_TRUE(filters[0].contains(pattern)) << pattern;
    EXPECT_EQ(filters[1], "All Files (*)");
    QString title;
    EXPECT_TRUE(answerDialog<QFileDialog>([&] { prompt.chooseExportFile(); }, [&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        dialog.reject();
    }));
    EXPECT_EQ(title, "Export glTF");
}

TEST_F(DialogTest, OpenDialogOffersOnlyOpeningWithoutAFace)
{
    const QString importText = "Add all the morph targets from the selected face to the current face";
    const QString createText =
        "Compare the selected face with the current face and create a morph target from the difference.";
    for (bool faceLoaded : {false, true}) {
        SCOPED_TRACE(faceLoaded ? "face loaded" : "no face");
        COpenFace dialog;
        dialog.setFaceLoaded(faceLoaded);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Open File");
        auto* open = withText<QRadioButton>(dialog, "Open File");
        ASSERT_TRUE(open);
        EXPECT_TRUE(open->isChecked());
        EXPECT_TRUE(open->isEnabled());
        EXPECT_TRUE(withText<QLabel>(dialog, "Open and display the selected face file")->isEnabled());
        for (QWidget* w : std::initializer_list<QWidget*>{
                 withText<QRadioButton>(dialog, "Import Morphs"), withText<QRadioButton>(dialog, "Create Morph"),
                 withText<QLabel>(dialog, importText), withText<QLabel>(dialog, createText),
                 withText<QCheckBox>(dialog, "Import neck vertices")}) {
            ASSERT_TRUE(w);
            EXPECT_EQ(w->isEnabled(), faceLoaded);
        }
        EXPECT_TRUE(withText<QPushButton>(dialog, "OK")->isEnabled() && withText<QPushButton>(dialog, "Cancel")->isEnabled());
        EXPECT_EQ(accessibleName(open), "Open File");  // screen readers name each control by its text
        EXPECT_FALSE(withText<QCheckBox>(dialog, "Import neck vertices")->isChecked());
    }
}

}  // namespace
}  // namespace mw::test
