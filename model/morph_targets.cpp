#include "model/morph_targets.h"

#include <algorithm>

namespace mw {

bool hasActiveWeight(std::span<const osg::ref_ptr<FaceTarget>> targets)
{
    return std::any_of(targets.begin(), targets.end(),
                       [](const osg::ref_ptr<FaceTarget>& t) { return t->weight != 0.0f; });
}

void applyMorphTargets(std::span<osg::Vec3> positions, std::span<const osg::ref_ptr<FaceTarget>> targets)
{
    osg::Vec3* const out = positions.data();
    const std::size_t count = positions.size();
    for (const osg::ref_ptr<FaceTarget>& target : targets) {
        const float w = target->weight;
        if (w == 0.0f)
            continue;
        const std::uint32_t* indices = target->indices.data();
        const osg::Vec3* offsets = target->offsets->asVector().data();
        const std::size_t entries = std::min(target->indices.size(), target->offsets->size());
        for (std::size_t j = 0; j < entries; ++j) {
            const std::uint32_t i = indices[j];
            if (i >= count)
                continue;
            osg::Vec3& p = out[i];
            const osg::Vec3& o = offsets[j];
            p.x() += w * o.x();
            p.y() += w * o.y();
            p.z() += w * o.z();
        }
    }
}

}  // namespace mw
