#include "interaction/focus_handler.h"

namespace mw {

bool FocusHandler::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter&)
{
    if (ea.getEventType() == osgGA::GUIEventAdapter::PUSH && giveFocus_) giveFocus_();
    return false;
}

}  // namespace mw
