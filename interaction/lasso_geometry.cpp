#include "interaction/lasso_geometry.h"

namespace mw {

namespace {

// +1 when r lies on one side of the directed line p->q, -1 on the other side or on the line.
int orient(const osg::Vec2& p, const osg::Vec2& q, const osg::Vec2& r)
{
    return (q.y() - p.y()) * (r.x() - p.x()) < (q.x() - p.x()) * (r.y() - p.y()) ? 1 : -1;
}

}  // namespace

LassoBounds lassoBounds(std::span<const osg::Vec2> points)
{
    LassoBounds box;
    for (const osg::Vec2& p : points) {
        if (p.x() < box.minX) box.minX = p.x();
        if (p.x() > box.maxX) box.maxX = p.x();
        if (p.y() < box.minY) box.minY = p.y();
        if (p.y() > box.maxY) box.maxY = p.y();
    }
    return box;
}

bool segmentsCross(const osg::Vec2& a1, const osg::Vec2& a2, const osg::Vec2& b1, const osg::Vec2& b2)
{
    return orient(a1, a2, b1) * orient(a1, a2, b2) <= 0 && orient(b1, b2, a1) * orient(b1, b2, a2) <= 0;
}

bool insideLassoPath(std::span<const osg::Vec2> points, const LassoBounds& bounds, const osg::Vec2& p)
{
    if (points.empty()) return false;
    if (p.x() < bounds.minX || p.x() > bounds.maxX || p.y() < bounds.minY || p.y() > bounds.maxY) return false;

    const osg::Vec2 far(bounds.maxX + 100.0f, p.y());
    bool inside = false;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        if (segmentsCross(p, far, points[i], points[i + 1])) inside = !inside;
    }
    if (segmentsCross(p, far, points.back(), points.front())) inside = !inside;
    return inside;
}

}  // namespace mw
