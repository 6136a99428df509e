#include "authoring/triangle_surface.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include <Eigen/Geometry>

namespace mw {

std::vector<Eigen::Vector3d> vertexNormals(const TriangleSurface& surface)
{
    std::vector<Eigen::Vector3d> normals(surface.points.size(), Eigen::Vector3d::Zero());
    for (const Triangle& t : surface.triangles) {
        const Eigen::Vector3d& a = surface.points[t[0]];
        const Eigen::Vector3d n = (surface.points[t[1]] - a).cross(surface.points[t[2]] - a);  // twice the area
        for (std::uint32_t v : t)
            normals[v] += n;
    }
    for (Eigen::Vector3d& n : normals) {
        const double length = n.norm();
        n = length > 0.0 ? Eigen::Vector3d(n / length) : Eigen::Vector3d::Zero();
    }
    return normals;
}

Eigen::Vector3d triangleNormal(const TriangleSurface& surface, std::size_t triangle)
{
    const Triangle& t = surface.triangles[triangle];
    const Eigen::Vector3d& a = surface.points[t[0]];
    const Eigen::Vector3d n = (surface.points[t[1]] - a).cross(surface.points[t[2]] - a);
    const double length = n.norm();
    return length > 0.0 ? Eigen::Vector3d(n / length) : Eigen::Vector3d::Zero();
}

std::vector<std::uint8_t> borderFlags(const TriangleSurface& surface)
{
    std::unordered_map<std::uint64_t, int> uses;
    uses.reserve(surface.triangles.size() * 3);
    auto key = [](std::uint32_t a, std::uint32_t b) {
        return (static_cast<std::uint64_t>(std::min(a, b)) << 32) | std::max(a, b);
    };
    for (const Triangle& t : surface.triangles)
        for (int e = 0; e < 3; ++e)
            ++uses[key(t[e], t[(e + 1) % 3])];
    std::vector<std::uint8_t> border(surface.points.size(), 0);
    for (const auto& [edge, count] : uses)
        if (count == 1) {
            border[edge >> 32] = 1;
            border[edge & 0xffffffffu] = 1;
        }
    return border;
}

double surfaceArea(const TriangleSurface& surface)
{
    double area = 0.0;
    for (const Triangle& t : surface.triangles) {
        const Eigen::Vector3d& a = surface.points[t[0]];
        area += 0.5 * (surface.points[t[1]] - a).cross(surface.points[t[2]] - a).norm();
    }
    return area;
}

std::vector<double> vertexAreas(const TriangleSurface& surface)
{
    std::vector<double> areas(surface.points.size(), 0.0);
    for (const Triangle& t : surface.triangles) {
        const Eigen::Vector3d& a = surface.points[t[0]];
        const double third = (surface.points[t[1]] - a).cross(surface.points[t[2]] - a).norm() / 6.0;
        for (std::uint32_t v : t)
            areas[v] += third;
    }
    return areas;
}

double boundingDiagonal(const TriangleSurface& surface)
{
    Eigen::Vector3d low = Eigen::Vector3d::Constant(std::numeric_limits<double>::max());
    Eigen::Vector3d high = -low;
    bool any = false;
    for (const Triangle& t : surface.triangles)
        for (std::uint32_t v : t) {
            low = low.cwiseMin(surface.points[v]);
            high = high.cwiseMax(surface.points[v]);
            any = true;
        }
    return any ? (high - low).norm() : 0.0;
}

}  // namespace mw
