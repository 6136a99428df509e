// The status bar's lock indicators read the X server's keyboard locks.

#include <QApplication>
#include <QLabel>
#include <QStatusBar>

#include <gtest/gtest.h>

#include "app/lock_key_indicators.h"

namespace mw::test {
namespace {

// Locks or unlocks Caps Lock on the X server, as pressing the key would.
void setCapsLock(bool on);

TEST(LockKeys, CapIsLitExactlyWhileCapsLockIsOn)
{
    if (!QApplication::instance())
        GTEST_SKIP() << "no X display";
    QStatusBar bar;
    LockKeyIndicators locks(&bar);
    EXPECT_EQ(locks.indicator(LockKeyIndicators::Caps)->text(), "CAP");
    EXPECT_EQ(locks.indicator(LockKeyIndicators::Scroll)->accessibleName(), "SCRL");
    for (bool on : {true, false}) {
        setCapsLock(on);
        locks.refresh();
        EXPECT_EQ(LockKeyIndicators::lockState(LockKeyIndicators::Caps), std::optional<bool>(on));
        EXPECT_EQ(locks.indicator(LockKeyIndicators::Caps)->isEnabled(), on);
        EXPECT_FALSE(locks.indicator(LockKeyIndicators::Scroll)->isEnabled());
    }
}

}  // namespace
}  // namespace mw::test

// The X headers last: their macros clash with Qt's names.
#include <X11/XKBlib.h>

namespace mw::test {
namespace {

void setCapsLock(bool on)
{
    Display* display = qApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
    XSync(display, False);
}

}  // namespace
}  // namespace mw::test
