#include "authoring/point_index.h"

#include <limits>

namespace mw {

PointIndex::PointIndex(std::vector<Eigen::Vector3d> points) : cloud_{std::move(points)}
{
    if (!cloud_.points.empty())
        tree_ = std::make_unique<Tree>(3, cloud_, nanoflann::KDTreeSingleIndexAdaptorParams(12));
}

std::pair<std::uint32_t, double> PointIndex::nearest(const Eigen::Vector3d& query) const
{
    std::uint32_t index = std::numeric_limits<std::uint32_t>::max();
    double distance = std::numeric_limits<double>::infinity();
    if (!cloud_.points.empty())
        tree_->knnSearch(query.data(), 1, &index, &distance);
    return {index, distance};
}

void PointIndex::within(const Eigen::Vector3d& query, double radius,
                        std::vector<std::pair<std::uint32_t, double>>& out) const
{
    out.clear();
    if (cloud_.points.empty())
        return;
    nanoflann::SearchParams params;
    params.sorted = false;
    tree_->radiusSearch(query.data(), radius * radius, out, params);
}

}  // namespace mw
