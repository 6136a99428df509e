#pragma once
// A triangle mesh in double precision, as the registration of one head onto another works on it:
// positions, corner triples and what follows from them (normals, open borders, size).

#include <array>
#include <cstdint>
#include <vector>

#include <Eigen/Core>

namespace mw {

using Triangle = std::array<std::uint32_t, 3>;

struct TriangleSurface {
    std::vector<Eigen::Vector3d> points;
    std::vector<Triangle> triangles;
};

// Area-weighted vertex normals following the winding; zero for a vertex no triangle uses.
std::vector<Eigen::Vector3d> vertexNormals(const TriangleSurface& surface);

// Unit normal of one triangle (zero when it has no area).
Eigen::Vector3d triangleNormal(const TriangleSurface& surface, std::size_t triangle);

// 1 for every vertex on an edge that only one triangle uses (an open border such as a neck cut).
std::vector<std::uint8_t> borderFlags(const TriangleSurface& surface);

double surfaceArea(const TriangleSurface& surface);

// Area around each vertex (a third of each triangle it is a corner of), so that a densely
// meshed region does not outweigh a coarsely meshed one.
std::vector<double> vertexAreas(const TriangleSurface& surface);

// Length of the diagonal of the bounding box of the points the triangles use.
double boundingDiagonal(const TriangleSurface& surface);

}  // namespace mw
