#pragma once
// Where each point of the rig's face lies on the head, found by comparing the two faces seen
// from the front. Closest points alone let features slide: a wider mouth's lips stay close to
// the rig's narrower ones everywhere, so nothing pulls the rig's mouth corners outwards. Seen
// from the front, the relief of both faces (depth with the overall shape taken away) shows the
// lips, eyelids, nostrils and brows as patterns, and a smooth image registration (demons)
// stretches one pattern onto the other. The rig vertices seen from the front then get the head
// point under their matched pixel as a guide for the non-rigid registration.

#include <cstdint>
#include <span>
#include <vector>

#include <Eigen/Core>

#include "authoring/triangle_surface.h"

namespace mw {

struct SurfaceGuide {
    std::uint32_t rigVertex = 0;
    Eigen::Vector3d headPoint = Eigen::Vector3d::Zero();
    // 0 … 1: how squarely the rig's surface faces the viewer there, cubed. On a slanted surface
    // a pixel's error in the picture is a larger error along the surface (on a remeshed copy of
    // the same head the cube cut the error guides add by a quarter to a third, for 5 % of their
    // gain on another person's head).
    double confidence = 0.0;
};

struct FrontalView {
    Eigen::Vector3d towardsViewer = Eigen::Vector3d(0.0, 0.0, -1.0);  // the way the faces look
    Eigen::Vector3d up = Eigen::Vector3d::UnitY();
};

// Guides for the rig vertices that both faces show from the front. `rig` is already placed onto
// `head` (same position, size and turn); a face that shows little from the front gets none. A
// rig vertex is only guided onto a head point of its own group (per vertex, as the registration
// pairs them), so an eyelid is not guided onto an eyeball.
std::vector<SurfaceGuide> frontalGuides(const TriangleSurface& rig, std::span<const int> rigGroups, const TriangleSurface& head,
                                        std::span<const int> headGroups, const FrontalView& view);

}  // namespace mw
