#pragma once
// CMainFrame: the editor's main window, titled "Mienwright": menu bar, the "Standard" toolbar,
// the status bar, the 3D view as its client area and the docking panes "Head Info" and
// "Property". Every menu item, toolbar button, context-menu item and shortcut is an action
// built from the command table (command_table.h); all of them run through runCommand, and the
// actions' enabled and checked states follow the table's rules at all times. The 10 ms timer
// advances the view's viewer and redraws the view when it has the keyboard focus and
// something changed, so an idle editor draws nothing.

#include <memory>
#include <span>
#include <unordered_map>

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include "app/command_table.h"
#include "app/document_controller.h"
#include "app/mienwright_view.h"
#include "app/pane_host.h"
#include "app/open_face_prompt.h"
#include "authoring/prompt.h"

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QToolBar;

namespace mw {

class AutosaveController;
class CMorphBar;
class CPropertyGrid;
class LockKeyIndicators;

class CMainFrame : public QMainWindow, public PaneHost, public DocumentHost {
    Q_OBJECT

public:
    // Messages and file choices go to `prompt` (dialogs of this window when null); it must
    // outlive the frame.
    explicit CMainFrame(Prompt* prompt = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CMienwrightView& view() { return *view_; }
    Prompt& prompt() { return *prompt_; }

    // Opening, saving and closing: the File commands, Open Recent and dropped files.
    DocumentController& documents() { return *documents_; }
    // Keeps unsaved work through a crash and offers it at the next start.
    AutosaveController& autosave() { return *autosave_; }

    // Advances the viewer one step (events, update) and, when `render` is true, draws.
    void refreshView(bool render) override;
    // Opens the face file as Open does (asking first when the current face has unsaved
    // changes) and shows it; false when it was not opened.
    bool openFace(const QString& path);
    // The about box, modal; the program shows it once the window is up.
    void showAboutBox();

    // For the panes: shows geometry `index` (-1 for none) as the selected one.
    void selectGeometry(int index) override;
    // Pops up the context menu `menuId` (kGeometryContextMenu, kMorphContextMenu) at the pointer; its items are
    // the same commands as in the menus.
    void showContextMenu(int menuId) override;
    // True when the face has changes that are not saved.
    bool isModified() const;

    // The one way a command is carried out: menus, toolbar, context menu and shortcuts all
    // come here. Disabled commands do nothing. The command states are refreshed afterwards.
    void runCommand(int id) override;
    // Recomputes every action's enabled and checked state from the command table.
    void updateCommandStates() override;
    // What the command rules see now.
    CommandContext commandContext() const;
    // The action of command `id` (shared by menus, toolbar and context menu), or null.
    QAction* action(int id) const;

    QToolBar* standardToolBar() const { return toolBar_; }
    QDockWidget* morphPane() const { return morphPane_; }
    QDockWidget* propertyPane() const { return propertyPane_; }
    QMenu* contextMenu(int menuId) const;
    CMorphBar& morphBar() const { return *morphBar_; }
    CPropertyGrid& propertyGrid() const { return *propertyGrid_; }

    // The rest of what the panes ask: a note in the status bar, a face changed through the
    // property pane, and the face's file.
    void showStatusMessage(const QString& text) override;
    void markFaceModified() override;
    bool editFace(const std::string& stepName, const std::function<bool()>& edit) override;
    std::filesystem::path faceFileName() const override;

    // The refresh period of the view, in milliseconds.
    static constexpr int kRefreshMilliseconds = 10;
    // The docking panes' ids and initial size.
    static constexpr int kMorphPaneId = 104;
    static constexpr int kPropertyPaneId = 105;
    static constexpr int kPaneWidth = 210;
    static constexpr int kPaneHeight = 200;
    // How long a note from a pane stays in the status bar.
    static constexpr int kStatusNoteMilliseconds = 8000;

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
    void onFileExportGltf();
    void onFileExportObj();
    void onFileExportMorphsObj();
    void onFileExit();
    // What the File commands work on.
    QWidget* documentWindow() override { return this; }
    ViewState& viewState() override { return view_->state(); }
    Prompt& documentPrompt() override { return *documentPrompt_; }
    DocumentPanes& documentPanes() override;
    // Edit: the face's history. The menu items name the step they would take back or redo.
    void onEditUndo();
    void onEditRedo();
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
    void onFitComparisonFace();
    void onCreateMorphsFromFiles();
    void onTransferMorphsFromRig();
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
    void onCheckArkitSet();
    void onSplitMorph();
    void onViewMorphedNormals();

    // What the morph bar does after a command; it has nothing to show until it exists.
    void morphsAppended(int count);
    void morphValuesReset();
    void neckGeometryChosen(int geometryIndex);
    // After undo or redo: the panes show the face as it is now.
    void faceRestored();

    // Keeps the panes in step with the document.
    class Panes;
    // The list of morphs changed (deleted, added, reordered): the tree is rebuilt from the face
    // and morph `selected` (-1 for none) becomes the selected item.
    void morphListChanged(int selected);

    std::unique_ptr<Prompt> ownPrompt_;
    Prompt* prompt_;
    std::unique_ptr<OpenFacePrompt> documentPrompt_;
    std::unique_ptr<Panes> panes_;
    CMienwrightView* view_;
    std::unique_ptr<DocumentController> documents_;
    std::unique_ptr<AutosaveController> autosave_;
    QTimer refreshTimer_;
    std::unordered_map<int, QAction*> actions_;
    std::unordered_map<int, QMenu*> contextMenus_;
    QToolBar* toolBar_ = nullptr;
    QLabel* readyLabel_ = nullptr;
    LockKeyIndicators* lockKeys_ = nullptr;
    QDockWidget* morphPane_ = nullptr;
    QDockWidget* propertyPane_ = nullptr;
    CMorphBar* morphBar_ = nullptr;
    CPropertyGrid* propertyGrid_ = nullptr;
};

}  // namespace mw
