#include "render/surfaceless_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <osg/GL>
#include <osgViewer/GraphicsWindow>

namespace mw {
namespace {

// The embedded window of the scene-graph library, made current through EGL instead of being
// assumed current.
class SurfacelessWindow : public osgViewer::GraphicsWindowEmbedded {
public:
    SurfacelessWindow(osg::GraphicsContext::Traits* traits, EGLDisplay display, EGLSurface surface, EGLContext context)
        : osgViewer::GraphicsWindowEmbedded(traits), display_(display), surface_(surface), context_(context)
    {
    }

    bool makeCurrentImplementation() override
    {
        return context_ != EGL_NO_CONTEXT && eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
    }
    bool releaseContextImplementation() override
    {
        return eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
    }
    void swapBuffersImplementation() override { glFinish(); }
    void closeImplementation() override { destroy(); }

protected:
    ~SurfacelessWindow() override { destroy(); }

private:
    void destroy()
    {
        if (context_ == EGL_NO_CONTEXT)
            return;
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroySurface(display_, surface_);
        eglDestroyContext(display_, context_);
        context_ = EGL_NO_CONTEXT;
        surface_ = EGL_NO_SURFACE;
    }

    EGLDisplay display_;
    EGLSurface surface_;
    EGLContext context_;
};

EGLDisplay surfacelessDisplay()
{
    const auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

}  // namespace

osg::ref_ptr<osg::GraphicsContext> openSurfacelessContext(unsigned width, unsigned height, std::string& error)
{
    const EGLDisplay display = surfacelessDisplay();
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = "no display, and EGL offers no surfaceless platform";
        return nullptr;
    }
    // The faces are drawn with the fixed-function pipeline: desktop OpenGL, not OpenGL ES.
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = "no display, and EGL offers no desktop OpenGL";
        return nullptr;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                       EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs) || configs < 1) {
        error = "no display, and EGL offers no pixel buffer with a depth buffer";
        return nullptr;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, static_cast<EGLint>(width), EGL_HEIGHT, static_cast<EGLint>(height),
                                        EGL_NONE};
    const EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) {
        error = "no display, and EGL could not create a pixel buffer of that size";
        return nullptr;
    }
    const EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        eglDestroySurface(display, surface);
        error = "no display, and EGL could not create an OpenGL context";
        return nullptr;
    }

    osg::ref_ptr<osg::GraphicsContext::Traits> traits = new osg::GraphicsContext::Traits;
    traits->width = static_cast<int>(width);
    traits->height = static_cast<int>(height);
    traits->red = traits->green = traits->blue = 8;
    traits->depth = 24;
    traits->pbuffer = true;
    // EGL pixel buffers are drawn and read through the back buffer.
    traits->doubleBuffer = true;
    osg::ref_ptr<osg::GraphicsContext> window = new SurfacelessWindow(traits.get(), display, surface, context);
    if (!window->makeCurrent() || !glGetString(GL_VERSION)) {
        error = "no display, and the EGL context could not be made current";
        return nullptr;
    }
    window->releaseContext();
    return window;
}

}  // namespace mw
