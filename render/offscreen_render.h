#pragma once
// Drawing a scene without a window on screen: a pixel buffer (or, where the display offers
// none, a plain window) on whatever X display is available, Xvfb included, or an EGL pixel
// buffer where there is no X display at all, read back into an image.

#include <memory>
#include <string>

#include <osg/BoundingSphere>
#include <osg/Camera>
#include <osg/GraphicsContext>
#include <osg/Image>
#include <osg/Matrixd>
#include <osg/ref_ptr>
#include <osgViewer/Viewer>

namespace mw {

struct RenderCamera {
    osg::Matrixd view;
    osg::Matrixd projection;
};

// Looks at the sphere from +z, y up, so that all of it shows in an image whose width / height
// is `aspect`, with depth room to spare for morphs that push vertices out of it. An empty or
// broken sphere is treated as the unit sphere.
RenderCamera frontCamera(const osg::BoundingSphere& bound, double aspect);

// Which axis of the face points up: +y in the editor's world (the face looks along -z), +z
// for models that come from Z-up tools (the face then looks along -y).
enum class UpAxis { Y, Z };
// Where a picture of a head is taken from: in front of the face, from its right, from above
// (the face towards the top of the picture), or from the front right and a little above.
enum class ViewDirection { Front, Side, Top, ThreeQuarter };

// Like frontCamera, from the given direction around a head whose up axis is `up`.
RenderCamera headCamera(const osg::BoundingSphere& bound, double aspect, ViewDirection view, UpAxis up);

class FrameReader;

// One single-threaded viewer bound to an offscreen OpenGL context, mid-grey background.
class OffscreenRenderer {
public:
    OffscreenRenderer(osg::GraphicsContext* context, unsigned width, unsigned height);
    ~OffscreenRenderer();
    OffscreenRenderer(const OffscreenRenderer&) = delete;
    OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;

    // The scene is drawn as given; wrap it with makeLitScene for the editor's lighting.
    void setScene(osg::Node* scene);
    void setCamera(const RenderCamera& camera);

    // Draws one frame and returns its pixels: RGB, 8 bits each, bottom row first.
    osg::ref_ptr<osg::Image> capture();
    // Draws one frame and waits until OpenGL has finished it.
    void drawFrame();

    unsigned width() const { return width_; }
    unsigned height() const { return height_; }

private:
    unsigned width_;
    unsigned height_;
    osg::ref_ptr<FrameReader> reader_;
    osg::ref_ptr<osgViewer::Viewer> viewer_;
};

// Null, with a one-line reason in `error`, when neither the X display nor EGL offers OpenGL.
std::unique_ptr<OffscreenRenderer> openOffscreenRenderer(unsigned width, unsigned height, std::string& error);

// Draws `subject` lit like the editor, framed from the given direction, and returns the
// pixels; null when OpenGL returned none.
osg::ref_ptr<osg::Image> captureHead(OffscreenRenderer& renderer, osg::Node* subject, ViewDirection view, UpAxis up);

}  // namespace mw
