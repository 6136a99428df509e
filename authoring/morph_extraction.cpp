#include "authoring/morph_extraction.h"

#include <algorithm>
#include <string>

#include "authoring/comparison_face.h"
#include "authoring/face_editing.h"

namespace mw {

osg::ref_ptr<FaceTarget> differenceTarget(const FaceGeom& current, const FaceGeom& other, float threshold)
{
    osg::ref_ptr<FaceTarget> target = new FaceTarget;
    target->name = current.name;
    const osg::Vec3Array& from = *current.vertices;
    const osg::Vec3Array& to = *other.vertices;
    const std::size_t count = std::min(from.size(), to.size());
    for (std::size_t j = 0; j < count; ++j) {
        const osg::Vec3 offset = to[j] - from[j];
        if (offset.length() >= threshold) {
            target->indices.push_back(static_cast<std::uint32_t>(j));
            target->offsets->push_back(offset);
        }
    }
    return target;
}

bool extractMorphTargets(ViewState& state, FaceMorph& morph, Prompt* messages)
{
    if (!hasFace(state) || !hasComparison(state))
        return false;
    const TarvFaceObject& current = *state.face;
    const TarvFaceObject& other = *state.comparisonFace;
    if (current.geometries.size() != other.geometries.size()) {
        if (messages)
            messages->message(std::string(kGeometryCountMismatch));
        return false;
    }
    morph.name = kExtractedMorphName;
    commitHeadTransform(state);
    commitComparisonTransform(state);
    for (std::size_t i = 0; i < current.geometries.size(); ++i) {
        const FaceGeom& cur = *current.geometries[i];
        const FaceGeom& oth = *other.geometries[i];
        if (cur.vertices->size() != oth.vertices->size()) {
            if (messages)
                messages->message(std::string(kVertexCountMismatch));
            return false;
        }
        morph.targets.push_back(differenceTarget(cur, oth, state.morphThreshold));
    }
    return true;
}

bool generateMorphTarget(ViewState& state, Prompt& prompt)
{
    osg::ref_ptr<FaceMorph> morph = new FaceMorph;
    if (!extractMorphTargets(state, *morph, &prompt))
        return false;
    state.face->morphs.push_back(morph);
    state.faceNode->attachMorphTargets(static_cast<unsigned>(state.face->morphs.size() - 1));
    state.modified = true;
    cancelMorphTarget(state);
    return true;
}

void setMorphThreshold(ViewState& state, float threshold)
{
    state.morphThreshold = threshold;
}

}  // namespace mw
