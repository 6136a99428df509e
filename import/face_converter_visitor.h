#pragma once
// Turns a scene graph into face geometries: every osg::Geometry becomes one FaceGeom in the
// root's coordinate frame, triangulated, with the texture and material in force above it.

#include <cstdint>
#include <string>

#include <osg/Matrixd>
#include <osg/NodeVisitor>
#include <osg/PrimitiveSet>
#include <osg/Vec4>

#include "model/face.h"

namespace osg {
class Drawable;
class Geode;
class IndexArray;
class StateSet;
class Transform;
}  // namespace osg

namespace mw {

// Index written for a corner whose source index could not be looked up (an index array that is
// too short). No face has that many vertices, so the repair step drops the triangle.
inline constexpr std::uint32_t kMissingIndex = 0xFFFFFFFFu;

class FaceConverterVisitor : public osg::NodeVisitor {
public:
    // Appends what it finds to face.geometries; the face is not owned.
    explicit FaceConverterVisitor(TarvFaceObject& face);

    void apply(osg::Transform& transform) override;
    void apply(osg::Geode& geode) override;
    void apply(osg::Node& node) override;
    // Drawables may hang directly under any group in current scene graphs.
    void apply(osg::Drawable& drawable) override;

    // Updates the texture name, diffuse and specular in force from one state set (null: none).
    void applyStateSet(const osg::StateSet* stateSet);

    // Fills `geom` from one drawable; false when the drawable cannot be converted.
    bool convertGeometry(osg::Drawable& drawable, FaceGeom& geom);

    // Triangles of `count` consecutive vertices from `first`, in the given primitive mode.
    void triangulateArrays(GLenum mode, std::uint32_t first, std::uint32_t count, FaceGeom& geom) const;
    // The same over element indices of any unsigned width.
    template <typename Element>
    void triangulateElements(GLenum mode, std::uint32_t count, const Element* elements, FaceGeom& geom) const;

protected:
    ~FaceConverterVisitor() override = default;

private:
    // The texture name and colours in force; restored when a node or drawable is left.
    struct Appearance {
        std::string texture;
        osg::Vec4 diffuse{-1, -1, -1, -1};   // x <= -1 means none is in force
        osg::Vec4 specular{-1, -1, -1, -1};
    };

    void convertDrawable(osg::Drawable& drawable);
    void indexedTriangleLists(const osg::Geometry& geometry, FaceGeom& geom) const;

    TarvFaceObject& face_;
    osg::Matrixd matrix_;
    Appearance appearance_;
    bool hasTexcoords_ = false;  // the geometry being converted has unit-0 coordinates
};

}  // namespace mw
