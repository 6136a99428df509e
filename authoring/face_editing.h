#pragma once
// Operations of the view that change the current face's geometry or morphs: baking the
// interactive transforms into the data, automatic sizing, winding, and morph values.

#include "authoring/prompt.h"
#include "authoring/view_state.h"

namespace mw {

// The size "Auto Scale" gives a head: this wide along x, its lowest point at this height.
inline constexpr float kIdealHeadWidth = 0.18f;
inline constexpr float kIdealHeadBottom = -0.06f;

// Moves the head transform into the face's vertices (its rotation and scale also into the
// morph offsets) and resets the transform, so that what is saved is what is shown. Normals
// are rebuilt when the transform turned or mirrored the face, so its lighting stays as shown.
// Nothing without a face or while a comparison face is loaded. Does not mark the face modified.
void commitHeadTransform(ViewState& state);

// Moves the comparison transform into the comparison face's vertices (and its difference
// highlight) and resets it; the comparison face is drawn where it was. Nothing without one.
void commitComparisonTransform(ViewState& state);

// "Auto Scale". Without a comparison face: scales the head to kIdealHeadWidth along x and
// lifts its lowest point to kIdealHeadBottom, through the head transform (its rotation stays),
// marks the face modified and reframes the camera. With one: scales and moves the comparison
// face to the current face's width and lowest point. A face or comparison face without width
// along x cannot be sized: that is said through `prompt`, nothing changes and the result is false.
bool autoScale(ViewState& state, Prompt& prompt);

// Reverses the winding of every complete triangle of geometry `geometryIndex` (corners 2 and 3
// swap, in the texture-coordinate indices too) and rebuilds its normals; marks the face
// modified. Nothing for an index outside the face.
void flipPolygonOrder(ViewState& state, int geometryIndex);

// Sets every morph weight to 0. Weights are not saved, so the face is not marked modified.
void resetMorphValues(ViewState& state);

// Multiplies every offset of morph `morphIndex` by `factor`. Marks the face modified, also
// when the index is outside the face and nothing changed.
void scaleMorph(ViewState& state, int morphIndex, float factor);

}  // namespace mw
