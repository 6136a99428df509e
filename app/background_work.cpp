#include "app/background_work.h"

#include <exception>
#include <memory>
#include <thread>

#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTimer>

namespace mw {

namespace {

// The busy pointer and the status text, for as long as it lives.
class BusyIndicator {
public:
    BusyIndicator(QWidget* window, const QString& activity)
        : statusBar_(qobject_cast<QMainWindow*>(window) ? static_cast<QMainWindow*>(window)->statusBar() : nullptr)
    {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        if (statusBar_)
            statusBar_->showMessage(activity);
    }
    ~BusyIndicator()
    {
        if (statusBar_)
            statusBar_->clearMessage();
        QApplication::restoreOverrideCursor();
    }
    BusyIndicator(const BusyIndicator&) = delete;
    BusyIndicator& operator=(const BusyIndicator&) = delete;

private:
    QStatusBar* statusBar_;
};

}  // namespace

void QtBackgroundWork::run(const std::string& activity, const std::function<void()>& work)
{
    const QString text = QString::fromStdString(activity);
    const BusyIndicator indicator(window_, text);
    busy_ = true;

    std::unique_ptr<QProgressDialog> progress;
    QTimer showLater;
    showLater.setSingleShot(true);
    QObject::connect(&showLater, &QTimer::timeout, [&] {
        // A bar that only says the work goes on: a file's reading has no measure of progress.
        progress = std::make_unique<QProgressDialog>(text, QString(), 0, 0, window_);
        progress->setWindowModality(Qt::WindowModal);
        progress->setAccessibleName(text);
        progress->show();
    });
    showLater.start(kProgressDelay);

    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued, so it also ends a loop that has not started yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();

    showLater.stop();
    progress.reset();
    busy_ = false;
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace mw
