#pragma once
// Creating a morph from the difference between the current face and a comparison face of the
// same topology: every vertex that lies at least the morph threshold away from its counterpart
// becomes an entry whose offset carries the current vertex onto the comparison vertex.

#include <string>
#include <string_view>

#include <osg/ref_ptr>

#include "authoring/geometry_pairing.h"
#include "authoring/document.h"
#include "authoring/prompt.h"
#include "model/face.h"

namespace mw {

// The name every extracted morph starts with; the user renames it in the morph bar.
inline constexpr std::string_view kExtractedMorphName = "morph";

inline constexpr std::string_view kGeometryCountMismatch =
    "The two models have a different number of geometric components.\nCannot extract morph targets.";
inline constexpr std::string_view kVertexCountMismatch =
    "Encountered geometric components with different number of vertices.\nCannot extract morph targets.";

// The message for a pairing that failed (one of the two above); empty when it succeeded.
std::string pairingFailure(const FacePairing& pairing);

// A target named like `current` holding, in ascending vertex order, every paired vertex whose
// distance to its paired comparison position is at least `threshold`, with the offset
// comparison - current.
osg::ref_ptr<FaceTarget> differenceTarget(const FaceGeom& current, const GeometryPairing& pairing, float threshold);

// Fills `morph` with one target per geometry of `current` (empty where nothing moved).
// `pairing` must have succeeded.
void fillDifferenceMorph(FaceMorph& morph, const TarvFaceObject& current, const FacePairing& pairing, float threshold);

// Fills the empty `morph` (named kExtractedMorphName) with one target per geometry of the
// current face, empty where nothing moved; geometries are paired by position, vertices through
// pairFaces. The comparison placement is baked into the comparison face first, so offsets are
// measured as the faces are shown. False when the faces cannot be paired; the mismatch is said
// through `messages` when one is given. The pairing is left in `pairing` when one is given.
// Needs a comparison face.
bool extractMorphTargets(Document& doc, FaceMorph& morph, Prompt* messages, FacePairing* pairing = nullptr);

// "Generate morph target": appends the extracted morph to the current face (named "morph", or
// "morph.001" and so on when that is taken, as a duplicate is) and drops the comparison face.
// On a mismatch nothing is added and
// the comparison face stays. True when a morph was added.
bool generateMorphTarget(Document& doc, Prompt& prompt);

// The smallest distance at which a vertex counts as moved; kept for the whole run of the program.
void setMorphThreshold(Document& doc, float threshold);

}  // namespace mw
