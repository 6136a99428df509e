#pragma once
// Reading and writing files on a thread of their own while the window goes on repainting and
// shows that it is busy: a busy pointer, the activity in the status bar and, when it takes
// longer than a moment, a small progress window. Input waits until the work is done.

#include <chrono>

#include "authoring/document_lifecycle.h"

class QWidget;

namespace mw {

class QtBackgroundWork : public BackgroundWork {
public:
    // The busy indicators appear over `window`.
    explicit QtBackgroundWork(QWidget* window) : window_(window) {}

    // Runs `work` on another thread and returns when it is done; meanwhile timers and painting
    // go on, pointer and key input waits. What `work` throws is thrown here.
    void run(const std::string& activity, const std::function<void()>& work) override;

    bool busy() const { return busy_; }

    // How long the work may take before the progress window shows.
    static constexpr std::chrono::milliseconds kProgressDelay{400};

private:
    QWidget* window_;
    bool busy_ = false;
};

}  // namespace mw
