#pragma once
// Creating a morph from the difference between the current face and a comparison face of the
// same topology: every vertex that lies at least the morph threshold away from its counterpart
// becomes an entry whose offset carries the current vertex onto the comparison vertex.

#include <string_view>

#include <osg/ref_ptr>

#include "authoring/prompt.h"
#include "authoring/view_state.h"
#include "model/face.h"

namespace mw {

// The name every extracted morph starts with; the user renames it in the morph bar.
inline constexpr std::string_view kExtractedMorphName = "morph";

inline constexpr std::string_view kGeometryCountMismatch =
    "The two models have a different number of geometric components.\nCannot extract morph targets.";
inline constexpr std::string_view kVertexCountMismatch =
    "Encountered geometric components with different number of vertices.\nCannot extract morph targets.";

// A target named like `current` holding, in ascending vertex order, every vertex whose
// distance to the vertex of the same index in `other` is at least `threshold`, with the offset
// other - current. The two geometries must have the same number of vertices.
osg::ref_ptr<FaceTarget> differenceTarget(const FaceGeom& current, const FaceGeom& other, float threshold);

// Fills the empty `morph` (named kExtractedMorphName) with one target per geometry of the
// current face, empty where nothing moved; geometries are paired by position. The comparison
// transform is baked into the comparison face first, so offsets are measured as the faces are
// shown. False when the faces' geometry counts or a pair's vertex counts differ; the mismatch
// is said through `messages` when one is given. Needs a comparison face.
bool extractMorphTargets(ViewState& state, FaceMorph& morph, Prompt* messages);

// "Generate morph target": appends the extracted morph to the current face, lets it draw,
// marks the face modified and drops the comparison face. On a mismatch nothing is added and
// the comparison face stays. True when a morph was added.
bool generateMorphTarget(ViewState& state, Prompt& prompt);

// The smallest distance at which a vertex counts as moved; kept for the whole run of the program.
void setMorphThreshold(ViewState& state, float threshold);

}  // namespace mw
