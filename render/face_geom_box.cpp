#include "render/face_geom_box.h"

#include <osg/GL>

namespace mw {

std::array<osg::Vec3, kBracketVertexCount> bracketSegments(const osg::BoundingBox& box)
{
    const osg::Vec3 lo = box._min;
    const osg::Vec3 hi = box._max;
    const osg::Vec3 extent = (hi - lo) * 0.2f;
    std::array<osg::Vec3, kBracketVertexCount> vertices;
    std::size_t n = 0;
    for (int corner = 0; corner < 8; ++corner) {
        // Bit 2 picks x, bit 1 y, bit 0 z: the corner order runs z fastest.
        const bool maxX = corner & 4, maxY = corner & 2, maxZ = corner & 1;
        const osg::Vec3 p(maxX ? hi.x() : lo.x(), maxY ? hi.y() : lo.y(), maxZ ? hi.z() : lo.z());
        // Towards the inside: + from a minimum face, - from a maximum face.
        const osg::Vec3 step(maxX ? -extent.x() : extent.x(), maxY ? -extent.y() : extent.y(),
                             maxZ ? -extent.z() : extent.z());
        for (const osg::Vec3& end : {osg::Vec3(p.x() + step.x(), p.y(), p.z()),
                                     osg::Vec3(p.x(), p.y() + step.y(), p.z()),
                                     osg::Vec3(p.x(), p.y(), p.z() + step.z())}) {
            vertices[n++] = p;
            vertices[n++] = end;
        }
    }
    return vertices;
}

FaceGeomBox::FaceGeomBox()
{
    setUseDisplayList(true);
}

void FaceGeomBox::show(const osg::BoundingBox& newBox)
{
    box = newBox;
    hasBox = true;
    changed();
}

void FaceGeomBox::hide()
{
    hasBox = false;
    changed();
}

void FaceGeomBox::changed()
{
    dirtyDisplayList();
    dirtyBound();
}

void FaceGeomBox::drawImplementation(osg::RenderInfo&) const
{
    if (!hasBox)
        return;
    // Compiled once into the display list, so the immediate calls cost nothing per frame.
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    for (const osg::Vec3& v : bracketSegments(box))
        glVertex3f(v.x(), v.y(), v.z());
    glEnd();
}

}  // namespace mw
