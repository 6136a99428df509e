#include "app/main_frame.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDockWidget>
#include <QFocusEvent>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/about_dialog.h"
#include "app/lock_key_indicators.h"
#include "app/morph_value_dialogs.h"
#include "app/open_face_dialog.h"
#include "app/qt_prompt.h"
#include "authoring/comparison_face.h"
#include "authoring/comparison_loading.h"
#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/geometry_lookup.h"
#include "authoring/morph_extraction.h"
#include "authoring/morph_import.h"
#include "authoring/morph_management.h"
#include "authoring/neck_vertices.h"
#include "authoring/view_operations.h"
#include "model/face_file.h"
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

constexpr std::string_view kModifiedQuestion =
    "The current file has been modified. Would you like to save it first?";

}  // namespace

CMainFrame::CMainFrame(Prompt* prompt, QWidget* parent)
    : QMainWindow(parent), prompt_(prompt), view_(new CMienwrightView(this))
{
    if (!prompt_) {
        ownPrompt_ = std::make_unique<QtPrompt>(this);
        prompt_ = ownPrompt_.get();
    }
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

    // The morph bar and the property grid go here.
    auto* morphBar = new QWidget(morphPane_);
    morphBar->setObjectName(QStringLiteral("Morph"));
    morphBar->setAccessibleName(tr("Morph"));
    morphPane_->setWidget(morphBar);
    auto* propertyGrid = new QWidget(propertyPane_);
    propertyGrid->setAccessibleName(tr("Property"));
    propertyPane_->setWidget(propertyGrid);

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

bool CMainFrame::openFace(const QString& path)
{
    const bool loaded = view_->loadIntoView(std::filesystem::path(path.toStdString()), *prompt_);
    refreshView(true);
    updateCommandStates();
    return loaded;
}

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
    // The property grid shows the same geometry.
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
    // The morph bar's own flag (for renames) joins this one.
    return view_->state().modified;
}

CMainFrame::PaneSelection CMainFrame::paneSelection() const
{
    // The morph bar's tree selection: none until the morph bar exists.
    return {};
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
}

void CMainFrame::runCommand(int id)
{
    const Command* command = findCommand(id);
    // A command whose condition does not hold does nothing, whichever way it was reached.
    if (!command || !command->handler || !commandEnabled(command->enabled, commandContext())) {
        updateCommandStates();
        return;
    }
    (this->*command->handler)();
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
    if (saveIfWanted())
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

void CMainFrame::onFileOpen()
{
    ViewState& state = view_->state();
    COpenFace dialog(this);
    dialog.setFaceLoaded(hasFace(state));
    if (dialog.exec() != QDialog::Accepted)
        return;
    switch (dialog.option()) {
    case COpenFace::OpenFile: {
        if (!saveIfWanted())
            return;
        if (const auto path = prompt_->chooseOpenFile())
            openFace(QString::fromStdString(path->string()));
        else
            refreshView(true);
        break;
    }
    case COpenFace::ImportMorphs:
        if (const auto path = prompt_->chooseOpenFile())
            morphsAppended(importMorphs(state, *path, dialog.importNeckVertices(), *prompt_));
        break;
    case COpenFace::CreateMorph:
        if (const auto path = prompt_->chooseOpenFile())
            loadComparisonFace(state, *path, *prompt_);
        refreshView(true);
        break;
    }
}

void CMainFrame::onFileSave() { saveFace(view_->state().fileName); }

void CMainFrame::onFileSaveAs()
{
    if (const auto chosen = prompt_->chooseSaveFile())
        saveFace(*chosen);
}

bool CMainFrame::saveFace(std::filesystem::path path)
{
    ViewState& state = view_->state();
    if (!hasFace(state))
        return false;
    // Only the face format is written: any other name is asked for again.
    if (QString::fromStdString(path.extension().string()).compare(QStringLiteral(".tvf"), Qt::CaseInsensitive) != 0) {
        const auto chosen = prompt_->chooseSaveFile();
        if (!chosen)
            return false;
        path = *chosen;
    }
    commitHeadTransform(state);
    if (!writeFaceFile(path, *state.face)) {
        prompt_->message("Failed to save: " + path.string());
        return false;
    }
    state.fileName = path;
    state.modified = false;
    return true;
}

bool CMainFrame::saveIfWanted()
{
    if (!hasFace(view_->state()) || !isModified() || !prompt_->question(std::string(kModifiedQuestion)))
        return true;
    return saveFace(view_->state().fileName);
}

void CMainFrame::onFileExit() { close(); }

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

void CMainFrame::onViewMorphedNormals()
{
    setMorphedNormals(view_->state(), !view_->state().morphedNormals);
    refreshView(true);
}

// --- The morph bar's part in the commands ------------------------------------------------

void CMainFrame::morphsAppended(int /*count*/) {}
void CMainFrame::morphValuesReset() {}
void CMainFrame::neckGeometryChosen(int /*geometryIndex*/) {}
void CMainFrame::morphListChanged(int /*selected*/) {}

}  // namespace mw
