#include "authoring/morph_split.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <osg/BoundingBox>

#include "authoring/arkit_names.h"

namespace mw {
namespace {

bool finite(const osg::Vec3& v) { return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()); }

// The part of `offset` at `share` (0…1): the larger part by multiplication, the smaller as
// the offset minus the larger. The larger part lies between half the offset and the offset,
// so the subtraction is exact and larger + smaller gives the offset back bit for bit.
std::pair<osg::Vec3, osg::Vec3> divide(const osg::Vec3& offset, double share)
{
    const bool leftLarger = share >= 0.5;
    const float larger = static_cast<float>(leftLarger ? share : 1.0 - share);
    const osg::Vec3 big = offset * larger;
    const osg::Vec3 small = offset - big;
    return leftLarger ? std::pair(big, small) : std::pair(small, big);
}

}  // namespace

float faceWidth(const TarvFaceObject& face)
{
    osg::BoundingBox box;
    for (const auto& geometry : face.geometries)
        for (const osg::Vec3& v : *geometry->vertices)
            if (finite(v))
                box.expandBy(v);
    return box.valid() ? box.xMax() - box.xMin() : 0.0f;
}

double leftShare(double x, double planeX, double width)
{
    if (!(width > 0.0))
        return x < planeX ? 1.0 : x > planeX ? 0.0 : 0.5;
    // Measured from the plane, so that a vertex on it gets exactly one half.
    const double t = std::clamp(0.5 + (planeX - x) / width, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

std::pair<std::string, std::string> splitMorphNames(const std::string& name)
{
    if (arkitShapeIndex(name))
        return {name + "Left", name + "Right"};
    return {name + "_L", name + "_R"};
}

std::pair<osg::ref_ptr<FaceMorph>, osg::ref_ptr<FaceMorph>> splitMorphHalves(const TarvFaceObject& face,
                                                                             const FaceMorph& morph, float planeX,
                                                                             float width)
{
    // The geometry a target draws on, later geometries winning as in the renderer's index.
    std::map<std::string, const FaceGeom*> geometryOf;
    for (const auto& geometry : face.geometries)
        geometryOf[geometry->name] = geometry.get();
    const auto [leftName, rightName] = splitMorphNames(morph.name);
    osg::ref_ptr<FaceMorph> halves[2] = {new FaceMorph, new FaceMorph};
    halves[0]->name = leftName;
    halves[1]->name = rightName;
    for (const auto& target : morph.targets) {
        const auto found = geometryOf.find(target->name);
        const FaceGeom* geometry = found == geometryOf.end() ? nullptr : found->second;
        osg::ref_ptr<FaceTarget> parts[2] = {new FaceTarget, new FaceTarget};
        const std::size_t entries = std::min(target->indices.size(), target->offsets->size());
        for (std::size_t j = 0; j < entries; ++j) {
            const std::uint32_t v = target->indices[j];
            double share = 0.5;
            if (geometry && v < geometry->vertices->size() && finite((*geometry->vertices)[v]))
                share = leftShare((*geometry->vertices)[v].x(), planeX, width);
            const auto [left, right] = divide((*target->offsets)[j], share);
            for (int side = 0; side < 2; ++side)
                if (const osg::Vec3& part = side == 0 ? left : right; part != osg::Vec3()) {
                    parts[side]->indices.push_back(v);
                    parts[side]->offsets->push_back(part);
                }
        }
        for (int side = 0; side < 2; ++side)
            if (!parts[side]->indices.empty()) {
                parts[side]->name = target->name;
                halves[side]->targets.push_back(parts[side]);
            }
    }
    return {halves[0], halves[1]};
}

std::optional<SplitResult> splitMorph(TarvFaceObject& face, std::size_t index, float planeX, float width)
{
    if (index >= face.morphs.size())
        return std::nullopt;
    auto [left, right] = splitMorphHalves(face, *face.morphs[index], planeX, width);
    for (const auto& morph : face.morphs)
        if (morph->name == left->name || morph->name == right->name)
            return std::nullopt;
    face.morphs[index] = left;
    face.morphs.insert(face.morphs.begin() + static_cast<std::ptrdiff_t>(index + 1), right);
    return SplitResult{index, index + 1};
}

std::optional<SplitResult> splitMorph(Document& doc, int index, float width)
{
    if (!hasFace(doc) || index < 0)
        return std::nullopt;
    const float planeX = doc.mirrorMap.get(*doc.face).planeX;
    const auto result = splitMorph(*doc.face, static_cast<std::size_t>(index), planeX, width);
    if (result)
        doc.changes.add(document_change::kMorphList);
    return result;
}

}  // namespace mw
