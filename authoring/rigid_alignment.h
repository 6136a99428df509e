#pragma once
// Placing one head onto another by a rotation, one uniform scale and a translation: a start
// from the bounding boxes (both heads upright and looking roughly the same way), then trimmed
// iterative closest points in both directions, so neither head can shrink onto a part of the
// other.

#include <functional>
#include <span>

#include <Eigen/Core>

#include "authoring/triangle_surface.h"

namespace mw {

// p ↦ scale · rotation · p + translation.
struct SimilarityTransform {
    double scale = 1.0;
    Eigen::Matrix3d rotation = Eigen::Matrix3d::Identity();
    Eigen::Vector3d translation = Eigen::Vector3d::Zero();

    Eigen::Vector3d apply(const Eigen::Vector3d& p) const { return scale * (rotation * p) + translation; }
    // A displacement (a morph offset) carried along: turned and scaled, not moved.
    Eigen::Vector3d turn(const Eigen::Vector3d& d) const { return scale * (rotation * d); }
    Eigen::Vector3d applyInverse(const Eigen::Vector3d& q) const { return rotation.transpose() * (q - translation) / scale; }
};

// A point of one head that must land on a point of the other.
struct PointPair {
    Eigen::Vector3d from;
    Eigen::Vector3d to;
    double weight = 1.0;
};

// The similarity that carries the `from` points onto the `to` points best in the weighted
// least-squares sense (Umeyama); identity when fewer than three pairs span a plane.
SimilarityTransform fitSimilarityTransform(std::span<const PointPair> pairs);

struct RigidAlignment {
    SimilarityTransform transform;           // carries the rig onto the head
    double distance = 0.0;          // trimmed mean distance between the two surfaces afterwards
    bool cancelled = false;
};

// Aligns `rig` onto `head`. `landmarks` (rig point → head point), when there are three or more,
// give the start and keep a strong weight. `keepGoing` is asked now and then; false stops.
RigidAlignment alignRigid(const TriangleSurface& rig, const TriangleSurface& head, std::span<const PointPair> landmarks,
                          const std::function<bool()>& keepGoing = {});

}  // namespace mw
