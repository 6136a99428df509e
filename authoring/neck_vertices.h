#pragma once
// Neck vertices: the open border of a head mesh, where it is cut off at the neck, proposed
// automatically and refined with the lasso.

#include <string_view>
#include <vector>

#include "authoring/document.h"
#include "authoring/prompt.h"
#include "model/face.h"

namespace mw {

// What a lasso command does with the displayed geometry's neck vertices.
enum class NeckEdit : int { Keep = 0, Discard = 1, Add = 2 };

// The text of the question asked when the selected geometry is not the one with most corners.
inline constexpr std::string_view kNeckGeometryQuestion =
    "Are you sure the currently selected geometry contains the neck vertices?";

// The vertices of `geometry` used by at least one and at most four triangle corners, in
// ascending order: on a head cut off at the neck these are the vertices of the open border.
IndexList borderVertices(const FaceGeom& geometry);

// "Compute neck vertices" on geometry `geometryIndex` (-1 or any index outside the face: the
// geometry with the most triangle corners, without asking). Choosing a geometry other than
// that one asks first; unless the answer is Yes nothing changes. Returns the index of the
// geometry whose list was replaced by its border vertices, or -1 when nothing was done.
int computeNeckVertices(Document& doc, int geometryIndex, Prompt& prompt);

// Keeps, discards or adds the vertices of geometry `geometryIndex` that `inside` marks (by
// vertex index; the view marks those a closed lasso surrounds on screen). Adding appends every
// marked vertex not listed yet, in ascending order. Nothing for an index outside the face.
void editNeckVertices(Document& doc, int geometryIndex, const std::vector<bool>& inside, NeckEdit mode);

// Empties the neck vertices of geometry `geometryIndex`; nothing for an index outside the face.
void clearNeckVertices(Document& doc, int geometryIndex);

// Replaces the neck vertices of every geometry that both faces have (paired by position)
// with the source geometry's, leaving out entries that name no vertex of the current geometry
// and repeated entries.
void importNeckVertices(Document& doc, const TarvFaceObject& source);

}  // namespace mw
