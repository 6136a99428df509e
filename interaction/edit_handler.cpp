#include "interaction/edit_handler.h"

#include "model/edit_transform.h"

namespace mw {

namespace {

using Event = osgGA::GUIEventAdapter;

bool isPointerButton(int button)
{
    return button == Event::LEFT_MOUSE_BUTTON || button == Event::MIDDLE_MOUSE_BUTTON ||
           button == Event::RIGHT_MOUSE_BUTTON;
}

void notify(const std::function<void()>& callback)
{
    if (callback) callback();
}

}  // namespace

MienwrightHandler::MienwrightHandler(PixelConversion conversion) : toPixels(std::move(conversion)) {}

bool MienwrightHandler::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    if (!enabled) return false;
    const float x = ea.getXnormalized();
    const float y = ea.getYnormalized();

    switch (ea.getEventType()) {
    case Event::PUSH:
        if (isPointerButton(ea.getButton()) && onPointerPressed) onPointerPressed();
        // Every button starts a new reference point: a middle or right drag in translate or scale
        // mode must not jump by the distance to an older left press.
        if (isPointerButton(ea.getButton())) {
            lastX = x;
            lastY = y;
        }
        if (ea.getButton() == Event::LEFT_MOUSE_BUTTON && lasso) {
            lasso->clearLasso();
            aa.requestRedraw();
        }
        break;
    case Event::RELEASE:
        if (isPointerButton(ea.getButton()) && onPointerReleased) onPointerReleased(ea.getButtonMask());
        if (ea.getButton() == Event::LEFT_MOUSE_BUTTON && mode == EditMode::Vertex && lasso) {
            lasso->closeLasso();
            aa.requestRedraw();
            if (lasso->isClosed()) notify(onLassoClosed);
        }
        break;
    case Event::DRAG:
        if (mode == EditMode::Scale || mode == EditMode::Translate) {
            dragTransform(x, y, aa);
        } else if (mode == EditMode::Vertex && lasso && !lasso->isClosed()) {
            // A finished lasso stays as drawn: a pan or zoom drag must not add a tail to it.
            lasso->addLassoPoint((x + 1.0f) * kOverlayHalfWidth, (y + 1.0f) * kOverlayHalfHeight);
            aa.requestRedraw();
        }
        break;
    default:
        break;  // key presses and everything else change nothing
    }
    return false;
}

float MienwrightHandler::pixelDeltaY(float x, float y) const
{
    const auto convert = [this](float nx, float ny) {
        return toPixels ? toPixels(nx, ny) : normalisedToPixels(nx, ny, kOverlayWidth, kOverlayHeight);
    };
    return convert(x, y).y() - convert(lastX, lastY).y();
}

// Only vertical motion counts, whichever buttons are held.
void MienwrightHandler::dragTransform(float x, float y, osgGA::GUIActionAdapter& aa)
{
    const float dy = pixelDeltaY(x, y);
    if (mode == EditMode::Scale) {
        scale = scaledByDrag(scale, dy);
    } else {
        translation.y() += dy * 0.001f;
    }
    lastX = x;
    lastY = y;
    updateTransform();
    aa.requestRedraw();
    notify(onTransformEdited);
}

void MienwrightHandler::updateTransform()
{
    if (targetTransform) targetTransform->setMatrix(editMatrix(scale, rotation, translation));
}

void MienwrightHandler::setScale(float s)
{
    scale = s;
    updateTransform();
}

void MienwrightHandler::setTranslation(float x, float y, float z)
{
    translation.set(x, y, z);
    updateTransform();
}

void MienwrightHandler::rotate(float ax, float ay, float az, float degrees)
{
    rotation = turnedRotation(rotation, ax, ay, az, degrees);
    updateTransform();
}

void MienwrightHandler::resetTransform()
{
    scale = 1.0f;
    translation.set(0.0f, 0.0f, 0.0f);
    rotation.set(0.0, 0.0, 0.0, 1.0);
}

}  // namespace mw
