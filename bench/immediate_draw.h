#pragma once
// The reference drawing of a geometry: one call per corner attribute between glBegin and
// glEnd. The renderer's vertex arrays must give the same pixels; tests and benchmarks compare
// them by putting drawImmediate in as the renderer's corner drawer.

#include <osg/Array>
#include <osg/GL>

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
inline void drawImmediate(const IndexList& vertexIndices, std::span<const osg::Vec3> positions,
                          const osg::Vec3Array& normals, const osg::Vec2Array* texcoords)
{
    struct GlImmediate {
        void begin() { glBegin(GL_TRIANGLES); }
        void texcoord(const osg::Vec2& t) { glTexCoord2fv(t.ptr()); }
        void normal(const osg::Vec3& n) { glNormal3fv(n.ptr()); }
        void vertex(const osg::Vec3& v) { glVertex3fv(v.ptr()); }
        void end() { glEnd(); }
    };
    // Without coordinates of its own a textured geometry would sample whatever coordinate
    // OpenGL last held, which depends on what was drawn before; pin it to (0, 0).
    if (!texcoords)
        glTexCoord2f(0.0f, 0.0f);
    GlImmediate gl;
    emitCorners(vertexIndices, positions, normals, texcoords, gl);
}

}  // namespace mw
