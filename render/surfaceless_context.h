#pragma once
// An OpenGL context that needs no display: Mesa's surfaceless EGL platform with a pixel-buffer
// surface, for drawing where no X server runs (a file manager's thumbnailer, a build machine).

#include <string>

#include <osg/GraphicsContext>
#include <osg/ref_ptr>

namespace mw {

// A realized context of `width` × `height` pixels, double-buffered in OpenGL's sense (drawing
// and reading go to the back buffer); null, with a one-line reason in `error`, when EGL offers
// no desktop OpenGL here.
osg::ref_ptr<osg::GraphicsContext> openSurfacelessContext(unsigned width, unsigned height, std::string& error);

}  // namespace mw
