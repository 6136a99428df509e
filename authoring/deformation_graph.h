#pragma once
// A coarse graph of nodes spread over a surface, each carrying an affine transform that moves
// the vertices around it: the surface can then be bent smoothly with far fewer unknowns than it
// has vertices. Nodes and their neighbourhoods follow the mesh (geodesic regions), so the upper
// lip never moves with the lower lip that touches it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <Eigen/Core>

#include "authoring/triangle_surface.h"

namespace mw {

struct DeformationGraph {
    static constexpr std::size_t kSkin = 4;  // nodes moving one vertex

    std::vector<std::uint32_t> nodes;  // the vertices that are nodes
    std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;  // nodes whose regions touch, i < j
    // For each vertex, the nodes moving it and their weights (summing to 1; unused slots weigh 0).
    std::vector<std::array<std::uint32_t, kSkin>> skinNodes;
    std::vector<std::array<double, kSkin>> skinWeights;
    double spacing = 0.0;  // the distance nodes keep from one another
};

// About `targetNodes` nodes spread evenly over the surface; each connected part of the surface
// gets at least one. Vertices that no triangle uses are moved by no node.
DeformationGraph buildDeformationGraph(const TriangleSurface& surface, std::size_t targetNodes);

}  // namespace mw
