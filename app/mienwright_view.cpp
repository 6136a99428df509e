#include "app/mienwright_view.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include "app/osg_keys.h"
#include "view/view_setup.h"

namespace mw {

namespace {

using Event = osgGA::GUIEventAdapter;

// One notch of an ordinary mouse wheel, in eighths of a degree.
constexpr int kWheelStep = 120;

int osgButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::MiddleButton: return 2;
    case Qt::RightButton: return 3;
    default: return 0;
    }
}

}  // namespace

CMienwrightView::CMienwrightView(Document& doc, QWidget* parent) : QOpenGLWidget(parent), state_(std::make_unique<View>())
{
    setFormat(surfaceFormat());
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(16, 16);

    buildView(*state_, doc, ViewHooks{
                           [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier); },
                           [this] { setFocus(Qt::MouseFocusReason); },
                           [this](float x, float y) { return pixelsOf(x, y); },
                       });

    viewer_ = new osgViewer::Viewer;
    viewer_->setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    window_ = viewer_->setUpViewerAsEmbeddedInWindow(0, 0, std::max(width(), 1), std::max(height(), 1));
    attachViewer(*state_, *viewer_);
    // Pointer positions arrive in widget coordinates (y down); the handlers read them normalised.
    events().getCurrentEventState()->setMouseYOrientation(Event::Y_INCREASING_DOWNWARDS);
    events().windowResize(0, 0, std::max(width(), 1), std::max(height(), 1));
}

CMienwrightView::~CMienwrightView()
{
    // The face first, then the scene, then the viewer, with the context current so that their
    // OpenGL objects are released in it.
    if (realized_) {
        makeCurrent();
        // Textures outlive this context in the process-wide cache; a later context that gets
        // the same id must not find them marked as already loaded.
        state_->scene.light->releaseGLObjects(window_->getState());
    }
    if (state_->faceNode)
        state_->scene.headTransform->removeChild(state_->faceNode.get());
    state_->faceNode = nullptr;
    state_->comparisonRenderer = nullptr;
    viewer_->setSceneData(nullptr);
    state_.reset();
    viewer_ = nullptr;
    window_ = nullptr;
    if (realized_)
        doneCurrent();
}

QSurfaceFormat CMienwrightView::surfaceFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    return format;
}

osg::Vec2 CMienwrightView::pixelsOf(float x, float y) const
{
    const qreal ratio = devicePixelRatioF();
    return normalisedToPixels(x, y, static_cast<float>(width() * ratio), static_cast<float>(height() * ratio));
}

void CMienwrightView::initializeGL()
{
    // Realised only now: the viewer reads the OpenGL implementation's capabilities from the
    // context that is current, which is this widget's from here on.
    viewer_->realize();
    realized_ = true;
}

void CMienwrightView::resizeGL(int width, int height)
{
    const qreal ratio = devicePixelRatioF();
    window_->resized(0, 0, static_cast<int>(std::lround(width * ratio)), static_cast<int>(std::lround(height * ratio)));
    events().windowResize(0, 0, std::max(width, 1), std::max(height, 1));
}

void CMienwrightView::paintGL()
{
    if (!realized_)
        return;
    // Qt draws this widget into a framebuffer object of its own; the viewer must come back to
    // it whenever it unbinds one.
    window_->setDefaultFboId(defaultFramebufferObject());
    // The camera as it is now, even when no update traversal has run since it last moved.
    state_->camera->updateCamera(*viewer_->getCamera());
    viewer_->renderingTraversals();
    ++frames_;
}

bool CMienwrightView::advance()
{
    if (!realized_ || viewer_->done())
        return false;
    viewer_->advance();
    viewer_->eventTraversal();
    viewer_->updateTraversal();
    return viewer_->getRequestRedraw();
}

void CMienwrightView::redraw() { update(); }

void CMienwrightView::requestRedraw() { viewer_->requestRedraw(); }

void CMienwrightView::mousePressEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    events().mouseButtonPress(static_cast<float>(p.x()), static_cast<float>(p.y()), osgButton(event->button()));
}

void CMienwrightView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    events().mouseButtonRelease(static_cast<float>(p.x()), static_cast<float>(p.y()), osgButton(event->button()));
}

void CMienwrightView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    events().mouseDoubleButtonPress(static_cast<float>(p.x()), static_cast<float>(p.y()), osgButton(event->button()));
}

void CMienwrightView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF p = event->position();
    events().mouseMotion(static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void CMienwrightView::wheelEvent(QWheelEvent* event)
{
    // Fine-grained wheels and touchpads report fractions of a notch; whole notches are sent.
    wheelAngle_ += event->angleDelta().y();
    for (; wheelAngle_ >= kWheelStep; wheelAngle_ -= kWheelStep)
        events().mouseScroll(Event::SCROLL_UP);
    for (; wheelAngle_ <= -kWheelStep; wheelAngle_ += kWheelStep)
        events().mouseScroll(Event::SCROLL_DOWN);
    event->accept();
}

void CMienwrightView::keyPressEvent(QKeyEvent* event)
{
    if (const int key = osgKeyCode(*event))
        events().keyPress(key);
    QOpenGLWidget::keyPressEvent(event);
}

void CMienwrightView::keyReleaseEvent(QKeyEvent* event)
{
    if (const int key = osgKeyCode(*event))
        events().keyRelease(key);
    QOpenGLWidget::keyReleaseEvent(event);
}


}  // namespace mw
