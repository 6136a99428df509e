#include "authoring/morph_batch.h"

#include <optional>

#include "authoring/comparison_fit.h"
#include "authoring/face_editing.h"
#include "authoring/face_reading.h"
#include "authoring/geometry_pairing.h"
#include "authoring/morph_extraction.h"

namespace mw {

namespace {

std::optional<Similarity> placement(ComparisonAlignment alignment, const TarvFaceObject& current,
                                    const TarvFaceObject& comparison, const FacePairing& pairing)
{
    switch (alignment) {
    case ComparisonAlignment::None:
        return Similarity{};
    case ComparisonAlignment::Seed:
        return seedSimilarity(current, comparison);
    case ComparisonAlignment::Fit:
        break;
    }
    return fitPairing(current, pairing, seedSimilarity(current, comparison));
}

// The morph made from one file, or the reason there is none.
osg::ref_ptr<FaceMorph> morphFromFile(const Document& doc, ComparisonAlignment alignment, MorphFromFile& made,
                                      std::string& error)
{
    const std::string shown = made.file.string();
    osg::ref_ptr<TarvFaceObject> comparison = readAnyFace(made.file, made.repairs);
    if (!comparison) {
        error = "Failed to load: " + shown;
        return nullptr;
    }
    FacePairing pairing = pairFaces(*doc.face, *comparison);
    if (!pairing.ok()) {
        error = shown + ": " + pairingFailure(pairing);
        return nullptr;
    }
    const std::optional<Similarity> place = placement(alignment, *doc.face, *comparison, pairing);
    if (!place) {
        error = shown + ": the comparison face cannot be lined up with the face (it has no extent).";
        return nullptr;
    }
    transformPairing(pairing, *place);

    osg::ref_ptr<FaceMorph> morph = new FaceMorph;
    morph->name = made.name;
    fillDifferenceMorph(*morph, *doc.face, pairing, doc.morphThreshold);
    for (const auto& target : morph->targets)
        made.movedVertices += target->indices.size();
    made.spreadVertices = pairing.spreadVertices;
    made.largestSpread = pairing.largestSpread;
    return morph;
}

}  // namespace

std::string morphNameForFile(const std::filesystem::path& file)
{
    std::string name = file.stem().string();
    for (char& c : name)
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            c = '_';
    return name.empty() ? std::string(kExtractedMorphName) : name;
}

MorphBatchResult createMorphsFromFiles(Document& doc, std::span<const std::filesystem::path> files,
                                       ComparisonAlignment alignment, const MorphBatchProgress& progress)
{
    MorphBatchResult result;
    if (!hasFace(doc)) {
        result.status = MorphBatchResult::Status::Failed;
        result.error = "No face is open.";
        return result;
    }
    commitHeadTransform(doc);
    std::vector<osg::ref_ptr<FaceMorph>> made;
    for (std::size_t i = 0; i < files.size(); ++i) {
        MorphFromFile step;
        step.file = files[i];
        step.name = morphNameForFile(files[i]);
        osg::ref_ptr<FaceMorph> morph = morphFromFile(doc, alignment, step, result.error);
        if (!morph) {
            result.status = MorphBatchResult::Status::Failed;
            result.morphs.clear();
            return result;
        }
        made.push_back(morph);
        result.morphs.push_back(std::move(step));
        if (progress && !progress(i + 1, files.size(), result.morphs.back()) && i + 1 < files.size()) {
            result.status = MorphBatchResult::Status::Stopped;
            break;
        }
    }
    for (const auto& morph : made)
        doc.face->morphs.push_back(morph);
    if (!made.empty())
        doc.changes.add(document_change::kMorphList);
    return result;
}

}  // namespace mw
