#pragma once
// Nearest-neighbour search over a fixed set of points (a k-d tree).

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <Eigen/Core>
#include <nanoflann.hpp>

namespace mw {

class PointIndex {
public:
    explicit PointIndex(std::vector<Eigen::Vector3d> points);

    const std::vector<Eigen::Vector3d>& points() const { return cloud_.points; }
    bool empty() const { return cloud_.points.empty(); }

    // The point closest to `query` and its squared distance; {UINT32_MAX, inf} when empty.
    std::pair<std::uint32_t, double> nearest(const Eigen::Vector3d& query) const;

    // Every point within `radius` of `query` (index, squared distance), unordered.
    void within(const Eigen::Vector3d& query, double radius, std::vector<std::pair<std::uint32_t, double>>& out) const;

    // Walks the tree with a nanoflann result set (worstDist, addPoint, full).
    template <typename ResultSet>
    void search(ResultSet& result, const Eigen::Vector3d& query) const
    {
        if (!cloud_.points.empty())
            tree_->findNeighbors(result, query.data(), nanoflann::SearchParams());
    }

private:
    struct Cloud {
        std::vector<Eigen::Vector3d> points;
        std::size_t kdtree_get_point_count() const { return points.size(); }
        double kdtree_get_pt(std::size_t i, std::size_t d) const { return points[i][static_cast<Eigen::Index>(d)]; }
        template <class Box>
        bool kdtree_get_bbox(Box&) const { return false; }
    };
    using Tree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<double, Cloud>, Cloud, 3, std::uint32_t>;

    Cloud cloud_;
    std::unique_ptr<Tree> tree_;
};

}  // namespace mw
