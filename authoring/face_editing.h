#pragma once
// Edits of the current face's geometry, morphs and placement: baking the placement into the
// data, automatic sizing, quarter turns, winding, and morph values. Each records what it
// changed in the document.

#include "authoring/document.h"
#include "authoring/prompt.h"

namespace mw {

// The size "Auto Scale" gives a head: this wide along x, its lowest point at this height.
inline constexpr float kIdealHeadWidth = 0.18f;
inline constexpr float kIdealHeadBottom = -0.06f;

// Moves the head placement into the face's vertices (its rotation and scale also into the
// morph offsets) and resets the placement, so that what is saved is what is shown. Normals
// are to be rebuilt when the placement turned or mirrored the face, so its lighting stays as
// shown. Nothing without a face or while a comparison face is loaded.
void commitHeadTransform(Document& doc);

// Moves the comparison placement into the comparison face's vertices (and its difference
// highlight) and resets it; the comparison face stays where it was. Nothing without one.
void commitComparisonTransform(Document& doc);

// "Auto Scale". Without a comparison face: scales the head to kIdealHeadWidth along x and
// lifts its lowest point to kIdealHeadBottom, through the head placement (its rotation stays),
// and asks for the camera to frame it. With one: scales and moves the comparison face to the
// current face's width and lowest point. A face or comparison face without width along x
// cannot be sized: that is said through `prompt`, nothing changes and the result is false.
bool autoScale(Document& doc, Prompt& prompt);

// Quarter turns of the head placement about the vertical axis (seen from above, clockwise)
// and about the x axis. Nothing without a face.
void turnRight(Document& doc);
void turnUp(Document& doc);

// Reverses the winding of every complete triangle of geometry `geometryIndex` (corners 2 and 3
// swap, in the texture-coordinate indices too). Nothing for an index outside the face.
void flipPolygonOrder(Document& doc, int geometryIndex);

// Sets every morph weight to 0. Weights are not saved, so the face is not modified.
void resetMorphValues(Document& doc);

// Sets the weight of morph `morphIndex`; nothing for an index outside the face.
void setMorphValue(Document& doc, int morphIndex, float weight);

// Multiplies every offset of morph `morphIndex` by `factor`.
void scaleMorph(Document& doc, int morphIndex, float factor);

}  // namespace mw
