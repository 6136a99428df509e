#pragma once
// Many expressions in one step: one morph per file, each compared with the current face,
// lined up and extracted without showing it. Either every file becomes a morph or, when one
// fails, none is added; a batch stopped from outside keeps the morphs made so far.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "authoring/document.h"
#include "model/repair_face.h"

namespace mw {

// How a comparison face is placed before its difference is taken.
enum class ComparisonAlignment {
    Fit,   // the robust least-squares fit (fitComparisonFace); Seed when it cannot be trusted
           // (fewer than 12 paired vertices, or it leaves fewer of them in place than Seed)
    Seed,  // the same width and lowest point, as "Auto Scale" places it
    None,  // as it is in its file
};

// One file of the batch and the morph made from it.
struct MorphFromFile {
    std::filesystem::path file;
    std::string name;
    std::size_t movedVertices = 0;
    // Vertices the file gives several positions (the mean was used) and the largest distance
    // of such a position from its mean.
    std::size_t spreadVertices = 0;
    float largestSpread = 0.0f;
    RepairReport repairs;  // what had to be repaired in the file
    // Set when the fit was asked for but the seed placement was used instead, and why.
    std::string alignmentNote;
};

// Called after each file with how many are done, of how many; false stops the batch.
using MorphBatchProgress = std::function<bool(std::size_t done, std::size_t total, const MorphFromFile&)>;

struct MorphBatchResult {
    enum class Status { Done, Failed, Stopped };
    Status status = Status::Done;
    std::vector<MorphFromFile> morphs;  // the morphs added, in file order
    std::string error;                  // when Failed: what went wrong, naming the file
};

// The name of the morph made from `file`: its name without extension, blanks and braces made
// '_' (a morph name is one word without braces).
std::string morphNameForFile(const std::filesystem::path& file);

// Makes one morph per file, in order, named by morphNameForFile, at the document's morph
// threshold, and appends them to the current face. The head placement is baked first. A file that cannot be read or paired, or
// whose placement cannot be found, fails the batch: nothing is added and `error` names it.
// Nothing without a face (Failed).
MorphBatchResult createMorphsFromFiles(Document& doc, std::span<const std::filesystem::path> files,
                                       ComparisonAlignment alignment, const MorphBatchProgress& progress = {});

}  // namespace mw
