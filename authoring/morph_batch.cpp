#include "authoring/morph_batch.h"

#include <optional>

#include "authoring/comparison_fit.h"
#include "authoring/face_editing.h"
#include "authoring/face_reading.h"
#include "authoring/geometry_pairing.h"
#include "authoring/morph_extraction.h"
#include "import/load_face.h"

namespace mw {

namespace {

// Below this many paired vertices the fit has too little to tell what moved from what did not:
// with a handful of vertices it can absorb real motion into the scale and translation.
constexpr std::size_t kFewestVerticesToFit = 12;

struct Agreement {
    std::size_t paired = 0;
    std::size_t within = 0;  // paired vertices `place` puts within the threshold of their own
};

Agreement agreement(const TarvFaceObject& current, const FacePairing& pairing, const Similarity& place,
                    float threshold)
{
    Agreement a;
    forEachPairedVertex(current, pairing, [&](const osg::Vec3& theirs, const osg::Vec3& own) {
        ++a.paired;
        a.within += (place.apply(theirs) - own).length() < threshold;
    });
    return a;
}

std::optional<Similarity> placement(ComparisonAlignment alignment, const TarvFaceObject& current,
                                    const TarvFaceObject& comparison, const FacePairing& pairing, float threshold,
                                    std::string& note)
{
    switch (alignment) {
    case ComparisonAlignment::None:
        return Similarity{};
    case ComparisonAlignment::Seed:
        return seedSimilarity(current, comparison);
    case ComparisonAlignment::Fit:
        break;
    }
    const std::optional<Similarity> seed = seedSimilarity(current, comparison);
    const std::optional<Similarity> fit = fitPairing(current, pairing, seed);
    if (!fit || !seed)
        return fit;
    // The fit rests on at least half of the vertices staying where they are. When they are too
    // few to tell, or when the fit leaves fewer of them in place than the plain seed placement
    // does (it explained too little), the seed placement is the safer choice.
    const Agreement fitted = agreement(current, pairing, *fit, threshold);
    if (fitted.paired < kFewestVerticesToFit) {
        note = "too few vertices to fit (" + std::to_string(fitted.paired) + "), placed by width and lowest point";
        return seed;
    }
    const Agreement seeded = agreement(current, pairing, *seed, threshold);
    if (2 * fitted.within < fitted.paired && seeded.within > fitted.within) {
        note = "the fit left most vertices apart, placed by width and lowest point";
        return seed;
    }
    return fit;
}

// The morph made from one file, or the reason there is none.
osg::ref_ptr<FaceMorph> morphFromFile(const Document& doc, ComparisonAlignment alignment, MorphFromFile& made,
                                      std::string& error)
{
    const std::string shown = made.file.string();
    osg::ref_ptr<TarvFaceObject> comparison = readAnyFace(made.file, made.repairs);
    if (!comparison) {
        error = loadFailureMessage(made.file, made.repairs);
        return nullptr;
    }
    FacePairing pairing = pairFaces(*doc.face, *comparison);
    if (!pairing.ok()) {
        error = shown + ": " + pairingFailure(pairing);
        return nullptr;
    }
    const std::optional<Similarity> place =
        placement(alignment, *doc.face, *comparison, pairing, doc.morphThreshold, made.alignmentNote);
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
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '{' || c == '}')
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
