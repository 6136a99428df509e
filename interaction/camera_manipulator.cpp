#include "interaction/camera_manipulator.h"

#include <algorithm>
#include <cmath>

#include <osg/Quat>

namespace mw {

namespace {

using Event = osgGA::GUIEventAdapter;

// 180 / pi with pi rounded to single precision, the factor the elevation limit was tuned with.
constexpr double kDegreesPerRadian = 57.29577791868204;
constexpr double kMaxElevationDegrees = 85.0;

osg::Vec3 normalised(const osg::Vec3& v)
{
    const float length = v.length();
    return length > 0.0f ? osg::Vec3(v.x() / length, v.y() / length, v.z() / length) : v;
}

// Elevation of the viewing direction (minus row 2) above or below the x-z plane, in degrees.
double elevationDegrees(const osg::Matrixd& rotation)
{
    const double a = -rotation(2, 1);
    const double b = std::sqrt(rotation(2, 0) * rotation(2, 0) + rotation(2, 2) * rotation(2, 2));
    const double ratio = std::min(b / std::sqrt(a * a + b * b), 1.0);
    return std::acos(ratio) * kDegreesPerRadian;
}

bool isPointerButton(int button)
{
    return button == Event::LEFT_MOUSE_BUTTON || button == Event::MIDDLE_MOUSE_BUTTON ||
           button == Event::RIGHT_MOUSE_BUTTON;
}

}  // namespace

MienwrightCamera::MienwrightCamera(std::function<bool()> altDown) : altKeyDown(std::move(altDown))
{
    resetView();
}

void MienwrightCamera::setByMatrix(const osg::Matrixd&) {}

void MienwrightCamera::setByInverseMatrix(const osg::Matrixd& matrix)
{
    setByMatrix(osg::Matrixd::inverse(matrix));
}

osg::Matrixd MienwrightCamera::getMatrix() const
{
    osg::Matrixd m = rotation;
    m.setTrans(eye);
    return m;
}

osg::Matrixd MienwrightCamera::getInverseMatrix() const
{
    return osg::Matrixd::inverse(getMatrix());
}

void MienwrightCamera::setHomeNode(osg::Node* node)
{
    homeNode_ = node;
}

void MienwrightCamera::resetView()
{
    center.set(0.0f, 0.0f, 0.0f);
    eye.set(0.0f, 2.0f, 8.0f);
    lookAtPoint(center);
    if (!homeNode_) return;

    // An empty scene, or one shrunk to a point, has nothing to frame: keep the default view
    // rather than build an orientation from a zero-length direction.
    const osg::BoundingSphere sphere = homeNode_->getBound();
    if (!sphere.valid() || !(sphere.radius() > 0.0f)) return;
    const osg::Vec3 c = sphere.center();
    placeCamera(osg::Vec3(c.x(), c.y(), c.z() - 3.5f * sphere.radius()), c, osg::Vec3(0.0f, 1.0f, 0.0f));
    center = c;
}

void MienwrightCamera::lookAtPoint(const osg::Vec3& p)
{
    osg::Vec3 d = p - eye;
    if (d == osg::Vec3(0.0f, 0.0f, 0.0f)) d.set(0.0f, 0.0f, -1.0f);
    d = normalised(d);
    osg::Vec3 hint(0.0f, 1.0f, 0.0f);
    if (d == osg::Vec3(0.0f, 1.0f, 0.0f) || d == osg::Vec3(0.0f, -1.0f, 0.0f)) hint.set(1.0f, 0.0f, 0.0f);
    const osg::Vec3 s = normalised(d ^ hint);
    const osg::Vec3 u = normalised(s ^ d);
    rotation.set(s.x(), s.y(), s.z(), 0.0,
                 u.x(), u.y(), u.z(), 0.0,
                 -d.x(), -d.y(), -d.z(), 0.0,
                 0.0, 0.0, 0.0, 1.0);
}

void MienwrightCamera::placeCamera(const osg::Vec3& e, const osg::Vec3& t, const osg::Vec3& up)
{
    osg::Vec3 f = t - e;
    const float dist = f.length();
    f = normalised(f);
    const osg::Vec3 s = normalised(f ^ up);
    const osg::Vec3 u = normalised(s ^ f);
    const osg::Matrixd look(s.x(), u.x(), -f.x(), 0.0,
                            s.y(), u.y(), -f.y(), 0.0,
                            s.z(), u.z(), -f.z(), 0.0,
                            0.0, 0.0, 0.0, 1.0);
    const osg::Quat q = look.getRotate();
    const osg::Matrixd m = osg::Matrixd::translate(0.0, 0.0, dist) * osg::Matrixd::rotate(q.inverse()) *
                           osg::Matrixd::translate(t);
    eye = osg::Vec3(m.getTrans());
    rotation = m;
}

osg::Vec3 MienwrightCamera::movedAlongAxis(const osg::Vec3& point, const osg::Vec3d& offset) const
{
    osg::Matrixd m = rotation;
    m.setTrans(point);
    return osg::Vec3((osg::Matrixd::translate(offset) * m).getTrans());
}

void MienwrightCamera::zoom(float amount)
{
    const float step = (eye - center).length() * 0.125f * amount;
    eye = movedAlongAxis(eye, osg::Vec3d(0.0, 0.0, -step));
}

void MienwrightCamera::panSideways(float a)
{
    center = movedAlongAxis(center, osg::Vec3d(a, 0.0, 0.0));
    moveEyeSideways(a);
}

void MienwrightCamera::panVertical(float a)
{
    center = movedAlongAxis(center, osg::Vec3d(0.0, a, 0.0));
    moveEyeVertical(a);
}

void MienwrightCamera::moveEyeSideways(float a)
{
    eye = movedAlongAxis(eye, osg::Vec3d(a, 0.0, 0.0));
}

void MienwrightCamera::moveEyeVertical(float a)
{
    eye = movedAlongAxis(eye, osg::Vec3d(0.0, a, 0.0));
}

void MienwrightCamera::orbitHorizontal(float dx)
{
    const float dist = (eye - center).length();
    moveEyeSideways(-dist * dx);
    lookAtPoint(center);
    eye = center + normalised(eye - center) * dist;
}

void MienwrightCamera::orbitVertical(float dy)
{
    const osg::Vec3 savedEye = eye;
    const osg::Matrixd savedRotation = rotation;
    const float dist = (eye - center).length();
    moveEyeVertical(-dist * dy);
    lookAtPoint(center);
    if (elevationDegrees(rotation) > kMaxElevationDegrees) {
        eye = savedEye;
        rotation = savedRotation;
        return;
    }
    eye = center + normalised(eye - center) * dist;
}

bool MienwrightCamera::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    float x = ea.getXnormalized();
    float y = ea.getYnormalized();
    // Sentinels some window systems report for a pointer outside the window.
    if (x > 200.0f) x = -1.0f;
    if (y < -200.0f) y = 1.0f;

