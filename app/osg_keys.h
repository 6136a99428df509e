#pragma once
// Qt key events as the scene viewer's key codes.

class QKeyEvent;

namespace mw {

// The viewer's code for the key: printable keys by their character (space is 0x20), the
// common editing, movement, function and modifier keys by the viewer's named codes; 0 for a
// key the viewer has no name for.
int osgKeyCode(const QKeyEvent& event);

}  // namespace mw
