#include "app/lock_key_indicators.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

namespace mw {

namespace {

constexpr const char* kTexts[] = {"CAP", "NUM", "SCRL"};
}  // namespace

LockKeyIndicators::LockKeyIndicators(QStatusBar* statusBar) : QObject(statusBar)
{
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kTexts[i]), statusBar);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        label->setAccessibleName(label->text());
        statusBar->addPermanentWidget(label);
        labels_[static_cast<std::size_t>(i)] = label;
    }
    qApp->installEventFilter(this);
    refresh();
}

LockKeyIndicators::~LockKeyIndicators()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void LockKeyIndicators::refresh()
{
    for (int i = 0; i < 3; ++i)
        labels_[static_cast<std::size_t>(i)]->setEnabled(lockState(static_cast<Lock>(i)).value_or(false));
}

bool LockKeyIndicators::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            refresh();
    } else if (event->type() == QEvent::ApplicationActivate) {
        refresh();
    }
    return QObject::eventFilter(watched, event);
}

// The X headers come last: their macros (KeyPress, KeyRelease, None, …) clash with Qt's names.
}  // namespace mw

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace mw {

namespace {

constexpr const char* kXkbNames[] = {"Caps Lock", "Num Lock", "Scroll Lock"};

Display* x11Display()
{
    const auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

}  // namespace

std::optional<bool> LockKeyIndicators::lockState(Lock lock)
{
    Display* display = x11Display();
    if (!display)
        return std::nullopt;
    const Atom name = XInternAtom(display, kXkbNames[lock], True);
    Bool on = False;
    if (name == None || !XkbGetNamedIndicator(display, name, nullptr, &on, nullptr, nullptr))
        return std::nullopt;
    return on != False;
}

}  // namespace mw
