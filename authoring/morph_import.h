#pragma once
// "Import Morphs": the morphs of another face that fit the current one.

#include <filesystem>
#include <vector>

#include <osg/ref_ptr>

#include "authoring/document.h"
#include "authoring/prompt.h"
#include "model/face.h"

namespace mw {

// Copies of the source face's morphs, fitted to `current`. A source target goes to the
// current geometry at the position of the source geometry bearing its name (the later one
// when two share a name) and takes that geometry's name; entries naming no vertex of it are
// dropped, targets left empty are dropped and morphs left without targets are left out.
// Weights are 0; offsets are copied unchanged.
std::vector<osg::ref_ptr<FaceMorph>> fittedMorphs(const TarvFaceObject& current, const TarvFaceObject& source);

// Bakes the head and comparison placements and appends the morphs of `source` that fit the
// current face (fittedMorphs); with `withNeckVertices` the neck vertices of the geometries
// both faces have are replaced by the source's first. Returns how many morphs were added (0
// without a face).
int importMorphs(Document& doc, const TarvFaceObject& source, bool withNeckVertices);

// The same, reading the source from `fileName` (any format the editor opens). A file that
// cannot be read adds nothing, shows "Failed to load: " and the path and returns 0; what
// had to be repaired in a file that could be read is said through `prompt`.
int importMorphs(Document& doc, const std::filesystem::path& fileName, bool withNeckVertices, Prompt& prompt);

}  // namespace mw
