#include "authoring/morph_extraction.h"

#include "authoring/comparison_face.h"
#include "authoring/face_editing.h"
#include "authoring/morph_management.h"

namespace mw {

std::string pairingFailure(const FacePairing& pairing)
{
    switch (pairing.status) {
    case FacePairing::Status::GeometryCountDiffers:
        return std::string(kGeometryCountMismatch);
    case FacePairing::Status::VertexCountDiffers:
        return std::string(kVertexCountMismatch);
    case FacePairing::Status::Paired:
        break;
    }
    return {};
}

osg::ref_ptr<FaceTarget> differenceTarget(const FaceGeom& current, const GeometryPairing& pairing, float threshold)
{
    osg::ref_ptr<FaceTarget> target = new FaceTarget;
    target->name = current.name;
    const osg::Vec3Array& from = *current.vertices;
    const std::size_t count = std::min(from.size(), pairing.positions.size());
    for (std::size_t j = 0; j < count; ++j) {
        if (!pairing.paired[j])
            continue;
        const osg::Vec3 offset = pairing.positions[j] - from[j];
        if (offset.length() >= threshold) {
            target->indices.push_back(static_cast<std::uint32_t>(j));
            target->offsets->push_back(offset);
        }
    }
    return target;
}

void fillDifferenceMorph(FaceMorph& morph, const TarvFaceObject& current, const FacePairing& pairing, float threshold)
{
    for (std::size_t i = 0; i < current.geometries.size() && i < pairing.geometries.size(); ++i)
        morph.targets.push_back(differenceTarget(*current.geometries[i], pairing.geometries[i], threshold));
}

bool extractMorphTargets(Document& doc, FaceMorph& morph, Prompt* messages, FacePairing* pairingOut)
{
    if (!hasFace(doc) || !hasComparison(doc))
        return false;
    if (doc.face->geometries.size() != doc.comparison.face->geometries.size()) {
        if (messages)
            messages->message(std::string(kGeometryCountMismatch));
        return false;
    }
    morph.name = kExtractedMorphName;
    commitHeadTransform(doc);
    commitComparisonTransform(doc);
    FacePairing pairing = pairFaces(*doc.face, *doc.comparison.face);
    if (!pairing.ok()) {
        if (messages)
            messages->message(pairingFailure(pairing));
        return false;
    }
    fillDifferenceMorph(morph, *doc.face, pairing, doc.morphThreshold);
    if (pairingOut)
        *pairingOut = std::move(pairing);
    return true;
}

bool generateMorphTarget(Document& doc, Prompt& prompt)
{
    osg::ref_ptr<FaceMorph> morph = new FaceMorph;
    if (!extractMorphTargets(doc, *morph, &prompt))
        return false;
    // Morphs are found by name (weights, operations): the new one must not hide another.
    morph->name = uniqueMorphName(*doc.face, morph->name);
    doc.face->morphs.push_back(morph);
    doc.changes.add(document_change::kMorphList);
    cancelMorphTarget(doc);
    return true;
}

void setMorphThreshold(Document& doc, float threshold)
{
    doc.morphThreshold = threshold;
}

}  // namespace mw
