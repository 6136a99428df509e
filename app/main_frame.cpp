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
#include "app/autosave_controller.h"
#include "app/host_path.h"
#include "app/lock_key_indicators.h"
#include "app/morph_bar.h"
#include "app/property_grid.h"
#include "app/qt_prompt.h"
#include "authoring/face_history.h"
#include "view/update_view.h"
#include "view/view_operations.h"

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

CMainFrame::CMainFrame(Prompt* prompt, QWidget* parent)
    : QMainWindow(parent), prompt_(prompt), document_(std::make_unique<Document>()),
      view_(new CMienwrightView(*document_, this))
{
    if (!prompt_) {
        ownPrompt_ = std::make_unique<QtPrompt>(this);
        prompt_ = ownPrompt_.get();
    }
    documentPrompt_ = std::make_unique<OpenFacePrompt>(*prompt_, this);
    documents_ = std::make_unique<DocumentController>(*this);
    documents_->acceptDrops(this);
    // Whatever a File command or a recovery put into the document is shown, then the states.
    const auto showDocument = [this] {
        showDocumentChanges();
        updateCommandStates();
    };
    connect(documents_.get(), &DocumentController::documentChanged, this, showDocument);
    autosave_ = std::make_unique<AutosaveController>(*this);
    connect(autosave_.get(), &AutosaveController::faceRecovered, this, showDocument);
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
    // The view goes before the document it shows.
    delete view_;
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

void CMainFrame::showAboutBox()
{
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::selectGeometry(int index)
{
    if (!hasFace(*document_))
        return;
    showGeometrySelection(view_->state(), index);
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

PaneSelection CMainFrame::paneSelection() const
{
    return {morphBar_->selectedGeometry(), morphBar_->selectedMorph()};
}

CommandContext CMainFrame::commandContext() const
{
    const Document& doc = *document_;
    const View& view = view_->state();
    const PaneSelection selection = paneSelection();
    CommandContext context;
    context.face = hasFace(doc);
    context.modified = isModified();
    context.comparison = hasComparison(doc);
    context.geometrySelected = selection.geometry >= 0;
    context.morphSelected = selection.morph >= 0;
    context.neckSelection = canEditNeckVertices(view);
    context.canUndo = canUndo(doc);
    context.canRedo = canRedo(doc);
    context.editMode = getEditMode(view);
    context.toolbarShown = toolBar_ && !toolBar_->isHidden();
    context.statusBarShown = !statusBar()->isHidden();
    context.morphedNormals = view.morphedNormals;
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
    const Document& doc = *document_;
    for (const auto& [id, step] : {std::pair{command::Undo, undoName(doc)}, std::pair{command::Redo, redoName(doc)}}) {
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
    CommandScope scope{*document_, view_->state(), *prompt_, *this, paneSelection(), {}, {}};
    // A command that changes the face is one undo step, dropped when it changed nothing.
    const std::string_view step = undoStepName(id);
    if (!step.empty())
        beginUndoStep(*document_, step);
    command->handler(scope);
    if (!step.empty())
        endUndoStep(*document_);
    showDocumentChanges(&scope);
    updateCommandStates();
}

void CMainFrame::showDocumentChanges(const CommandScope* scope)
{
    using namespace document_change;
    const Change change = takeChanges(*document_);
    updateView(view_->state(), change);
    if (change.has(kOpened)) {
        morphBar_->showFace();
        propertyGrid_->clearItems();
    } else if (change.has(kFace | kMorphList | kNames) ||
               std::any_of(change.geometries.begin(), change.geometries.end(),
                           [](unsigned parts) { return (parts & geometry_change::kMaterial) != 0; })) {
        // The tree is rebuilt from the face; the selection stays where the item still is.
        morphBar_->refreshFromFace();
    } else if (change.has(kWeights)) {
        morphBar_->showSelectedWeight();
    }
    if (scope && scope->selectMorph)
        morphBar_->selectMorphItem(*scope->selectMorph);
    if (scope && scope->selectGeometry)
        morphBar_->selectGeometryItem(*scope->selectGeometry);
    refreshView(true);
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

void CMainFrame::toggleToolBar() { toolBar_->setVisible(toolBar_->isHidden()); }

void CMainFrame::toggleStatusBar() { statusBar()->setVisible(statusBar()->isHidden()); }

void CMainFrame::showStatusNote(const QString& text, int milliseconds) { statusBar()->showMessage(text, milliseconds); }

void CMainFrame::showStatusMessage(const QString& text) { statusBar()->showMessage(text, kStatusNoteMilliseconds); }

bool CMainFrame::editFace(const std::string& stepName, const std::function<bool(Document&)>& edit)
{
    bool changed = false;
    {
        const UndoStep step(*document_, stepName);
        changed = edit(*document_);
    }
    // Only the view follows: the pane that made the edit shows it already.
    updateView(view_->state(), takeChanges(*document_));
    return changed;
}

bool CMainFrame::geometryTextureShown(int index) const { return mw::geometryTextureShown(view_->state(), index); }

}  // namespace mw
