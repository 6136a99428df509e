#include "render/immediate_draw.h"

#include <osg/GL>

namespace mw {
namespace {

struct GlImmediate {
    void begin() { glBegin(GL_TRIANGLES); }
    void texcoord(const osg::Vec2& t) { glTexCoord2fv(t.ptr()); }
    void normal(const osg::Vec3& n) { glNormal3fv(n.ptr()); }
    void vertex(const osg::Vec3& v) { glVertex3fv(v.ptr()); }
    void end() { glEnd(); }
};

}  // namespace

void drawImmediate(const IndexList& vertexIndices, std::span<const osg::Vec3> positions,
                   const osg::Vec3Array& normals, const osg::Vec2Array* texcoords)
{
    // Without coordinates of its own a textured geometry would sample whatever coordinate
    // OpenGL last held, which depends on what was drawn before; pin it to (0, 0).
    if (!texcoords)
        glTexCoord2f(0.0f, 0.0f);
    GlImmediate gl;
    emitCorners(vertexIndices, positions, normals, texcoords, gl);
}

}  // namespace mw
