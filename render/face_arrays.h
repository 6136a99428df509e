#pragma once
// One frame of a geometry as indexed vertex arrays, and its submission to OpenGL.

#include <cstdint>
#include <span>

#include <osg/State>
#include <osg/Vec2>
#include <osg/Vec3>

namespace mw {

// Pointers into arrays owned by the renderer; valid until its next frame or change.
struct FaceArrays {
    const osg::Vec3* positions = nullptr;     // one per element
    const osg::Vec3* normals = nullptr;       // one per element
    const osg::Vec2* texcoords = nullptr;     // one per element; null: (0, 0) for every corner
    std::size_t elementCount = 0;
    std::span<const std::uint32_t> corners;   // elements of the triangles, three per triangle
};

// Draws the triangles with client-side arrays in the fixed-function pipeline, keeping the
// scene graph's record of enabled arrays and bound buffers in step.
void submitFaceArrays(osg::State& state, const FaceArrays& arrays);

}  // namespace mw
