#pragma once
// CMainFrame: the editor's main window, titled "Mienwright": menu bar, the "Standard" toolbar,
// the status bar, the 3D view as its client area and the docking panes "Head Info" and
// "Property". Every menu item, toolbar button, context-menu item and shortcut is an action
// built from the command table (command_table.h); all of them run through runCommand, and the
// actions' enabled and checked states follow the table's rules at all times. The 10 ms timer
// advances the view's viewer and redraws the view when it has the keyboard focus and
// something changed, so an idle editor draws nothing.

#include <filesystem>
#include <memory>
#include <span>
#include <unordered_map>

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include "app/command_table.h"
#include "app/mienwright_view.h"
#include "authoring/prompt.h"

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QToolBar;

namespace mw {

class LockKeyIndicators;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    // Messages and file choices go to `prompt` (dialogs of this window when null); it must
    // outlive the frame.
    explicit CMainFrame(Prompt* prompt = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CMienwrightView& view() { return *view_; }
    Prompt& prompt() { return *prompt_; }

    // Advances the viewer one step (events, update) and, when `render` is true, draws.
    void refreshView(bool render);
    // Loads the face file into the view and shows it; false (after a message) when the file
    // cannot be loaded.
    bool openFace(const QString& path);
    // The about box, modal; the program shows it once the window is up.
    void showAboutBox();

    // For the panes: shows geometry `index` (-1 for none) as the selected one.
    void selectGeometry(int index);
    // Pops up the context menu `menuId` (kGeometryContextMenu, kMorphContextMenu) at the pointer; its items are
    // the same commands as in the menus.
    void showContextMenu(int menuId);
    // True when the face has changes that are not saved.
    bool isModified() const;

    // The one way a command is carried out: menus, toolbar, context menu and shortcuts all
    // come here. Disabled commands do nothing. The command states are refreshed afterwards.
    void runCommand(int id);
    // Recomputes every action's enabled and checked state from the command table.
    void updateCommandStates();
    // What the command rules see now.
    CommandContext commandContext() const;
    // The action of command `id` (shared by menus, toolbar and context menu), or null.
    QAction* action(int id) const;

    QToolBar* standardToolBar() const { return toolBar_; }
    QDockWidget* morphPane() const { return morphPane_; }
    QDockWidget* propertyPane() const { return propertyPane_; }
    QMenu* contextMenu(int menuId) const;

    // The refresh period of the view, in milliseconds.
    static constexpr int kRefreshMilliseconds = 10;
    // The docking panes' ids and initial size.
    static constexpr int kMorphPaneId = 104;
    static constexpr int kPropertyPaneId = 105;
    static constexpr int kPaneWidth = 210;
    static constexpr int kPaneHeight = 200;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend std::span<const Command> commandTable();

    // The selection of the morph bar: a geometry index and a morph index, -1 when none.
    struct PaneSelection {
        int geometry = -1;
        int morph = -1;
    };
    PaneSelection paneSelection() const;

    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createPanes();
    void onRefreshTimer();

    // File commands.
    void onFileOpen();
    void onFileSave();
    void onFileSaveAs();
    void onFileExit();
    // Writes the face to `path` (asking for a .tvf name when it has another extension); false
    // when there is no face, the name was not given or the write failed (which is said).
    bool saveFace(std::filesystem::path path);
    // The modified prompt: true when the caller may go on (nothing to save, No, or saved).
    bool saveIfWanted();
    // View and Help.
    void onViewToolbar();
    void onViewStatusBar();
    void onAbout();
    // Tools.
    void onNavigationMode();
    void onTranslateMode();
    void onScaleMode();
    void onVertexMode();
    void onAutoScale();
    void onFlipPolygonOrder();
    void onToggleRenderMode();
    void onTurnRight();
    void onTurnUp();
    void onGenerateMorphTarget();
    void onCancelMorphTarget();
    void onHighlightDifference();
    void onSetMorphThreshold();
    void onResetMorphValues();
    void onScaleMorph();
    void onComputeNeckVertices();
    void onKeepNeckVertices();
    void onDiscardNeckVertices();
    void onAddNeckVertices();
    void onClearNeckVertices();
    void onShowGeometry();
    void onHideGeometry();
    // Morph.
    void onDeleteMorph();
    void onDuplicateMorph();
    void onMoveMorphUp();
    void onMoveMorphDown();
    void onMirrorMorph();
    void onNewMorphFromMix();
    void onViewMorphedNormals();

    // What the morph bar does after a command; it has nothing to show until it exists.
    void morphsAppended(int count);
    void morphValuesReset();
    void neckGeometryChosen(int geometryIndex);
    // The list of morphs changed (deleted, added, reordered): the tree is rebuilt from the face
    // and morph `selected` (-1 for none) becomes the selected item.
    void morphListChanged(int selected);

    std::unique_ptr<Prompt> ownPrompt_;
    Prompt* prompt_;
    CMienwrightView* view_;
    QTimer refreshTimer_;
    std::unordered_map<int, QAction*> actions_;
    std::unordered_map<int, QMenu*> contextMenus_;
    QToolBar* toolBar_ = nullptr;
    QLabel* readyLabel_ = nullptr;
    LockKeyIndicators* lockKeys_ = nullptr;
    QDockWidget* morphPane_ = nullptr;
    QDockWidget* propertyPane_ = nullptr;
};

}  // namespace mw