    bool moved = false;
    switch (ea.getEventType()) {
    case Event::PUSH:
        if (isPointerButton(ea.getButton())) {
            lastX = x;
            lastY = y;
        }
        break;
    case Event::DRAG:
    case Event::MOVE: {
        const int buttons = ea.getButtonMask();
        if (buttons == Event::MIDDLE_MOUSE_BUTTON) {
            panSideways(-(x - lastX));
            panVertical(-(y - lastY));
        } else if (buttons == Event::RIGHT_MOUSE_BUTTON) {
            zoom((y - lastY) * 20.0f);
        } else if (buttons == Event::LEFT_MOUSE_BUTTON && (freeRotate || altHeld())) {
            orbitHorizontal(x - lastX);
            orbitVertical(y - lastY);
        } else {
            break;
        }
        lastX = x;
        lastY = y;
        moved = true;
        break;
    }
    case Event::KEYDOWN:
        if (ea.getKey() == Event::KEY_Space) {
            resetView();
            moved = true;
        }
        break;
    case Event::SCROLL:
        if (ea.getScrollingMotion() == Event::SCROLL_UP) {
            zoom(1.0f);
            moved = true;
        } else if (ea.getScrollingMotion() == Event::SCROLL_DOWN) {
            zoom(-1.0f);
            moved = true;
        }
        break;
    default:
        break;
    }
    if (moved) aa.requestRedraw();
    return false;
}

}  // namespace mw
