#pragma once
// The selection box: short white brackets at the eight corners of the displayed geometry's
// bounding box, so the geometry stays visible inside them.

#include <array>

#include <osg/BoundingBox>
#include <osg/Drawable>
#include <osg/Vec3>

namespace mw {

// 8 corners x 3 edges, two vertices per segment.
inline constexpr std::size_t kBracketVertexCount = 48;

// The bracket segments for `box`: from each corner, in the order (x0 y0 z0), (x0 y0 z1),
// (x0 y1 z0), … (x1 y1 z1), one segment along x, then y, then z, each a fifth of the box's
// extent long and pointing into the box. A flat axis gives zero-length segments.
std::array<osg::Vec3, kBracketVertexCount> bracketSegments(const osg::BoundingBox& box);

class FaceGeomBox : public osg::Drawable {
public:
    // Hidden, with an empty box and no displayed geometry. The brackets are compiled into a
    // display list, so every change goes through show() or hide().
    FaceGeomBox();

    osg::Object* cloneType() const override { return new FaceGeomBox; }
    osg::Object* clone(const osg::CopyOp&) const override { return new FaceGeomBox; }
    bool isSameKindAs(const osg::Object* obj) const override { return dynamic_cast<const FaceGeomBox*>(obj) != nullptr; }
    const char* libraryName() const override { return "mw"; }
    const char* className() const override { return "FaceGeomBox"; }

    // Marks `box` and shows the brackets.
    void show(const osg::BoundingBox& box);
    // Hides the brackets; the last box is kept.
    void hide();
    // Rebuilds the display list and the bound after hasBox or box was written directly.
    void changed();

    void drawImplementation(osg::RenderInfo& renderInfo) const override;
    // The box while it is shown; a hidden box takes no room, so it cannot enlarge what the
    // camera frames.
    osg::BoundingBox computeBoundingBox() const override { return hasBox ? box : osg::BoundingBox(); }

    bool hasBox = false;
    osg::BoundingBox box;
    // Index of the displayed geometry, -1 for none; the neck-vertex commands work on it.
    int displayedIndex = -1;

protected:
    ~FaceGeomBox() override = default;
};

}  // namespace mw
