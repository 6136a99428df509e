#include "app/main_frame.h"

#include <QFocusEvent>

#include "app/qt_prompt.h"
#include "render/host_path.h"

namespace mw {

CMainFrame::CMainFrame(Prompt* prompt, QWidget* parent)
    : QMainWindow(parent), prompt_(prompt), view_(new CMienwrightView(this))
{
    if (!prompt_) {
        ownPrompt_ = std::make_unique<QtPrompt>(this);
        prompt_ = ownPrompt_.get();
    }
    setWindowTitle(QString::fromUtf8(kApplicationTitle.data(), static_cast<qsizetype>(kApplicationTitle.size())));
    setCentralWidget(view_);

    refreshTimer_.setInterval(kRefreshMilliseconds);
    connect(&refreshTimer_, &QTimer::timeout, this, &CMainFrame::onRefreshTimer);
    refreshTimer_.start();
    lookupHostPath();
}

CMainFrame::~CMainFrame()
{
    refreshTimer_.stop();
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
    return loaded;
}

void CMainFrame::focusInEvent(QFocusEvent* event)
{
    QMainWindow::focusInEvent(event);
    view_->setFocus(event->reason());
}

void CMainFrame::onRefreshTimer()
{
    // The viewer always hears its events; only the focused view spends time on drawing.
    const bool changed = view_->advance();
    if (changed && view_->hasFocus())
        view_->redraw();
}

}  // namespace mw
