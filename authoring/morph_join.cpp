#include "authoring/morph_join.h"

#include <algorithm>
#include <map>
#include <set>

namespace mw {

osg::ref_ptr<FaceMorph> sumOfMorphs(std::span<const FaceMorph* const> morphs, const std::string& name)
{
    struct Sum {
        std::vector<std::uint32_t> order;               // vertex indices as first met
        std::map<std::uint32_t, osg::Vec3> offsets;     // by vertex index
    };
    std::vector<std::string> targetOrder;
    std::map<std::string, Sum> sums;
    for (const FaceMorph* morph : morphs)
        for (const auto& target : morph->targets) {
            auto [sum, added] = sums.try_emplace(target->name);
            if (added)
                targetOrder.push_back(target->name);
            const std::size_t entries = std::min(target->indices.size(), target->offsets->size());
            for (std::size_t j = 0; j < entries; ++j) {
                const std::uint32_t v = target->indices[j];
                auto [offset, first] = sum->second.offsets.try_emplace(v, osg::Vec3());
                if (first)
                    sum->second.order.push_back(v);
                offset->second += (*target->offsets)[j];
            }
        }
    osg::ref_ptr<FaceMorph> result = new FaceMorph;
    result->name = name;
    for (const std::string& geometry : targetOrder) {
        const Sum& sum = sums[geometry];
        osg::ref_ptr<FaceTarget> target = new FaceTarget;
        target->name = geometry;
        for (const std::uint32_t v : sum.order)
            if (const osg::Vec3& offset = sum.offsets.at(v); offset != osg::Vec3()) {
                target->indices.push_back(v);
                target->offsets->push_back(offset);
            }
        if (!target->indices.empty())
            result->targets.push_back(target);
    }
    return result;
}

std::optional<std::size_t> joinMorphs(TarvFaceObject& face, std::span<const std::size_t> indices,
                                      const std::string& name)
{
    const std::set<std::size_t> chosen(indices.begin(), indices.end());
    if (indices.size() < 2 || chosen.size() != indices.size() || *chosen.rbegin() >= face.morphs.size())
        return std::nullopt;
    for (std::size_t m = 0; m < face.morphs.size(); ++m)
        if (!chosen.count(m) && face.morphs[m]->name == name)
            return std::nullopt;
    std::vector<const FaceMorph*> parts;
    for (const std::size_t m : indices)
        parts.push_back(face.morphs[m].get());
    const osg::ref_ptr<FaceMorph> sum = sumOfMorphs(parts, name);
    const std::size_t at = *chosen.begin();
    std::vector<osg::ref_ptr<FaceMorph>> morphs;
    for (std::size_t m = 0; m < face.morphs.size(); ++m)
        if (m == at)
            morphs.push_back(sum);
        else if (!chosen.count(m))
            morphs.push_back(face.morphs[m]);
    face.morphs = std::move(morphs);
    return at;
}

}  // namespace mw
