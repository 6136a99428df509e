#pragma once
// Gives the 3D view the keyboard focus when a mouse button is pressed in it, so that it receives
// keys and the frame timer redraws it.

#include <functional>

#include <osgGA/GUIEventHandler>

namespace mw {

class FocusHandler : public osgGA::GUIEventHandler {
public:
    explicit FocusHandler(std::function<void()> giveFocus) : giveFocus_(std::move(giveFocus)) {}

    using osgGA::GUIEventHandler::handle;
    // Never consumes an event.
    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

protected:
    ~FocusHandler() override = default;

private:
    std::function<void()> giveFocus_;
};

}  // namespace mw
