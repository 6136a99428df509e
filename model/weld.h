#pragma once
// Compacts a face built by an importer: keeps only vertices that triangles use, merges
// vertices with identical positions and texture coordinates with identical values, renumbers
// every index list and drops morph targets and morphs that end up empty.
//
// Per geometry, in the order of the list:
// - vertices: the used ones are visited in ascending old index; the first of each position
//   is kept, so kept vertices keep the order of their first occurrence. Positions are equal
//   when all three components compare equal (+0 equals -0, no tolerance). Triangles, neck
//   vertices and the entries of every target carrying the geometry's name are renumbered;
//   neck vertices and target entries whose vertex is not kept are removed.
// - texture coordinates (only when both texcoords and texIndices are non-empty): the same,
//   over (u, v); texIndices are renumbered through the coordinate's value.
// Then targets left without entries are removed, and morphs left without targets.
// Welding a welded face changes nothing.
//
// A face that breaks the model's invariants is welded safely: the broken triangles and texture
// indices are dropped first exactly as repairFace drops them (see dropBrokenTriangles), a
// target's unpaired entries are cut off, missing arrays count as empty, missing geometries
// are skipped and missing targets and morphs removed. NaN components (which repairFace
// would have zeroed) equal one another.

#include "model/face.h"

namespace mw {

void weldFace(TarvFaceObject& face);

}  // namespace mw
