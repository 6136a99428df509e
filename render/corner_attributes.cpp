#include "render/corner_attributes.h"

namespace mw {

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
