#pragma once
// CMainFrame: the editor's main window, titled "Mienwright", with the 3D view as its client
// area. Its 10 ms timer advances the view's viewer and redraws the view when it has the
// keyboard focus and something changed, so an idle editor draws nothing.

#include <memory>

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include "app/mienwright_view.h"
#include "authoring/prompt.h"

namespace mw {

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

    // The refresh period of the view, in milliseconds.
    static constexpr int kRefreshMilliseconds = 10;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void onRefreshTimer();

    std::unique_ptr<Prompt> ownPrompt_;
    Prompt* prompt_;
    CMienwrightView* view_;
    QTimer refreshTimer_;
};

}  // namespace mw
