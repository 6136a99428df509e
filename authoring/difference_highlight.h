#pragma once
// The difference highlight: the comparison face's triangles around the vertices that moved,
// drawn in red over the comparison face.

#include <span>

#include <osg/Array>
#include <osg/ref_ptr>

#include "authoring/view_state.h"
#include "model/face.h"
#include "render/tarv_face_renderer.h"

namespace mw {

// Appends, for each vertex index k of `changed` in order and each triangle of `geometry` that
// has k as a corner, in triangle order, the triangle's three corner positions. A triangle
// around several changed vertices is appended once for each of them. Takes time in proportion
// to the mesh and the output, not to their product. Triangles with a corner outside the
// vertices are left out.
void appendTrianglesAround(const FaceGeom& geometry, std::span<const std::uint32_t> changed, osg::Vec3Array& corners);

// The corners to highlight for `morph`: each target's indices on the geometry of `comparison`
// that bears the target's name; targets naming no geometry there are skipped.
osg::ref_ptr<osg::Vec3Array> highlightCorners(const TarvFaceRenderer& comparison, const FaceMorph& morph);

// How the corners to highlight are collected from the difference (highlightCorners; a
// benchmark puts the plain quadratic loop in its place to compare).
using HighlightCollector = osg::ref_ptr<osg::Vec3Array> (*)(const TarvFaceRenderer& comparison, const FaceMorph& morph);

// "Highlight difference": replaces the highlight under the comparison transform by the
// triangles around every vertex that differs by at least the morph threshold (which bakes
// the comparison transform into the comparison face). No highlight when nothing differs or
// the faces do not match. Nothing without a face and a comparison face.
void highlightDifference(ViewState& state, HighlightCollector collect = highlightCorners);

}  // namespace mw
