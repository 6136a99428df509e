#pragma once
// Closest points on a triangle surface: for a query point, the triangle and barycentric
// coordinates of the nearest point of the surface, optionally among acceptable triangles only
// (for instance those whose normal faces the same side as the query's).

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <Eigen/Core>

#include "authoring/point_index.h"
#include "authoring/triangle_surface.h"

namespace mw {

struct SurfacePoint {
    std::uint32_t triangle = std::numeric_limits<std::uint32_t>::max();
    Eigen::Vector3d barycentric = Eigen::Vector3d::Zero();  // weights of the triangle's corners
    Eigen::Vector3d point = Eigen::Vector3d::Zero();
    double distance = std::numeric_limits<double>::infinity();

    bool found() const { return triangle != std::numeric_limits<std::uint32_t>::max(); }
};

// The point of triangle (a, b, c) closest to `p`, with its barycentric coordinates.
Eigen::Vector3d closestPointOnTriangle(const Eigen::Vector3d& p, const Eigen::Vector3d& a, const Eigen::Vector3d& b,
                                       const Eigen::Vector3d& c, Eigen::Vector3d& barycentric);

// Exact closest-point queries on one surface. The surface must outlive the locator and keep
// its positions while it is used.
class SurfaceLocator {
public:
    explicit SurfaceLocator(const TriangleSurface& surface);

    const TriangleSurface& surface() const { return surface_; }

    // The closest point no farther than `maxDistance` on a triangle that `accept(triangle,
    // barycentric)` admits; not found() when there is none.
    template <typename Accept>
    SurfacePoint closest(const Eigen::Vector3d& query, double maxDistance, Accept&& accept) const;

    SurfacePoint closest(const Eigen::Vector3d& query, double maxDistance = std::numeric_limits<double>::infinity()) const
    {
        return closest(query, maxDistance, [](std::uint32_t, const Eigen::Vector3d&) { return true; });
    }

private:
    template <typename Accept>
    struct Search {
        const SurfaceLocator& locator;
        const Eigen::Vector3d& query;
        Accept& accept;
        double reach;  // largest distance from a centroid to its corners
        SurfacePoint best;
        double limit;  // squared distance from the query within which centroids can matter

        double worstDist() const { return limit; }
        bool full() const { return true; }
        bool addPoint(double, std::uint32_t triangle)
        {
            consider(triangle);
            return true;
        }
        void consider(std::uint32_t triangle)
        {
            const Triangle& t = locator.surface_.triangles[triangle];
            const auto& p = locator.surface_.points;
            Eigen::Vector3d weights;
            const Eigen::Vector3d point = closestPointOnTriangle(query, p[t[0]], p[t[1]], p[t[2]], weights);
            const double distance = (point - query).norm();
            if (distance < best.distance && accept(triangle, weights)) {
                best = {triangle, weights, point, distance};
                limit = std::min(limit, (distance + reach) * (distance + reach));
            }
        }
    };

    const TriangleSurface& surface_;
    std::vector<std::uint32_t> indexed_;  // triangles in the tree, by the tree's point number
    std::vector<std::uint32_t> large_;    // triangles far larger than the rest, tried one by one
    double reach_ = 0.0;
    PointIndex centroids_;
};

template <typename Accept>
SurfacePoint SurfaceLocator::closest(const Eigen::Vector3d& query, double maxDistance, Accept&& accept) const
{
    const double start = std::isfinite(maxDistance) ? (maxDistance + reach_) * (maxDistance + reach_)
                                                    : std::numeric_limits<double>::infinity();
    Search<Accept> search{*this, query, accept, reach_, SurfacePoint{}, start};
    search.best.distance = std::isfinite(maxDistance) ? std::nextafter(maxDistance, std::numeric_limits<double>::infinity())
                                                      : std::numeric_limits<double>::infinity();
    for (std::uint32_t triangle : large_)
        search.consider(triangle);
    struct Translate {
        Search<Accept>& inner;
        const std::vector<std::uint32_t>& indexed;
        double worstDist() const { return inner.worstDist(); }
        bool full() const { return true; }
        bool addPoint(double d, std::uint32_t i) { return inner.addPoint(d, indexed[i]); }
    } translate{search, indexed_};
    centroids_.search(translate, query);
    return search.best;
}

}  // namespace mw
