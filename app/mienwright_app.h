#pragma once
// CMienwrightApp: the editor as a program. It owns start-up: the main frame at a useful size,
// the about box, the recovery of work an editor that did not end cleanly left, and the face
// file named on the command line.

#include <memory>

#include <QApplication>

namespace mw {

class CMainFrame;

class CMienwrightApp : public QApplication {
    Q_OBJECT

public:
    // Gives every OpenGL context the fixed-function pipeline; must run before the application
    // object exists.
    static void prepareSurfaces();

    // True when the command line asks only for --help or --version, which are answered without
    // a display by answerText (it prints and returns the exit status).
    static bool asksOnlyForText(int argc, char** argv);
    static int answerText(int argc, char** argv);

    CMienwrightApp(int& argc, char** argv);
    ~CMienwrightApp() override;

    // Reads the command line (mienwright [--no-about] [FILE]), shows the main frame maximised,
    // then the about box unless --no-about, then offers the unsaved work of editors that did
    // not end cleanly, then opens FILE; runs until the frame closes.
    int run();

private:
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace mw
