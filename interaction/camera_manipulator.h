#pragma once
// The 3D view's camera: an explicit eye, a look-at centre and an orientation, moved by orbit, pan
// and zoom gestures. It never consumes an event, so the edit handler sees the same drags.

#include <functional>

#include <osg/Matrixd>
#include <osg/Node>
#include <osg/Vec3>
#include <osg/ref_ptr>
#include <osgGA/CameraManipulator>

namespace mw {

class MienwrightCamera : public osgGA::CameraManipulator {
public:
    // altKeyDown reports the live state of the Alt key when an event is handled; none means "up".
    explicit MienwrightCamera(std::function<bool()> altKeyDown = {});

    using osgGA::CameraManipulator::handle;
    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

    // The view is driven by the gestures alone; matrices from outside are ignored.
    void setByMatrix(const osg::Matrixd& matrix) override;
    void setByInverseMatrix(const osg::Matrixd& matrix) override;
    // rotation with eye as its translation; its inverse is the view matrix.
    osg::Matrixd getMatrix() const override;
    osg::Matrixd getInverseMatrix() const override;

    // Stores the node that resetView frames; does not move the camera.
    void setHomeNode(osg::Node* node);
    osg::Node* homeNode() const { return homeNode_.get(); }

    // Looks at the home node's bounding sphere along +z from 3.5 radii, or from (0, 2, 8) at the
    // origin when there is nothing to frame.
    void resetView();
    // Turns the camera at `eye` towards p; +x serves as the up hint when looking straight up or down.
    void lookAtPoint(const osg::Vec3& p);
    // Puts the camera at e looking at t with up hint u.
    void placeCamera(const osg::Vec3& e, const osg::Vec3& t, const osg::Vec3& u);
    // Moves the eye towards the centre by an eighth of the distance per unit.
    void zoom(float amount);
    // Move centre and eye together by a world units along the camera's side / up axis.
    void panSideways(float a);
    void panVertical(float a);
    // Swing the eye around the centre; dx, dy are fractions of the distance.
    void orbitHorizontal(float dx);
    // A step that would lift the view beyond 85 degrees of elevation is rejected whole.
    void orbitVertical(float dy);
    void moveEyeSideways(float a);
    void moveEyeVertical(float a);

    osg::Vec3 center;
    osg::Vec3 eye;
    // Rows 0, 1, 2 are the camera's side, up and back axes in world coordinates.
    osg::Matrixd rotation;
    // Pointer position (normalised) at the last press or movement step.
    float lastX = 0.0f;
    float lastY = 0.0f;
    // A plain left drag orbits (navigation mode); otherwise Alt must be held.
    bool freeRotate = false;
    std::function<bool()> altKeyDown;

protected:
    ~MienwrightCamera() override = default;

private:
    osg::Vec3 movedAlongAxis(const osg::Vec3& point, const osg::Vec3d& offset) const;
    bool altHeld() const { return altKeyDown && altKeyDown(); }

    osg::ref_ptr<osg::Node> homeNode_;
};

}  // namespace mw
