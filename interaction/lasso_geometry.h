#pragma once
// Point-in-lasso test for the closed path the user draws in vertex mode.
// Pure geometry on overlay units (a 1280 x 1024 virtual screen, origin bottom left).

#include <span>

#include <osg/Vec2>

namespace mw {

// Axis-aligned box around the lasso points; the sentinels make an empty path reject everything.
struct LassoBounds {
    float minX = 2147483648.0f;
    float maxX = -2147483648.0f;
    float minY = 2147483648.0f;
    float maxY = -2147483648.0f;
};

LassoBounds lassoBounds(std::span<const osg::Vec2> points);

// True when segment a1-a2 crosses segment b1-b2. Collinear triples count as one side,
// so touching at an end point counts as a crossing.
bool segmentsCross(const osg::Vec2& a1, const osg::Vec2& a2, const osg::Vec2& b1, const osg::Vec2& b2);

// Crossing-number test: casts a ray from p to 100 units beyond the box's right edge and
// counts how many path edges (including the closing edge from the last point to the first) it crosses.
bool insideLassoPath(std::span<const osg::Vec2> points, const LassoBounds& bounds, const osg::Vec2& p);

}  // namespace mw
