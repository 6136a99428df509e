#include "app/osg_keys.h"

#include <QKeyEvent>
#include <osgGA/GUIEventAdapter>

namespace mw {

namespace {

using Key = osgGA::GUIEventAdapter::KeySymbol;

int namedKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Space: return Key::KEY_Space;
    case Qt::Key_Escape: return Key::KEY_Escape;
    case Qt::Key_Tab: return Key::KEY_Tab;
    case Qt::Key_Backspace: return Key::KEY_BackSpace;
    case Qt::Key_Return: return Key::KEY_Return;
    case Qt::Key_Enter: return Key::KEY_KP_Enter;
    case Qt::Key_Insert: return Key::KEY_Insert;
    case Qt::Key_Delete: return Key::KEY_Delete;
    case Qt::Key_Home: return Key::KEY_Home;
    case Qt::Key_End: return Key::KEY_End;
    case Qt::Key_Left: return Key::KEY_Left;
    case Qt::Key_Up: return Key::KEY_Up;
    case Qt::Key_Right: return Key::KEY_Right;
    case Qt::Key_Down: return Key::KEY_Down;
    case Qt::Key_PageUp: return Key::KEY_Page_Up;
    case Qt::Key_PageDown: return Key::KEY_Page_Down;
    case Qt::Key_Shift: return Key::KEY_Shift_L;
    case Qt::Key_Control: return Key::KEY_Control_L;
    case Qt::Key_Alt: return Key::KEY_Alt_L;
    case Qt::Key_Meta: return Key::KEY_Meta_L;
    default: break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return Key::KEY_F1 + (qtKey - Qt::Key_F1);
    return 0;
}

}  // namespace

int osgKeyCode(const QKeyEvent& event)
{
    if (const int named = namedKey(event.key()))
        return named;
    const QString text = event.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

}  // namespace mw
