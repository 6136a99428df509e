#pragma once
// How a geometry's corners become indexed vertex arrays. Corners that share a vertex, a
// normal and a texture coordinate become one array element, so each frame only the vertex
// positions are refreshed: elements [0, vertexCount) are the geometry's vertices themselves
// and the few elements after them repeat a vertex that is drawn with another normal or
// texture coordinate (a texture seam).

#include <cstdint>
#include <span>
#include <vector>

#include <osg/Vec2>
#include <osg/Vec3>

#include "model/face.h"

namespace mw {

struct DrawTable {
    std::size_t vertexCount = 0;              // vertices of the geometry it was built for
    std::size_t cornerCount = 0;              // entries of vertexIndices it was built from
    std::vector<std::uint32_t> seamSources;   // element vertexCount + k repeats this vertex
    std::vector<osg::Vec3> normals;           // one per element
    std::vector<osg::Vec2> texcoords;         // one per element; empty without texture coordinates
    std::vector<std::uint32_t> corners;       // the element of every drawn corner, in draw order
    std::vector<std::uint32_t> elementSlots;  // normal slot of every element, when built with slots

    std::size_t elementCount() const { return vertexCount + seamSources.size(); }
};

// Corners [0, result) are those that may be drawn: whole triangles that have a normal and,
// when texture coordinates are drawn, a texture coordinate each.
std::size_t drawableCornerLimit(std::size_t cornerCount, std::size_t normalCount,
                                const std::vector<osg::Vec2>* texcoords);

// Builds the table from the geometry's triangle list and the per-corner attributes.
// `cornerTexcoords` null means the geometry is drawn without texture coordinates. Triangles
// that name a missing vertex are left out, exactly as the per-corner drawing leaves them out.
// With `cornerSlots` (one per corner), corners share an element only when they also share a
// normal slot, and elementSlots tells each element's slot, so that normals recomputed per
// slot can be laid out per element (elements no corner uses get NormalSlots::kNoSlot).
DrawTable buildDrawTable(const IndexList& vertexIndices, std::size_t vertexCount,
                         std::span<const osg::Vec3> cornerNormals,
                         const std::vector<osg::Vec2>* cornerTexcoords,
                         std::span<const std::uint32_t> cornerSlots = {});

}  // namespace mw
