#pragma once
// The reference drawing of a geometry: one call per corner attribute between glBegin and
// glEnd. The vertex-array path must give the same pixels; tests and benchmarks compare them.

#include <osg/Array>

#include "model/face.h"
#include "render/corner_attributes.h"
#include "render/draw_table.h"

namespace mw {

// Emits every drawable triangle, corner by corner: the texture coordinate (when given),
// the normal, then the position of the corner's vertex. `Emitter` provides begin(),
// texcoord(Vec2), normal(Vec3), vertex(Vec3) and end().
template <typename Emitter>
void emitCorners(const IndexList& vertexIndices, std::span<const osg::Vec3> positions,
                 const osg::Vec3Array& normals, const osg::Vec2Array* texcoords, Emitter& emit)
{
    const std::size_t limit = drawableCornerLimit(vertexIndices.size(), normals.size(),
                                                  texcoords ? &texcoords->asVector() : nullptr);
    emit.begin();
    for (std::size_t first = 0; first < limit; first += 3) {
        if (!triangleInRange(vertexIndices, first, positions.size()))
            continue;
        for (std::size_t c = first; c < first + 3; ++c) {
            if (texcoords)
                emit.texcoord((*texcoords)[c]);
            emit.normal(normals[c]);
            emit.vertex(positions[vertexIndices[c]]);
        }
    }
    emit.end();
}

// emitCorners straight into OpenGL immediate mode. Without texture coordinates the current
// coordinate is set to (0, 0) first.
void drawImmediate(const IndexList& vertexIndices, std::span<const osg::Vec3> positions,
                   const osg::Vec3Array& normals, const osg::Vec2Array* texcoords);

}  // namespace mw
