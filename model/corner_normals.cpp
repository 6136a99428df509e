#include "model/corner_normals.h"

#include <algorithm>
#include <vector>

#include "model/surface_normals.h"

namespace mw {

osg::ref_ptr<osg::Vec3Array> computeCornerNormals(const FaceGeom& geometry)
{
    const std::vector<osg::Vec3>& rest = geometry.vertices->asVector();
    const NormalSlots slots = buildNormalSlots(geometry.vertexIndices, rest);
    std::vector<osg::Vec3> slotNormals;
    std::vector<osg::Vec4> faceNormals;
    computeSlotNormals(slots, geometry.vertexIndices, rest, slotNormals, faceNormals);
    osg::ref_ptr<osg::Vec3Array> normals = new osg::Vec3Array(geometry.vertexIndices.size());
    scatterSlotNormals(slots, slotNormals, normals->asVector());
    return normals;
}

void scatterSlotNormals(const NormalSlots& slots, std::span<const osg::Vec3> slotNormals,
                        std::span<osg::Vec3> cornerNormals)
{
    const std::size_t count = std::min(cornerNormals.size(), slots.cornerSlot.size());
    for (std::size_t c = 0; c < count; ++c) {
        const std::uint32_t slot = slots.cornerSlot[c];
        cornerNormals[c] = slot < slotNormals.size() ? slotNormals[slot] : osg::Vec3();
    }
}

}  // namespace mw
