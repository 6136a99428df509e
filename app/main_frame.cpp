#include "app/main_frame.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDockWidget>
#include <QFocusEvent>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/about_dialog.h"
#include "app/arkit_dialog.h"
#include "app/autosave_controller.h"
#include "app/lock_key_indicators.h"
#include "app/morph_bar.h"
#include "app/morph_value_dialogs.h"
#include "app/open_face_dialog.h"
#include "app/property_grid.h"
#include "app/qt_prompt.h"
#include "app/split_morph_dialog.h"
#include "app/transfer_morphs_dialog.h"
#include "authoring/comparison_face.h"
#include "authoring/comparison_fit.h"
#include "authoring/comparison_loading.h"
#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/face_reading.h"
#include "authoring/face_history.h"
#include "authoring/geometry_lookup.h"
#include "authoring/morph_batch.h"
#include "authoring/morph_extraction.h"
#include "authoring/morph_import.h"
#include "authoring/morph_management.h"
#include "authoring/neck_vertices.h"
#include "authoring/view_operations.h"
#include "import/embedded_images.h"
#include "import/obj_morph_export.h"
#include "import/obj_reader.h"
#include "import/save_face_file.h"
#include "render/host_path.h"

namespace mw {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A menu text as a screen reader or a tooltip shows it: no mnemonic marker.
QString withoutMnemonic(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

}  // namespace

// What opening and saving ask of the morph bar and the property grid.
class CMainFrame::Panes : public DocumentPanes {
public:
    explicit Panes(CMainFrame& frame) : frame_(frame) {}
    bool modified() const override { return frame_.morphBar_->modified(); }
    void clearModified() override { frame_.morphBar_->setModified(false); }
    void setFaceNode(TarvFaceRenderer* node) override
    {
        frame_.morphBar_->setFaceNode(node);
        frame_.propertyGrid_->setFaceNode(node);
    }
    void appendMorphs(int count) override { frame_.morphsAppended(count); }

private:
    CMainFrame& frame_;
};

CMainFrame::CMainFrame(Prompt* prompt, QWidget* parent)
    : QMainWindow(parent), prompt_(prompt), view_(new CMienwrightView(this))
{
    if (!prompt_) {
        ownPrompt_ = std::make_unique<QtPrompt>(this);
        prompt_ = ownPrompt_.get();
    }
    documentPrompt_ = std::make_unique<OpenFacePrompt>(*prompt_, this);
    panes_ = std::make_unique<Panes>(*this);
    documents_ = std::make_unique<DocumentController>(*this);
    documents_->acceptDrops(this);
    connect(documents_.get(), &DocumentController::documentChanged, this, &CMainFrame::updateCommandStates);
    autosave_ = std::make_unique<AutosaveController>(*this);
    connect(autosave_.get(), &AutosaveController::faceRecovered, this, &CMainFrame::updateCommandStates);
    setWindowTitle(qs(kApplicationTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/mienwright.svg")));
    setCentralWidget(view_);

    createStatusBar();
    createActions();
    createMenus();
    createToolBar();
    createPanes();

    refreshTimer_.setInterval(kRefreshMilliseconds);
    connect(&refreshTimer_, &QTimer::timeout, this, &CMainFrame::onRefreshTimer);
    refreshTimer_.start();
    lookupHostPath();
    updateCommandStates();
}

CMainFrame::~CMainFrame()
{
    refreshTimer_.stop();
}

void CMainFrame::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setAccessibleName(tr("Status Bar"));
    // The message pane: "Ready" whenever no prompt is shown over it.
    readyLabel_ = new QLabel(tr("Ready"), bar);
    readyLabel_->setAccessibleName(readyLabel_->text());
    bar->addWidget(readyLabel_, 1);
    lockKeys_ = new LockKeyIndicators(bar);
}

void CMainFrame::createActions()
{
    std::unordered_map<int, QList<QKeySequence>> keys;
    for (const Command& command : commandTable())
        if (!shortcutKeys(command).empty())
            keys[command.id].append(QKeySequence(qs(shortcutKeys(command)), QKeySequence::PortableText));
    for (const Accelerator& accelerator : acceleratorTable()) {
        const QKeySequence sequence(qs(accelerator.keys), QKeySequence::PortableText);
        if (!keys[accelerator.id].contains(sequence))
            keys[accelerator.id].append(sequence);
    }

    for (const Command& command : commandTable()) {
        auto* action = new QAction(qs(menuText(command)), this);
        action->setData(command.id);
        action->setStatusTip(qs(statusPrompt(command)));
        // Buttons whose prompt has no tooltip line show their name.
        const QString tip = qs(toolTipText(command));
        action->setToolTip(tip.isEmpty() ? withoutMnemonic(action->text()) : tip);
        if (!command.icon.empty())
            action->setIcon(QIcon(qs(command.icon)));
        action->setCheckable(command.mark != Mark::None);
        // A checked item shows a check mark in the menu; its icon stays on the toolbar.
        action->setIconVisibleInMenu(!action->isCheckable());
        action->setShortcuts(keys[command.id]);
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
        // Shortcuts work wherever the frame is active, also for commands that are in no menu.
        addAction(action);
        actions_.emplace(id, action);
    }
}

void CMainFrame::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setAccessibleName(tr("Menu Bar"));
    auto fill = [this](QMenu* menu, std::span<const int> items) {
        for (int id : items) {
            if (id == kSeparator)
                menu->addSeparator();
            else
                menu->addAction(actions_.at(id));
        }
        // The states are current whenever a menu opens, whatever changed them.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    };
    for (const MenuLayout& layout : menuBarLayout()) {
        QMenu* menu = bar->addMenu(qs(layout.title));
        menu->setAccessibleName(withoutMnemonic(menu->title()));
        fill(menu, layout.items);
    }
    // Open Recent sits between the File menu's two separators, where recent files belong.
    if (QMenu* file = bar->actions().isEmpty() ? nullptr : bar->actions().constFirst()->menu()) {
        const QList<QAction*> items = file->actions();
        const auto separator = [](const QAction* a) { return a->isSeparator(); };
        const auto first = std::find_if(items.begin(), items.end(), separator);
        if (first != items.end() && std::next(first) != items.end())
            file->insertMenu(*std::next(first), documents_->recentMenu());
    }
    auto* geometryMenu = new QMenu(this);
    fill(geometryMenu, contextMenuLayout(kGeometryContextMenu));
    contextMenus_.emplace(kGeometryContextMenu, geometryMenu);
    auto* morphMenu = new QMenu(this);
    fill(morphMenu, contextMenuLayout(kMorphContextMenu));
    contextMenus_.emplace(kMorphContextMenu, morphMenu);
}

void CMainFrame::createToolBar()
{
    toolBar_ = addToolBar(tr("Standard"));
    toolBar_->setObjectName(QStringLiteral("Standard"));
    toolBar_->setAccessibleName(toolBar_->windowTitle());
    toolBar_->setIconSize(QSize(16, 16));
    for (int id : toolbarLayout()) {
        if (id == kSeparator) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = actions_.at(id);
        toolBar_->addAction(action);
        // A button shows only its icon; its name is the command's menu text.
        toolBar_->widgetForAction(action)->setAccessibleName(withoutMnemonic(action->text()));
    }
    // The button that shows the buttons a narrow window has no room for.
    if (auto* more = toolBar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(tr("More Buttons"));
    connect(toolBar_, &QToolBar::visibilityChanged, this, &CMainFrame::updateCommandStates);
}

void CMainFrame::createPanes()
{
    auto makePane = [this](const QString& caption, int id) {
        auto* pane = new QDockWidget(caption, this);
        pane->setObjectName(QStringLiteral("pane%1").arg(id));
        pane->setAccessibleName(caption);
        pane->setAllowedAreas(Qt::AllDockWidgetAreas);
        return pane;
    };
    morphPane_ = makePane(tr("Head Info"), kMorphPaneId);
    propertyPane_ = makePane(tr("Property"), kPropertyPaneId);

    morphBar_ = new CMorphBar(*this, morphPane_);
    morphBar_->setObjectName(QStringLiteral("Morph"));
    morphPane_->setWidget(morphBar_);
    propertyGrid_ = new CPropertyGrid(*this, propertyPane_);
    propertyPane_->setWidget(propertyGrid_);

    addDockWidget(Qt::LeftDockWidgetArea, morphPane_);
    splitDockWidget(morphPane_, propertyPane_, Qt::Vertical);
    resizeDocks({morphPane_, propertyPane_}, {kPaneWidth, kPaneWidth}, Qt::Horizontal);
    resizeDocks({morphPane_, propertyPane_}, {kPaneHeight, kPaneHeight}, Qt::Vertical);
}

QAction* CMainFrame::action(int id) const
{
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* CMainFrame::contextMenu(int menuId) const
{
    const auto it = contextMenus_.find(menuId);
    return it == contextMenus_.end() ? nullptr : it->second;
}

void CMainFrame::refreshView(bool render)
{
    view_->advance();
    if (render)
        view_->redraw();
}

bool CMainFrame::openFace(const QString& path) { return documents_->openFile(path); }

DocumentPanes& CMainFrame::documentPanes() { return *panes_; }

void CMainFrame::showAboutBox()
{
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::selectGeometry(int index)
{
    if (!hasFace(view_->state()))
        return;
    view_->showGeometrySelection(index);
    propertyGrid_->showGeometry(index);
    refreshView(true);
    updateCommandStates();
}

void CMainFrame::showContextMenu(int menuId)
{
    QMenu* menu = contextMenu(menuId);
    if (!menu)
        return;
    updateCommandStates();
    menu->popup(QCursor::pos());
}

bool CMainFrame::isModified() const
{
    // The morph bar keeps its own flag for renames.
    return view_->state().modified || morphBar_->modified();
}

CMainFrame::PaneSelection CMainFrame::paneSelection() const
{
    return {morphBar_->selectedGeometry(), morphBar_->selectedMorph()};
}

CommandContext CMainFrame::commandContext() const
{
    const ViewState& state = view_->state();
    const PaneSelection selection = paneSelection();
    CommandContext context;
    context.face = hasFace(state);
    context.modified = isModified();
    context.comparison = hasComparison(state);
    context.geometrySelected = selection.geometry >= 0;
    context.morphSelected = selection.morph >= 0;
    context.neckSelection = canEditNeckVertices(state);
    context.canUndo = canUndo(state);
    context.canRedo = canRedo(state);
    context.editMode = view_->getEditMode();
    context.toolbarShown = toolBar_ && !toolBar_->isHidden();
    context.statusBarShown = !statusBar()->isHidden();
    context.morphedNormals = state.morphedNormals;
    return context;
}

void CMainFrame::updateCommandStates()
{
    const CommandContext context = commandContext();
    for (const Command& command : commandTable()) {
        QAction* action = actions_.at(command.id);
        action->setEnabled(commandEnabled(command.enabled, context));
        if (command.mark != Mark::None)
            action->setChecked(commandChecked(command.mark, context));
    }
    // "Undo Turn Right", "Redo Scale Morph": the step the command would take back or redo.
    const ViewState& state = view_->state();
    for (const auto& [id, step] : {std::pair{command::Undo, undoName(state)}, std::pair{command::Redo, redoName(state)}}) {
        QString text = qs(menuText(*findCommand(id)));
        if (!step.empty())
            text += QLatin1Char(' ') + qs(step).replace(QLatin1Char('&'), QStringLiteral("&&"));
        actions_.at(id)->setText(text);
    }
    // Every change to the face passes here: the autosave hears of it.
    if (autosave_)
        autosave_->noticeChanges();
}

void CMainFrame::runCommand(int id)
{
    const Command* command = findCommand(id);
    // A command whose condition does not hold does nothing, whichever way it was reached.
    if (!command || !command->handler || !commandEnabled(command->enabled, commandContext())) {
        updateCommandStates();
        return;
    }
    // A command that changes the face is one undo step, dropped when it changed nothing.
    const std::string_view step = undoStepName(id);
    if (!step.empty())
        beginUndoStep(view_->state(), step);
    (this->*command->handler)();
    if (!step.empty())
        endUndoStep(view_->state());
    updateCommandStates();
}

void CMainFrame::focusInEvent(QFocusEvent* event)
{
    QMainWindow::focusInEvent(event);
    view_->setFocus(event->reason());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Unsaved work is not thrown away by a save that failed or was cancelled.
    if (documents_->mayClose())
        event->accept();
    else
        event->ignore();
}

void CMainFrame::onRefreshTimer()
{
    // The viewer always hears its events; only the focused view spends time on drawing.
    const bool changed = view_->advance();
    if (!changed)
        return;
    if (view_->hasFocus())
        view_->redraw();
    // Pointer input can change what the commands may do (a closed lasso, for one).
    updateCommandStates();
}

// --- File --------------------------------------------------------------------------------

void CMainFrame::onFileOpen() { documents_->open(); }
void CMainFrame::onFileSave() { documents_->save(); }
void CMainFrame::onFileSaveAs() { documents_->saveAs(); }

void CMainFrame::onFileExportGltf()
{
    ViewState& state = view_->state();
    if (!hasFace(state))
        return;
    const auto chosen = prompt_->chooseExportFile();
    if (!chosen)
        return;
    std::filesystem::path path = *chosen;
    if (!isGltfPath(path))
        path += ".glb";
    // The head as it stands in the view, as saving writes it.
    commitHeadTransform(state);
    std::filesystem::path textureDir = state.fileName.parent_path();
    if (textureDir.empty())
        textureDir = ".";
    std::vector<std::string> warnings;
    std::string failure;
    if (!saveFaceFile(path, *state.face, textureDir, &warnings, &failure)) {
        prompt_->failure("Failed to save: " + path.string() + (failure.empty() ? "" : "\n" + failure));
        return;
    }
    if (!warnings.empty()) {
        std::string text = "Exported " + path.string() + " with these changes:";
        for (const std::string& warning : warnings)
            text += "\n" + warning;
        prompt_->message(text);
    }
}

void CMainFrame::onFileExportObj()
{
    ViewState& state = view_->state();
    if (!hasFace(state))
        return;
    const auto chosen = prompt_->chooseObjExportFile();
    if (!chosen)
        return;
    std::filesystem::path path = *chosen;
    if (!isObjPath(path))
        path += ".obj";
    commitHeadTransform(state);
    std::filesystem::path textureDir = state.fileName.parent_path();
    if (textureDir.empty())
        textureDir = ".";
    std::vector<std::string> warnings;
    std::string failure;
    if (!saveFaceFile(path, *state.face, textureDir, &warnings, &failure)) {
        prompt_->message("Failed to save: " + path.string() + (failure.empty() ? "" : "\n" + failure));
        return;
    }
    if (!warnings.empty()) {
        std::string text = "Exported " + path.string() + " with these changes:";
        for (const std::string& warning : warnings)
            text += "\n" + warning;
        prompt_->message(text);
    }
}

void CMainFrame::onFileExportMorphsObj()
{
    ViewState& state = view_->state();
    if (!hasFace(state))
        return;
    const auto folder = prompt_->chooseMorphExportFolder();
    if (!folder)
        return;
    commitHeadTransform(state);
    std::filesystem::path textureDir = state.fileName.parent_path();
    if (textureDir.empty())
        textureDir = ".";
    const std::string restName = state.fileName.empty() ? "face" : state.fileName.stem().string();
    MorphExportReport report;
    if (!exportMorphsAsObj(*state.face, *folder, restName, textureDir, &report)) {
        prompt_->message("Failed to save: " + report.failure);
        return;
    }
    if (!report.warnings.empty()) {
        std::string text = "Exported " + std::to_string(report.written.size()) + " OBJ files to " + folder->string() +
                           " with these changes:";
        for (const std::string& warning : report.warnings)
            text += "\n" + warning;
        prompt_->message(text);
    }
}

void CMainFrame::onFileExit() { close(); }

// --- Edit ------------------------------------------------------------------------------

void CMainFrame::onEditUndo()
{
    if (undo(view_->state()))
        faceRestored();
    refreshView(true);
}

void CMainFrame::onEditRedo()
{
    if (redo(view_->state()))
        faceRestored();
    refreshView(true);
}

// --- View and Help -----------------------------------------------------------------------

void CMainFrame::onViewToolbar() { toolBar_->setVisible(toolBar_->isHidden()); }

void CMainFrame::onViewStatusBar() { statusBar()->setVisible(statusBar()->isHidden()); }

void CMainFrame::onAbout() { showAboutBox(); }

// --- Tools -------------------------------------------------------------------------------

void CMainFrame::onNavigationMode() { view_->setEditMode(0); }
void CMainFrame::onTranslateMode() { view_->setEditMode(1); }
void CMainFrame::onScaleMode() { view_->setEditMode(2); }
void CMainFrame::onVertexMode() { view_->setEditMode(3); }

void CMainFrame::onAutoScale()
{
    autoScale(view_->state(), *prompt_);
    refreshView(true);
}

void CMainFrame::onFlipPolygonOrder()
{
    flipPolygonOrder(view_->state(), paneSelection().geometry);
    refreshView(true);
}

void CMainFrame::onToggleRenderMode()
{
    view_->toggleRenderMode();
    refreshView(true);
}

void CMainFrame::onTurnRight()
{
    view_->turnRight();
    refreshView(true);
}

void CMainFrame::onTurnUp()
{
    view_->turnUp();
    refreshView(true);
}

void CMainFrame::onGenerateMorphTarget()
{
    if (generateMorphTarget(view_->state(), *prompt_))
        morphsAppended(1);
    refreshView(true);
}

void CMainFrame::onCancelMorphTarget()
{
    cancelMorphTarget(view_->state());
    refreshView(true);
}

void CMainFrame::onHighlightDifference()
{
    highlightDifference(view_->state());
    refreshView(true);
}

void CMainFrame::onFitComparisonFace()
{
    fitComparisonFace(view_->state(), *prompt_);
    refreshView(true);
}

void CMainFrame::onCreateMorphsFromFiles()
{
    const std::vector<std::filesystem::path> files = prompt_->chooseOpenFiles();
    if (files.empty() || !hasFace(view_->state()))
        return;
    const auto fileLabel = [](const std::filesystem::path& file) {
        return tr("Creating a morph from %1").arg(QString::fromStdString(file.filename().string()));
    };
    QProgressDialog progress(fileLabel(files.front()), tr("Cancel"), 0, static_cast<int>(files.size()), this);
    progress.setWindowTitle(qs(kApplicationTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    QCoreApplication::processEvents();
    std::string repairs;
    const MorphBatchResult result = createMorphsFromFiles(
        view_->state(), files, ComparisonAlignment::Fit,
        [&](std::size_t done, std::size_t total, const MorphFromFile& step) {
            if (!step.repairs.empty())
                repairs += (repairs.empty() ? "" : "\n") + repairSummary(step.file, step.repairs);
            progress.setValue(static_cast<int>(done));
            if (done < total)
                progress.setLabelText(fileLabel(files[done]));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.reset();
    if (result.status == MorphBatchResult::Status::Failed) {
        prompt_->message(result.error);
    } else {
        if (!repairs.empty())
            prompt_->message(repairs);
        morphsAppended(static_cast<int>(result.morphs.size()));
    }
    refreshView(true);
}

void CMainFrame::onTransferMorphsFromRig()
{
    transferMorphsFromRig(
        this, view_->state(), *prompt_, [this](int count) { morphsAppended(count); },
        [this](const QString& text) { statusBar()->showMessage(text, 20000); });
    refreshView(true);
}

void CMainFrame::onSetMorphThreshold()
{
    CMorphThreshhold dialog(this);
    dialog.setThreshold(view_->state().morphThreshold);
    if (dialog.exec() == QDialog::Accepted)
        setMorphThreshold(view_->state(), dialog.threshold());
}

void CMainFrame::onResetMorphValues()
{
    resetMorphValues(view_->state());
    morphValuesReset();
    refreshView(true);
}

void CMainFrame::onScaleMorph()
{
    CScaleMorph dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    scaleMorph(view_->state(), paneSelection().morph, dialog.scaleFactor());
    refreshView(true);
}

void CMainFrame::onComputeNeckVertices()
{
    const int geometry = computeNeckVertices(view_->state(), paneSelection().geometry, *prompt_);
    if (geometry >= 0)
        neckGeometryChosen(geometry);
    refreshView(true);
}

void CMainFrame::onKeepNeckVertices()
{
    editNeckVertices(view_->state(), NeckEdit::Keep);
    refreshView(true);
}

void CMainFrame::onDiscardNeckVertices()
{
    editNeckVertices(view_->state(), NeckEdit::Discard);
    refreshView(true);
}

void CMainFrame::onAddNeckVertices()
{
    editNeckVertices(view_->state(), NeckEdit::Add);
    refreshView(true);
}

void CMainFrame::onClearNeckVertices()
{
    clearNeckVertices(view_->state(), paneSelection().geometry);
    refreshView(true);
}

void CMainFrame::onShowGeometry()
{
    const int index = paneSelection().geometry;
    if (currentGeometry(view_->state(), index))
        view_->state().faceNode->setGeometryVisible(true, static_cast<unsigned>(index));
    refreshView(true);
}

void CMainFrame::onHideGeometry()
{
    const int index = paneSelection().geometry;
    if (currentGeometry(view_->state(), index))
        view_->state().faceNode->setGeometryVisible(false, static_cast<unsigned>(index));
    refreshView(true);
}

void CMainFrame::onDeleteMorph()
{
    const int index = paneSelection().morph;
    if (deleteMorph(view_->state(), index)) {
        const int left = static_cast<int>(view_->state().face->morphs.size());
        morphListChanged(left == 0 ? -1 : std::min(index, left - 1));
    }
    refreshView(true);
}

void CMainFrame::onDuplicateMorph()
{
    if (const auto copy = duplicateMorph(view_->state(), paneSelection().morph))
        morphListChanged(static_cast<int>(*copy));
    refreshView(true);
}

void CMainFrame::onMoveMorphUp()
{
    const int index = paneSelection().morph;
    if (index > 0)
        if (const auto moved = moveMorph(view_->state(), index, index - 1))
            morphListChanged(static_cast<int>(*moved));
    refreshView(true);
}

void CMainFrame::onMoveMorphDown()
{
    const int index = paneSelection().morph;
    if (const auto moved = moveMorph(view_->state(), index, index + 1))
        morphListChanged(static_cast<int>(*moved));
    refreshView(true);
}

void CMainFrame::onMirrorMorph()
{
    const auto result = mirrorMorph(view_->state(), paneSelection().morph);
    if (!result)
        return;
    morphListChanged(static_cast<int>(result->index));
    const std::string& name = view_->state().face->morphs[result->index]->name;
    statusBar()->showMessage(
        result->unmatched == 0
            ? tr("Mirrored as %1").arg(qs(name))
            : tr("Mirrored as %1; %2 moved vertices have no partner on the other side and were left out")
                  .arg(qs(name))
                  .arg(result->unmatched),
        10000);
    refreshView(true);
}

void CMainFrame::onNewMorphFromMix()
{
    if (const auto index = addMorphFromMix(view_->state()))
        morphListChanged(static_cast<int>(*index));
    refreshView(true);
}

void CMainFrame::onCheckArkitSet()
{
    if (runArkitDialog(this, view_->state()))
        morphListChanged(-1);
    refreshView(true);
}

void CMainFrame::onSplitMorph()
{
    const auto split = runSplitMorphDialog(this, view_->state(), paneSelection().morph, [this] { refreshView(true); });
    if (split)
        morphListChanged(static_cast<int>(split->left));
    refreshView(true);
}

void CMainFrame::onViewMorphedNormals()
{
    setMorphedNormals(view_->state(), !view_->state().morphedNormals);
    refreshView(true);
}

// --- The morph bar's part in the commands ------------------------------------------------

void CMainFrame::morphsAppended(int count) { morphBar_->appendMorphs(count); }
void CMainFrame::morphValuesReset() { morphBar_->resetSlider(); }
void CMainFrame::neckGeometryChosen(int geometryIndex) { morphBar_->selectGeometryItem(geometryIndex); }

void CMainFrame::showStatusMessage(const QString& text) { statusBar()->showMessage(text, kStatusNoteMilliseconds); }

void CMainFrame::markFaceModified() { view_->state().modified = true; }

bool CMainFrame::editFace(const std::string& stepName, const std::function<bool()>& edit)
{
    ViewState& state = view_->state();
    const UndoStep step(state, stepName);
    const bool changed = edit();
    if (changed)
        state.modified = true;
    return changed;
}

std::filesystem::path CMainFrame::faceFileName() const { return view_->state().fileName; }

void CMainFrame::faceRestored()
{
    // The tree is rebuilt from the restored face; the selection stays where the item still is.
    morphBar_->refreshFromFace();
    updateCommandStates();
}

void CMainFrame::morphListChanged(int selected)
{
    // Rebuilding the tree is no rename: the bar's own flag stays as it was.
    const bool renamed = morphBar_->modified();
    morphBar_->setFaceNode(view_->state().faceNode.get());
    morphBar_->setModified(renamed);
    morphBar_->selectMorphItem(selected);
    updateCommandStates();
}

}  // namespace mw
