// mienwright [FILE]: the face editor, opening FILE when one is given.

#include "app/mienwright_app.h"

int main(int argc, char** argv)
{
    // --help and --version only print: they must work where no display is, so they are answered
    // before the GUI application (and its display connection) exists.
    if (mw::CMienwrightApp::asksOnlyForText(argc, argv))
        return mw::CMienwrightApp::answerText(argc, argv);
    mw::CMienwrightApp::prepareSurfaces();
    mw::CMienwrightApp application(argc, argv);
    return application.run();
}
