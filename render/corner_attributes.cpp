#include "render/corner_attributes.h"

#include <vector>

#include <osg/Geometry>
#include <osgUtil/SmoothingVisitor>

namespace mw {

osg::ref_ptr<osg::Vec3Array> computeCornerNormals(const FaceGeom& geometry)
{
    const osg::Vec3Array& vertices = *geometry.vertices;
    const IndexList& corners = geometry.vertexIndices;

    // An unindexed triangle list of the rest pose, one vertex per corner, for the smoother.
    osg::ref_ptr<osg::Vec3Array> soup = new osg::Vec3Array;
    soup->reserve(corners.size());
    std::vector<std::size_t> keptTriangles;
    for (std::size_t first = 0; first + 3 <= corners.size(); first += 3) {
        if (!triangleInRange(corners, first, vertices.size()))
            continue;
        for (std::size_t c = first; c < first + 3; ++c)
            soup->push_back(vertices[corners[c]]);
        keptTriangles.push_back(first);
    }
    if (soup->empty())
        return new osg::Vec3Array(corners.size());

    osg::ref_ptr<osg::Geometry> scratch = new osg::Geometry;
    scratch->setVertexArray(soup.get());
    scratch->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(soup->size())));
    osgUtil::SmoothingVisitor::smooth(*scratch);
    osg::ref_ptr<osg::Vec3Array> smoothed = dynamic_cast<osg::Vec3Array*>(scratch->getNormalArray());
    if (!smoothed || smoothed->size() != soup->size())
        return new osg::Vec3Array(corners.size());
    if (smoothed->size() == corners.size())
        return smoothed;

    // Some triangles were left out: put the normals back at their corners.
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array(corners.size());
    for (std::size_t t = 0; t < keptTriangles.size(); ++t)
        for (std::size_t k = 0; k < 3; ++k)
            (*normals)[keptTriangles[t] + k] = (*smoothed)[3 * t + k];
    return normals;
}

osg::ref_ptr<osg::Vec2Array> buildCornerTexcoords(const FaceGeom& geometry)
{
    if (geometry.texIndices.size() < geometry.vertexIndices.size())
        return nullptr;
    const osg::Vec2Array& texcoords = *geometry.texcoords;
    osg::ref_ptr<osg::Vec2Array> corners = new osg::Vec2Array;
    corners->reserve(geometry.texIndices.size());
    for (const std::uint32_t index : geometry.texIndices)
        corners->push_back(index < texcoords.size() ? texcoords[index] : osg::Vec2());
    return corners;
}

}  // namespace mw
