#pragma once
// Makes a face safe to use whatever the file held: everything that breaks an invariant of the
// face model is dropped or zeroed, and what was changed is reported.
//
// What repairFace does, in this order, and only where something is wrong:
// - Missing (null) geometries, morphs and targets are removed from their lists; a missing
//   vertex, texture-coordinate or offset array is replaced by an empty one.
// - Non-finite numbers (infinities, NaN) in vertices, texture coordinates, diffuse and
//   specular colours, target offsets and weights become 0; the rest of the vector is kept.
// - Triangles (per geometry, see dropBrokenTriangles):
//   * texIndices are dropped entirely when the geometry has no texture coordinates, or when
//     their count differs from the count of vertexIndices (then no corner can be paired with
//     its coordinate reliably); the geometry is then drawn untextured, its triangles are kept;
//   * the trailing one or two vertexIndices of an incomplete triangle are dropped (with the
//     texIndices entries paired with them);
//   * a triangle with a vertex index at or above the vertex count, or a texture index at or
//     above the texture-coordinate count, is dropped whole: its three vertexIndices and its
//     three texIndices, so both lists stay parallel.
// - Neck vertices (clampIndices) at or above the vertex count are dropped.
// - Targets: when indices and offsets differ in length, the surplus entries of the longer list
//   are dropped. An entry whose index is at or above the vertex count of the geometry it names
//   is dropped with its offset; where several geometries carry the name, the smallest of their
//   vertex counts is used, so the entry is safe whichever of them it is applied to. A target
//   naming no geometry has no effect and is kept as it is.
// Vertices and texture coordinates themselves are never removed, and empty targets and morphs
// are kept: neither breaks an invariant.

#include <cstddef>
#include <string>
#include <vector>

#include "model/face.h"

namespace mw {

struct RepairReport {
    std::vector<std::string> changes;  // one short sentence per kind of repair, per geometry or target
    std::string failure;               // why a reader gave no face, when it can tell
    bool empty() const { return changes.empty(); }
};

// Changes nothing in a face that is already valid (and then returns an empty report).
RepairReport repairFace(TarvFaceObject& face);

// What dropBrokenTriangles removed from one geometry.
struct TriangleRepair {
    std::size_t texIndicesWithoutCoords = 0;  // texIndices dropped: there are no texcoords
    std::size_t unpairedTexIndices = 0;       // texIndices dropped: their count differs
    std::size_t incompleteCorners = 0;        // trailing vertexIndices of an unfinished triangle
    std::size_t vertexOutOfRange = 0;         // triangles dropped for a vertex index
    std::size_t texOutOfRange = 0;            // triangles dropped for a texture index
    bool any() const
    {
        return texIndicesWithoutCoords + unpairedTexIndices + incompleteCorners + vertexOutOfRange +
                   texOutOfRange != 0;
    }
};

// The triangle part of repairFace for one geometry (its vertex and texcoord arrays must not be
// null): afterwards vertexIndices holds whole triangles within range and texIndices is empty
// or parallel to it, within range. Welding relies on it too.
TriangleRepair dropBrokenTriangles(FaceGeom& geom);

// Cuts indices and offsets of a target (offsets not null) to the shorter of the two lengths;
// returns how many entries were dropped.
std::size_t dropUnpairedEntries(FaceTarget& target);

}  // namespace mw
