#include "authoring/surface_projection.h"

#include <algorithm>

namespace mw {

// After Ericson, "Real-Time Collision Detection", 5.1.5: the Voronoi region of the triangle's
// features that holds `p` decides which feature is closest.
Eigen::Vector3d closestPointOnTriangle(const Eigen::Vector3d& p, const Eigen::Vector3d& a, const Eigen::Vector3d& b,
                                       const Eigen::Vector3d& c, Eigen::Vector3d& w)
{
    const Eigen::Vector3d ab = b - a, ac = c - a, ap = p - a;
    const double d1 = ab.dot(ap), d2 = ac.dot(ap);
    if (d1 <= 0.0 && d2 <= 0.0) {
        w = {1.0, 0.0, 0.0};
        return a;
    }
    const Eigen::Vector3d bp = p - b;
    const double d3 = ab.dot(bp), d4 = ac.dot(bp);
    if (d3 >= 0.0 && d4 <= d3) {
        w = {0.0, 1.0, 0.0};
        return b;
    }
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) {
        const double v = d1 / (d1 - d3);
        w = {1.0 - v, v, 0.0};
        return a + v * ab;
    }
    const Eigen::Vector3d cp = p - c;
    const double d5 = ab.dot(cp), d6 = ac.dot(cp);
    if (d6 >= 0.0 && d5 <= d6) {
        w = {0.0, 0.0, 1.0};
        return c;
    }
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) {
        const double v = d2 / (d2 - d6);
        w = {1.0 - v, 0.0, v};
        return a + v * ac;
    }
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && (d4 - d3) >= 0.0 && (d5 - d6) >= 0.0) {
        const double v = (d4 - d3) / ((d4 - d3) + (d5 - d6));
        w = {0.0, 1.0 - v, v};
        return b + v * (c - b);
    }
    const double sum = va + vb + vc;
    if (!(sum > 0.0)) {  // no area: the nearest corner will do
        const double da = (p - a).squaredNorm(), db = (p - b).squaredNorm(), dc = (p - c).squaredNorm();
        w = da <= db && da <= dc ? Eigen::Vector3d(1, 0, 0) : db <= dc ? Eigen::Vector3d(0, 1, 0) : Eigen::Vector3d(0, 0, 1);
        return w[0] * a + w[1] * b + w[2] * c;
    }
    const double v = vb / sum, u = vc / sum;
    w = {1.0 - v - u, v, u};
    return a + v * ab + u * ac;
}

namespace {

std::vector<Eigen::Vector3d> centroidsOf(const TriangleSurface& surface, const std::vector<std::uint32_t>& triangles)
{
    std::vector<Eigen::Vector3d> centroids;
    centroids.reserve(triangles.size());
    for (std::uint32_t i : triangles) {
        const Triangle& t = surface.triangles[i];
        centroids.push_back((surface.points[t[0]] + surface.points[t[1]] + surface.points[t[2]]) / 3.0);
    }
    return centroids;
}

// Triangles in the tree and triangles tried one by one: a few huge triangles (a flat cap, a
// ground plane) would otherwise widen every search to most of the surface.
std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>> splitBySize(const TriangleSurface& surface,
                                                                             std::vector<double>& radii)
{
    radii.resize(surface.triangles.size());
    for (std::size_t i = 0; i < surface.triangles.size(); ++i) {
        const Triangle& t = surface.triangles[i];
        const Eigen::Vector3d c = (surface.points[t[0]] + surface.points[t[1]] + surface.points[t[2]]) / 3.0;
        radii[i] = std::max({(surface.points[t[0]] - c).norm(), (surface.points[t[1]] - c).norm(),
                             (surface.points[t[2]] - c).norm()});
    }
    std::vector<double> sorted = radii;
    double cut = std::numeric_limits<double>::infinity();
    if (!sorted.empty()) {
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
        cut = 8.0 * sorted[sorted.size() / 2];
    }
    std::vector<std::uint32_t> indexed, large;
    for (std::uint32_t i = 0; i < radii.size(); ++i)
        (radii[i] > cut ? large : indexed).push_back(i);
    if (large.size() > 64) {  // not a few exceptions: keep them all in the tree
        indexed.insert(indexed.end(), large.begin(), large.end());
        large.clear();
    }
    return {std::move(indexed), std::move(large)};
}

}  // namespace

SurfaceLocator::SurfaceLocator(const TriangleSurface& surface)
    : surface_(surface), centroids_([&] {
          std::vector<double> radii;
          auto [indexed, large] = splitBySize(surface, radii);
          indexed_ = std::move(indexed);
          large_ = std::move(large);
          for (std::uint32_t i : indexed_)
              reach_ = std::max(reach_, radii[i]);
          return centroidsOf(surface, indexed_);
      }())
{
}

}  // namespace mw
