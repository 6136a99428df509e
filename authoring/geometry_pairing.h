#pragma once
// Which vertex of a comparison face stands for which vertex of the current face. Geometries
// are paired by their position in the face. Within a pair of geometries whose triangle lists
// have the same length, triangle corners are paired: corner c pairs the current vertex at
// vertexIndices[c] with the comparison vertex at the comparison's own vertexIndices[c]. This
// survives welding that went differently in the two files (coincident positions that drifted
// apart in one expression). Otherwise, when the vertex counts agree, vertices are paired by
// index. Morph extraction, the difference highlight and the comparison fit all pair through
// pairFaces, so they always agree on what moved.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <osg/Vec3>

#include "model/face.h"

namespace mw {

enum class PairingKind {
    Corners,  // through the triangle corners
    Indices,  // vertex j with vertex j
};

struct GeometryPairing {
    PairingKind kind = PairingKind::Indices;
    // For each vertex of the current geometry, the comparison position paired with it: the
    // mean where the comparison gives it several. A vertex no corner reaches and that has no
    // comparison vertex of its index keeps its own position and is marked unpaired.
    std::vector<osg::Vec3> positions;
    std::vector<std::uint8_t> paired;
    // Current vertices given several different positions, and the largest distance of one of
    // those positions from their mean.
    std::size_t spreadVertices = 0;
    float largestSpread = 0.0f;
};

struct FacePairing {
    enum class Status { Paired, GeometryCountDiffers, VertexCountDiffers };
    Status status = Status::Paired;
    std::size_t failedGeometry = 0;  // the first pair that could not be matched
    std::vector<GeometryPairing> geometries;  // one per geometry while Paired
    std::size_t spreadVertices = 0;  // summed over the geometries
    float largestSpread = 0.0f;

    bool ok() const { return status == Status::Paired; }
};

// How two geometries are paired; false when they cannot be (neither the triangle lists'
// lengths nor the vertex counts agree).
bool choosePairing(const FaceGeom& current, const FaceGeom& comparison, PairingKind& kind);

GeometryPairing pairGeometry(const FaceGeom& current, const FaceGeom& comparison, PairingKind kind);

// Pairs every geometry of `current` with the geometry at the same position of `comparison`.
FacePairing pairFaces(const TarvFaceObject& current, const TarvFaceObject& comparison);

}  // namespace mw
