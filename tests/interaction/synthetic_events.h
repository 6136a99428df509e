#pragma once
// Feeds a handler events in normalised window coordinates (-1 ... 1, y up).

#include <osgGA/GUIActionAdapter>
#include <osgGA/GUIEventHandler>

namespace mw::test {

using Event = osgGA::GUIEventAdapter;

struct EventDriver : osgGA::GUIActionAdapter {
    explicit EventDriver(osgGA::GUIEventHandler& h) : handler(h) {}
    void requestRedraw() override { ++redraws; }
    void requestContinuousUpdate(bool) override {}
    void requestWarpPointer(float, float) override {}

    void send(Event::EventType type, float x, float y, int button, int mask, int key = 0,
              Event::ScrollingMotion scroll = Event::SCROLL_NONE)
    {
        osg::ref_ptr<Event> e = new Event;
        e->setEventType(type);
        e->setInputRange(-1, -1, 1, 1);
        e->setMouseYOrientation(Event::Y_INCREASING_UPWARDS);
        e->setX(x);
        e->setY(y);
        e->setButton(button);
        e->setButtonMask(mask);
        e->setKey(key);
        e->setScrollingMotion(scroll);
        consumed = handler.handle(*e, *this) || consumed;
    }
    void press(float x, float y, int b = Event::LEFT_MOUSE_BUTTON) { send(Event::PUSH, x, y, b, b); }
    void drag(float x, float y, int mask = Event::LEFT_MOUSE_BUTTON) { send(Event::DRAG, x, y, 0, mask); }
    void release(float x, float y, int b = Event::LEFT_MOUSE_BUTTON) { send(Event::RELEASE, x, y, b, 0); }
    void key(int k) { send(Event::KEYDOWN, 0, 0, 0, 0, k); }
    void scroll(Event::ScrollingMotion m) { send(Event::SCROLL, 0, 0, 0, 0, 0, m); }

    osgGA::GUIEventHandler& handler;
    int redraws = 0;
    bool consumed = false;  // none of our handlers may ever consume an event
};

}  // namespace mw::test
