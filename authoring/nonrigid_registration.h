#pragma once
// Bending the rig's rest surface onto a head of another shape: optimal-step non-rigid ICP
// (affine transforms, stiffness lowered step by step) on a deformation graph of the rig.
// Each step pairs rig vertices with the closest head points and head vertices with the
// closest rig points, drops pairs that are far, that face opposite ways or that end on an open
// border, and solves for the transforms that bring the pairs together while neighbouring
// transforms stay alike. High stiffness first moves whole regions (the nose into the nose);
// lower stiffness then fits the details.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <Eigen/Core>

#include "authoring/frontal_guides.h"
#include "authoring/triangle_surface.h"

namespace mw {

// A rig vertex that must land on a head point, given by the user.
struct VertexLandmark {
    std::uint32_t rigVertex = 0;
    Eigen::Vector3d headPoint = Eigen::Vector3d::Zero();
};

struct RegistrationOptions {
    std::size_t graphNodes = 1500;
    // Stiffness, from rigid-like to supple; each level runs up to `iterations` steps.
    std::vector<double> stiffness{40.0, 20.0, 10.0, 5.0, 2.5, 1.2, 0.6, 0.3, 0.15};
    int iterations = 4;
    // The last, most supple level runs up to this many steps: features such as a wider mouth's
    // corners keep creeping towards their counterparts there after the coarse levels settled.
    int finalIterations = 8;
    double farthestPair = 0.08;   // pairs farther apart are dropped, as a share of the head's size...
    double nearestCutoff = 0.03;  // ...shrinking to this share by the last level
    double normalAgreement = 0.5; // cosine of the largest angle between paired normals
    // How strongly a guide (where a rig vertex's feature lies on the head) pulls, against the
    // rig vertex's own pull to its closest head point. It keeps pulling to the last level:
    // released there, the closest points let a mouth corner slide back (on another person's
    // head a smile's error grew from 0.19 to 0.29).
    double guidePull = 10.0;
};

struct RegistrationResult {
    std::vector<Eigen::Vector3d> points;  // the rig's vertices, bent onto the head
    bool cancelled = false;
};

// `rig` must already be placed onto `head` (rigid alignment). Each vertex belongs to a group
// (rigGroups, headGroups; -1 for none): pairs are only made within a group, so eyes meet eyes
// and skin meets skin. `guides` pull rig vertices towards head points by their confidence.
// `progress` gets the share done and may return false to stop.
RegistrationResult registerNonrigid(const TriangleSurface& rig, std::span<const int> rigGroups,
                                    const TriangleSurface& head, std::span<const int> headGroups,
                                    std::span<const VertexLandmark> landmarks, std::span<const SurfaceGuide> guides,
                                    const RegistrationOptions& options,
                                    const std::function<bool(double)>& progress = {});

}  // namespace mw
