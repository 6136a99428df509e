#include "interaction/screen_draw.h"

#include <osg/GL>
#include <osg/StateSet>

namespace mw {

ScreenDraw::ScreenDraw()
{
    // The points change between frames; a compiled list would show a stale path.
    setUseDisplayList(false);
    setDataVariance(osg::Object::DYNAMIC);
    osg::StateSet* state = getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE);
    state->setTextureMode(0, GL_TEXTURE_2D, osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE);
}

void ScreenDraw::clearLasso()
{
    points_.clear();
    closed_ = false;
    boundsDirty_ = true;
}

void ScreenDraw::addLassoPoint(float x, float y)
{
    points_.emplace_back(x, y);
    boundsDirty_ = true;
}

void ScreenDraw::closeLasso()
{
    if (points_.empty()) return;
    points_.push_back(points_.front());
    closed_ = true;
    boundsDirty_ = true;
}

bool ScreenDraw::isInsideLasso(float x, float y) const
{
    if (!closed_) return false;
    if (boundsDirty_) {
        bounds_ = lassoBounds(points_);
        boundsDirty_ = false;
    }
    return insideLassoPath(points_, bounds_, osg::Vec2(x, y));
}

void ScreenDraw::drawImplementation(osg::RenderInfo&) const
{
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINE_STRIP);
    for (const osg::Vec2& p : points_) glVertex2fv(p.ptr());
    glEnd();
}

osg::BoundingBox ScreenDraw::computeBoundingBox() const
{
    return osg::BoundingBox(0.0f, 0.0f, 0.0f, kOverlayWidth, kOverlayHeight, 0.0f);
}

}  // namespace mw
