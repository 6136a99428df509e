#include "render/offscreen_render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <osg/GL>
#include <osg/Notify>
#include <osg/Viewport>

#include "render/lit_scene.h"
#include "render/surfaceless_context.h"

namespace mw {
namespace {

// The scene-graph library comments on context creation on its own; callers print one line
// of their own instead.
class QuietNotify {
public:
    QuietNotify() : previous_(osg::getNotifyLevel()) { osg::setNotifyLevel(osg::FATAL); }
    ~QuietNotify() { osg::setNotifyLevel(previous_); }
    QuietNotify(const QuietNotify&) = delete;
    QuietNotify& operator=(const QuietNotify&) = delete;

private:
    osg::NotifySeverity previous_;
};

}  // namespace

// Reads the finished frame back while the context is still current, or just waits for it.
class FrameReader : public osg::Camera::DrawCallback {
public:
    FrameReader(GLenum buffer, unsigned width, unsigned height) : buffer_(buffer), width_(width), height_(height) {}

    void arm(osg::Image* target) { target_ = target; }

    void operator()(osg::RenderInfo&) const override
    {
        if (!target_) {
            glFinish();
            return;
        }
        glReadBuffer(buffer_);
        target_->readPixels(0, 0, static_cast<int>(width_), static_cast<int>(height_), GL_RGB, GL_UNSIGNED_BYTE);
        target_ = nullptr;
    }

private:
    GLenum buffer_;
    unsigned width_;
    unsigned height_;
    mutable osg::ref_ptr<osg::Image> target_;
};

namespace {

osg::ref_ptr<osg::GraphicsContext> openContext(unsigned width, unsigned height, bool pbuffer)
{
    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->readDISPLAY();
    traits->setUndefinedScreenDetailsToDefaultScreen();
    traits->x = 0;
    traits->y = 0;
    traits->width = static_cast<int>(width);
    traits->height = static_cast<int>(height);
    traits->red = traits->green = traits->blue = 8;
    traits->depth = 24;
    traits->windowDecoration = false;
    traits->pbuffer = pbuffer;
    traits->doubleBuffer = !pbuffer;
    traits->sharedContext = nullptr;
    osg::ref_ptr<osg::GraphicsContext> context = osg::GraphicsContext::createGraphicsContext(traits.get());
    if (!context || !context->valid() || !context->realize())
        return nullptr;
    // A context that cannot be made current or names no OpenGL version is of no use.
    const bool usable = context->makeCurrent() && glGetString(GL_VERSION) != nullptr;
    context->releaseContext();
    return usable ? context : nullptr;
}

bool finite(const osg::BoundingSphere& bound)
{
    const osg::Vec3 c = bound.center();
    return std::isfinite(c.x()) && std::isfinite(c.y()) && std::isfinite(c.z()) && std::isfinite(bound.radius());
}

// Frames the sphere from `direction` (unit, from the centre towards the eye) with `up` on top.
RenderCamera framedCamera(const osg::BoundingSphere& bound, double aspect, const osg::Vec3d& direction,
                          const osg::Vec3d& up)
{
    osg::Vec3d center;
    double radius = 1.0;
    if (bound.valid() && finite(bound)) {
        center = bound.center();
        if (bound.radius() > 0.0f)
            radius = bound.radius();
    }
    aspect = aspect > 0.0 && std::isfinite(aspect) ? aspect : 1.0;
    const double fovy = 30.0;
    const double halfY = osg::DegreesToRadians(fovy / 2.0);
    const double halfX = std::atan(std::tan(halfY) * aspect);
    const double distance = radius / std::sin(std::min(halfX, halfY));

    RenderCamera camera;
    camera.view = osg::Matrixd::lookAt(center + direction * distance, center, up);
    camera.projection = osg::Matrixd::perspective(fovy, aspect, distance * 0.05, distance + radius * 20.0);
    return camera;
}

}  // namespace

RenderCamera frontCamera(const osg::BoundingSphere& bound, double aspect)
{
    return framedCamera(bound, aspect, osg::Vec3d(0.0, 0.0, 1.0), osg::Vec3d(0.0, 1.0, 0.0));
}

RenderCamera headCamera(const osg::BoundingSphere& bound, double aspect, ViewDirection view, UpAxis up)
{
    // The head's own axes: where it looks, what is up, and its right hand.
    const osg::Vec3d top = up == UpAxis::Y ? osg::Vec3d(0.0, 1.0, 0.0) : osg::Vec3d(0.0, 0.0, 1.0);
    const osg::Vec3d forward = up == UpAxis::Y ? osg::Vec3d(0.0, 0.0, -1.0) : osg::Vec3d(0.0, -1.0, 0.0);
    const osg::Vec3d right = forward ^ top;
    switch (view) {
    case ViewDirection::Side:
        return framedCamera(bound, aspect, right, top);
    case ViewDirection::Top:
        return framedCamera(bound, aspect, top, forward);
    case ViewDirection::ThreeQuarter: {
        osg::Vec3d direction = forward + right + top * 0.4;
        direction.normalize();
        return framedCamera(bound, aspect, direction, top);
    }
    case ViewDirection::Front:
        break;
    }
    return framedCamera(bound, aspect, forward, top);
}

OffscreenRenderer::OffscreenRenderer(osg::GraphicsContext* context, unsigned width, unsigned height)
    : width_(width), height_(height)
{
    const GLenum buffer = context->getTraits()->doubleBuffer ? GL_BACK : GL_FRONT;
    reader_ = new FrameReader(buffer, width, height);

    viewer_ = new osgViewer::Viewer;
    viewer_->setThreadingModel(osgViewer::Viewer::SingleThreaded);
    viewer_->setLightingMode(osg::View::NO_LIGHT);
    viewer_->setKeyEventSetsDone(0);
    osg::Camera* camera = viewer_->getCamera();
    camera->setGraphicsContext(context);
    camera->setViewport(new osg::Viewport(0, 0, width, height));
    camera->setDrawBuffer(buffer);
    camera->setReadBuffer(buffer);
    camera->setClearColor(osg::Vec4(0.5f, 0.5f, 0.5f, 1.0f));
    camera->setComputeNearFarMode(osg::CullSettings::DO_NOT_COMPUTE_NEAR_FAR);
    // Bounds are those of the rest pose; a morph may move a face into view from outside them.
    camera->setCullingMode(osg::CullSettings::NO_CULLING);
    camera->setFinalDrawCallback(reader_.get());
    const QuietNotify quiet;  // the context is realized already, which the viewer would remark on
    viewer_->realize();
}

OffscreenRenderer::~OffscreenRenderer()
{
    // Closing the context while the scene is still attached releases the textures' GL
    // objects, so a later context that reuses the id starts clean.
    viewer_ = nullptr;
}

void OffscreenRenderer::setScene(osg::Node* scene) { viewer_->setSceneData(scene); }

void OffscreenRenderer::setCamera(const RenderCamera& camera)
{
    viewer_->getCamera()->setViewMatrix(camera.view);
    viewer_->getCamera()->setProjectionMatrix(camera.projection);
}

osg::ref_ptr<osg::Image> OffscreenRenderer::capture()
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    reader_->arm(image.get());
    viewer_->frame();
    reader_->arm(nullptr);
    return image->data() ? image : nullptr;
}

