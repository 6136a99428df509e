#pragma once
// The lasso overlay: the path drawn in vertex mode, shown as a white outline in the 2D overlay
// and asked by the neck-vertex commands which points lie inside it.

#include <vector>

#include <osg/Drawable>
#include <osg/Vec2>

#include "interaction/lasso_geometry.h"

namespace mw {

// The overlay is a virtual screen of this many units, origin at the bottom left, stretched over the view.
inline constexpr float kOverlayWidth = 1280.0f;
inline constexpr float kOverlayHeight = 1024.0f;
// Normalised coordinates (-1 … 1) become overlay units as (x + 1) × these.
inline constexpr float kOverlayHalfWidth = kOverlayWidth / 2.0f;
inline constexpr float kOverlayHalfHeight = kOverlayHeight / 2.0f;

class ScreenDraw : public osg::Drawable {
public:
    ScreenDraw();

    // Copies start empty: a lasso belongs to the gesture that drew it.
    osg::Object* cloneType() const override { return new ScreenDraw; }
    osg::Object* clone(const osg::CopyOp&) const override { return new ScreenDraw; }
    bool isSameKindAs(const osg::Object* obj) const override { return dynamic_cast<const ScreenDraw*>(obj) != nullptr; }
    const char* libraryName() const override { return "mw"; }
    const char* className() const override { return "ScreenDraw"; }

    void clearLasso();
    void addLassoPoint(float x, float y);
    // Repeats the first point so the outline closes; does nothing while the path is empty.
    void closeLasso();
    // x, y in overlay units; false while no completed lasso exists.
    bool isInsideLasso(float x, float y) const;

    const std::vector<osg::Vec2>& points() const { return points_; }
    bool isClosed() const { return closed_; }

    void drawImplementation(osg::RenderInfo& renderInfo) const override;
    // The whole overlay, so the lasso is never culled whatever its points.
    osg::BoundingBox computeBoundingBox() const override;

protected:
    ~ScreenDraw() override = default;

private:
    std::vector<osg::Vec2> points_;
    bool closed_ = false;
    mutable LassoBounds bounds_;
    mutable bool boundsDirty_ = true;
};

}  // namespace mw
