#pragma once
// The difference highlight: the comparison face's triangles around the vertices that moved,
// drawn in red over the comparison face.

#include <span>

#include <osg/Array>
#include <osg/ref_ptr>

#include "authoring/document.h"
#include "authoring/geometry_pairing.h"
#include "model/face.h"

namespace mw {

// Appends, for each current-face vertex index k of `changed` in order and each triangle
// around it, in triangle order, the three corner positions of the comparison's triangle that
// stands for it. Paired through the corners, the triangles around k are found in `current`
// and drawn from the comparison triangle at the same place in the list; paired by index, they
// are the comparison's own triangles around its vertex k. A triangle around several changed
// vertices is appended once for each of them. Takes time in proportion to the mesh and the
// output, not to their product. Triangles with a corner outside the vertices are left out.
void appendTrianglesAround(const FaceGeom& current, const FaceGeom& comparison, PairingKind kind,
                           std::span<const std::uint32_t> changed, osg::Vec3Array& corners);

// How the corners around the changed vertices of one geometry pair are collected
// (appendTrianglesAround; a benchmark puts the plain quadratic loop in its place to compare).
using HighlightCollector = void (*)(const FaceGeom& current, const FaceGeom& comparison, PairingKind kind,
                                    std::span<const std::uint32_t> changed, osg::Vec3Array& corners);

// The corners to highlight for `morph`, whose target i belongs to geometry i of both faces
// (geometries are paired by position, as `pairing` says).
osg::ref_ptr<osg::Vec3Array> highlightCorners(const TarvFaceObject& current, const TarvFaceObject& comparison,
                                              const FacePairing& pairing, const FaceMorph& morph,
                                              HighlightCollector collect = appendTrianglesAround);

// "Highlight difference": replaces the comparison's highlight by the triangles around every
// vertex that differs by at least the morph threshold (which bakes the comparison placement
// into the comparison face). No highlight when nothing differs or the faces do not match.
// Nothing without a face and a comparison face.
void highlightDifference(Document& doc, HighlightCollector collect = appendTrianglesAround);

}  // namespace mw
