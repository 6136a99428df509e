#pragma once
// Turning the viewer's normalised pointer coordinates (-1 ... 1, y up) into window pixels.

#include <functional>

#include <osg/Vec2>

namespace mw {

// Normalised (x, y) to pixels of the view's drawing area, y counted upwards from the bottom edge.
using PixelConversion = std::function<osg::Vec2(float x, float y)>;

// The conversion for a drawing area of width x height pixels.
inline osg::Vec2 normalisedToPixels(float x, float y, float width, float height)
{
    return {(x + 1.0f) * 0.5f * width, (y + 1.0f) * 0.5f * height};
}

}  // namespace mw
