#include "authoring/deformation_graph.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <queue>
#include <unordered_map>

namespace mw {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

std::vector<std::vector<std::uint32_t>> neighbourLists(const TriangleSurface& surface)
{
    std::vector<std::vector<std::uint32_t>> neighbours(surface.points.size());
    for (const Triangle& t : surface.triangles)
        for (int e = 0; e < 3; ++e) {
            neighbours[t[e]].push_back(t[(e + 1) % 3]);
            neighbours[t[(e + 1) % 3]].push_back(t[e]);
        }
    for (auto& list : neighbours) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
    return neighbours;
}

// The connected part of the surface each vertex belongs to (kNone for unused vertices).
std::vector<std::uint32_t> partsOf(const std::vector<std::vector<std::uint32_t>>& neighbours)
{
    std::vector<std::uint32_t> part(neighbours.size(), kNone);
    std::uint32_t parts = 0;
    std::vector<std::uint32_t> stack;
    for (std::uint32_t start = 0; start < neighbours.size(); ++start) {
        if (part[start] != kNone || neighbours[start].empty())
            continue;
        part[start] = parts;
        stack.push_back(start);
        while (!stack.empty()) {
            const std::uint32_t v = stack.back();
            stack.pop_back();
            for (std::uint32_t n : neighbours[v])
                if (part[n] == kNone) {
                    part[n] = parts;
                    stack.push_back(n);
                }
        }
        ++parts;
    }
    return part;
}

struct CellKey {
    std::int64_t x, y, z;
    std::uint32_t part;
    bool operator==(const CellKey&) const = default;
};

struct CellHash {
    std::size_t operator()(const CellKey& k) const
    {
        return std::hash<std::int64_t>()(k.x * 73856093 ^ k.y * 19349663 ^ k.z * 83492791) ^ (std::size_t{k.part} << 1);
    }
};

}  // namespace