void OffscreenRenderer::drawFrame() { viewer_->frame(); }

std::unique_ptr<OffscreenRenderer> openOffscreenRenderer(unsigned width, unsigned height, std::string& error)
{
    if (width == 0 || height == 0) {
        error = "the image size must not be zero";
        return nullptr;
    }
    osg::ref_ptr<osg::GraphicsContext> context;
    const char* display = std::getenv("DISPLAY");
    std::string displayError;
    if (display && *display) {
        const QuietNotify quiet;
        context = openContext(width, height, true);
        if (!context)
            context = openContext(width, height, false);
        if (!context)
            displayError = std::string("no OpenGL context could be created on display ") + display + "; ";
    }
    // Without an X server (a thumbnailer in the background, a build machine) Mesa still draws
    // through EGL's surfaceless platform.
    if (!context) {
        std::string eglError;
        context = openSurfacelessContext(width, height, eglError);
        if (!context) {
            error = displayError + eglError;
            return nullptr;
        }
    }
    return std::make_unique<OffscreenRenderer>(context.get(), width, height);
}

osg::ref_ptr<osg::Image> captureHead(OffscreenRenderer& renderer, osg::Node* subject, ViewDirection view, UpAxis up)
{
    const osg::BoundingSphere bound = subject ? subject->getBound() : osg::BoundingSphere();
    renderer.setScene(makeLitScene(subject).get());
    renderer.setCamera(headCamera(bound, static_cast<double>(renderer.width()) / renderer.height(), view, up));
    return renderer.capture();
}

}  // namespace mw
