// mienwright [FILE]: the face editor, opening FILE when one is given.

#include "app/mienwright_app.h"

int main(int argc, char** argv)
{
    mw::CMienwrightApp::prepareSurfaces();
    mw::CMienwrightApp application(argc, argv);
    return application.run();
}
