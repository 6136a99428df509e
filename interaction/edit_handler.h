#pragma once
// The edit handler: places the head (or the comparison face) with pointer drags according to the
// edit mode, turns it in fixed steps, and records the lasso in vertex mode.

#include <functional>

#include <osg/MatrixTransform>
#include <osg/Quat>
#include <osg/Vec3>
#include <osg/ref_ptr>
#include <osgGA/GUIEventHandler>

#include "interaction/pixel_conversion.h"
#include "interaction/screen_draw.h"

namespace mw {

// The values are the ones the menu commands pass to the view.
enum class EditMode : int { Navigation = 0, Translate = 1, Scale = 2, Vertex = 3 };

class MienwrightHandler : public osgGA::GUIEventHandler {
public:
    // toPixels converts pointer positions for the scale and translate drags; without one the
    // overlay's 1280 x 1024 virtual screen stands in for the window.
    explicit MienwrightHandler(PixelConversion toPixels = {});

    using osgGA::GUIEventHandler::handle;
    // Never consumes an event, so the camera and the focus handler see every one too.
    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

    // Writes scale x rotation x translation into the target; nothing without a target.
    void updateTransform();
    void setScale(float s);
    void setTranslation(float x, float y, float z);
    // Turns by `degrees` about (-ax, -ay, az) after the current rotation.
    void rotate(float ax, float ay, float az, float degrees);
    // Back to scale 1, no translation, no rotation. The target's matrix is left for the caller to reset.
    void resetTransform();

    // Pointer position (normalised) at the last button press or scale/translate step.
    float lastX = 0.0f;
    float lastY = 0.0f;
    bool enabled = false;
    EditMode mode = EditMode::Navigation;
    osg::ref_ptr<osg::MatrixTransform> targetTransform;
    float scale = 1.0f;
    osg::Vec3 translation;
    osg::Quat rotation;
    osg::ref_ptr<ScreenDraw> lasso;
    PixelConversion toPixels;

    // Called after a drag step has changed the edit transform (the view decides what that means
    // for its modified state) and after a release has completed a lasso.
    std::function<void()> onTransformEdited;
    std::function<void()> onLassoClosed;
    // Called first on every pointer button press and release; a release passes the buttons
    // still held after it, so the end of a whole drag is a release that passes 0.
    std::function<void()> onPointerPressed;
    std::function<void(int heldButtons)> onPointerReleased;

protected:
    ~MienwrightHandler() override = default;

private:
    float pixelDeltaY(float x, float y) const;
    void dragTransform(float x, float y, osgGA::GUIActionAdapter& aa);
};

}  // namespace mw
