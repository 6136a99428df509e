// One QApplication for the whole run, created only when tests run (listing them needs no
// display) and only where there is an X display to show windows on.

#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QSettings>
#include <QSurfaceFormat>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/mienwright_view.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    QtEnvironment(int& argc, char** argv) : argc_(argc), argv_(argv) {}

    void SetUp() override
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            return;  // the window tests skip themselves
        QSurfaceFormat::setDefaultFormat(mw::CMienwrightView::surfaceFormat());
        application_ = std::make_unique<QApplication>(argc_, argv_);
        // What the windows remember (the recent files) stays out of the user's settings.
        settings_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings_->path());
    }

    void TearDown() override
    {
        application_.reset();
        settings_.reset();
    }

private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<QTemporaryDir> settings_;
};

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new QtEnvironment(argc, argv));
    return RUN_ALL_TESTS();
}
