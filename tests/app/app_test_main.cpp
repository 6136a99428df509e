// One QApplication for the whole run, created only when tests run (listing them needs no
// display) and only where there is an X display to show windows on.

#include <cstdlib>

#include <QApplication>
#include <QSettings>
#include <QSurfaceFormat>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/mienwright_view.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    const char* display = std::getenv("DISPLAY");
    if (GTEST_FLAG_GET(list_tests) || !display || !*display)
        return RUN_ALL_TESTS();  // the window tests skip themselves
    // What the windows remember (the recent files) stays out of the user's settings.
    QTemporaryDir settings;
    // … and so do the windows' autosaves.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QSurfaceFormat::setDefaultFormat(mw::CMienwrightView::surfaceFormat());
    QApplication application(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    return RUN_ALL_TESTS();
}