DeformationGraph buildDeformationGraph(const TriangleSurface& surface, std::size_t targetNodes)
{
    DeformationGraph graph;
    const std::size_t n = surface.points.size();
    graph.skinNodes.assign(n, {});
    graph.skinWeights.assign(n, {});
    const auto neighbours = neighbourLists(surface);
    const auto part = partsOf(neighbours);
    const double area = surfaceArea(surface);
    graph.spacing = std::sqrt(area / (0.8 * static_cast<double>(std::max<std::size_t>(targetNodes, 1))));
    if (!(graph.spacing > 0.0))
        graph.spacing = 1.0;
    const double r = graph.spacing;

    // Poisson-disk choice of nodes among the vertices, in an order that scatters them over the
    // surface and follows from their positions alone, so the same surface gets the same graph
    // however its vertices are numbered (a rig cut into geometries, a mesh re-saved by another
    // tool). A node only keeps away nodes of its own part, so eyes and teeth get nodes of their own.
    std::vector<std::uint64_t> scatter(n);
    for (std::size_t v = 0; v < n; ++v) {
        std::uint64_t h = 0x9E3779B97F4A7C15ull;
        for (int c = 0; c < 3; ++c) {
            h ^= std::bit_cast<std::uint64_t>(surface.points[v][c] + 0.0);
            h *= 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        scatter[v] = h;
    }
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return scatter[a] != scatter[b] ? scatter[a] < scatter[b] : a < b;
    });
    std::unordered_map<CellKey, std::vector<std::uint32_t>, CellHash> cells;
    auto cellOf = [r](const Eigen::Vector3d& p, std::uint32_t prt) {
        return CellKey{static_cast<std::int64_t>(std::floor(p.x() / r)), static_cast<std::int64_t>(std::floor(p.y() / r)),
                       static_cast<std::int64_t>(std::floor(p.z() / r)), prt};
    };
    for (std::uint32_t v : order) {
        if (part[v] == kNone)
            continue;
        const Eigen::Vector3d& p = surface.points[v];
        const CellKey c = cellOf(p, part[v]);
        bool free = true;
        for (std::int64_t dx = -1; dx <= 1 && free; ++dx)
            for (std::int64_t dy = -1; dy <= 1 && free; ++dy)
                for (std::int64_t dz = -1; dz <= 1 && free; ++dz) {
                    const auto it = cells.find({c.x + dx, c.y + dy, c.z + dz, c.part});
                    if (it == cells.end())
                        continue;
                    for (std::uint32_t node : it->second)
                        if ((surface.points[graph.nodes[node]] - p).squaredNorm() < r * r) {
                            free = false;
                            break;
                        }
                }
        if (free) {
            cells[c].push_back(static_cast<std::uint32_t>(graph.nodes.size()));
            graph.nodes.push_back(v);
        }
    }

    // Geodesic regions: every vertex belongs to the node nearest along the mesh.
    std::vector<std::uint32_t> region(n, kNone);
    std::vector<double> distance(n, std::numeric_limits<double>::infinity());
    using Entry = std::pair<double, std::uint32_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (std::uint32_t i = 0; i < graph.nodes.size(); ++i) {
        region[graph.nodes[i]] = i;
        distance[graph.nodes[i]] = 0.0;
        queue.push({0.0, graph.nodes[i]});
    }
    while (!queue.empty()) {
        const auto [d, v] = queue.top();
        queue.pop();
        if (d > distance[v])
            continue;
        for (std::uint32_t w : neighbours[v]) {
            const double through = d + (surface.points[w] - surface.points[v]).norm();
            if (through < distance[w]) {
                distance[w] = through;
                region[w] = region[v];
                queue.push({through, w});
            }
        }
    }
    std::vector<std::vector<std::uint32_t>> adjacent(graph.nodes.size());
    for (std::uint32_t v = 0; v < n; ++v)
        for (std::uint32_t w : neighbours[v])
            if (region[v] != region[w] && region[v] != kNone && region[w] != kNone)
                adjacent[region[v]].push_back(region[w]);
    for (std::uint32_t a = 0; a < adjacent.size(); ++a) {
        auto& list = adjacent[a];
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        for (std::uint32_t b : list)
            if (a < b)
                graph.edges.emplace_back(a, b);
    }

    // Each vertex follows its own region's node and the nearest of that node's neighbours,
    // weighted as in embedded deformation: (1 - d / dmax)², dmax the next candidate's distance.
    std::vector<std::pair<double, std::uint32_t>> candidates;
    for (std::uint32_t v = 0; v < n; ++v) {
        if (region[v] == kNone)
            continue;
        candidates.clear();
        const Eigen::Vector3d& p = surface.points[v];
        auto add = [&](std::uint32_t node) { candidates.push_back({(surface.points[graph.nodes[node]] - p).norm(), node}); };
        add(region[v]);
        for (std::uint32_t b : adjacent[region[v]])
            add(b);
        std::sort(candidates.begin(), candidates.end());
        const std::size_t used = std::min(candidates.size(), DeformationGraph::kSkin);
        const double reach = candidates.size() > used ? candidates[used].first : candidates.back().first + r;
        double total = 0.0;
        for (std::size_t k = 0; k < used; ++k) {
            const double w = reach > 0.0 ? std::pow(std::max(0.0, 1.0 - candidates[k].first / reach), 2.0) : 1.0;
            graph.skinNodes[v][k] = candidates[k].second;
            graph.skinWeights[v][k] = w;
            total += w;
        }
        if (!(total > 0.0)) {
            graph.skinWeights[v] = {};
            graph.skinWeights[v][0] = 1.0;
            total = 1.0;
        }
        for (std::size_t k = 0; k < used; ++k)
            graph.skinWeights[v][k] /= total;
        for (std::size_t k = used; k < DeformationGraph::kSkin; ++k)
            graph.skinNodes[v][k] = graph.skinNodes[v][0];  // weight 0, but a valid node
    }
    return graph;
}

}  // namespace mw
