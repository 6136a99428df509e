#include "authoring/nonrigid_registration.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include "authoring/deformation_graph.h"
#include "authoring/parallel_for.h"
#include "authoring/surface_projection.h"

namespace mw {
namespace {

using Matrix4 = Eigen::Matrix4d;
constexpr std::size_t kSkin = DeformationGraph::kSkin;
constexpr std::size_t kSkinPairs = kSkin * (kSkin + 1) / 2;

// True when a closest point lies on an open border of the surface (on a border vertex, or on an
// edge between two): a rig reaching past a head's neck cut must not be pulled onto the cut.
bool onBorder(const TriangleSurface& surface, const std::vector<std::uint8_t>& border, const SurfacePoint& hit)
{
    const Triangle& t = surface.triangles[hit.triangle];
    int inside = 0;
    bool allBorder = true;
    for (int c = 0; c < 3; ++c)
        if (hit.barycentric[c] > 1e-9) {
            ++inside;
            allBorder = allBorder && border[t[static_cast<std::size_t>(c)]];
        }
    return inside < 3 && allBorder;
}

Eigen::Vector3d normalAt(const TriangleSurface& surface, const std::vector<Eigen::Vector3d>& normals, std::uint32_t triangle,
                         const Eigen::Vector3d& barycentric)
{
    const Triangle& t = surface.triangles[triangle];
    const Eigen::Vector3d n = barycentric[0] * normals[t[0]] + barycentric[1] * normals[t[1]] + barycentric[2] * normals[t[2]];
    const double length = n.norm();
    return length > 0.0 ? Eigen::Vector3d(n / length) : n;
}

// Per-vertex area weights that add up to `total`.
std::vector<double> areaWeights(const TriangleSurface& surface, double total)
{
    std::vector<double> w = vertexAreas(surface);
    double sum = 0.0;
    for (double a : w)
        sum += a;
    if (sum > 0.0)
        for (double& a : w)
            a *= total / sum;
    return w;
}

// The normal equations of the affine transforms, 4 unknowns per node and node, for the three
// coordinates at once: a fixed sparsity pattern whose values are refilled every step.
class NormalEquations {
public:
    NormalEquations(const DeformationGraph& graph, std::size_t vertices)
        : nodes_(graph.nodes.size()), vertexBlocks_(vertices * kSkinPairs, 0)
    {
        std::unordered_map<std::uint64_t, std::uint32_t> index;
        auto block = [&](std::uint32_t a, std::uint32_t b) {
            if (a > b)
                std::swap(a, b);
            const std::uint64_t key = (std::uint64_t{a} << 32) | b;
            const auto [it, added] = index.try_emplace(key, static_cast<std::uint32_t>(pairs_.size()));
            if (added)
                pairs_.emplace_back(a, b);
            return it->second;
        };
        for (std::uint32_t j = 0; j < nodes_; ++j)
            diagonal_.push_back(block(j, j));
        for (const auto& [a, b] : graph.edges)
            edgeBlocks_.push_back(block(a, b));
        for (std::size_t v = 0; v < vertices; ++v) {
            std::size_t slot = 0;
            for (std::size_t p = 0; p < kSkin; ++p)
                for (std::size_t q = p; q < kSkin; ++q)
                    vertexBlocks_[v * kSkinPairs + slot++] = block(graph.skinNodes[v][p], graph.skinNodes[v][q]);
        }
        blocks_.assign(pairs_.size(), Matrix4::Zero());

        // The lower triangle of the matrix, and where each block's entries sit in it.
        std::vector<Eigen::Triplet<double>> entries;
        for (const auto& [a, b] : pairs_)
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c)
                    if (a != b || r >= c)
                        entries.emplace_back(4 * static_cast<int>(b) + r, 4 * static_cast<int>(a) + c, 0.0);
        const auto size = static_cast<Eigen::Index>(4 * nodes_);
        matrix_.resize(size, size);
        matrix_.setFromTriplets(entries.begin(), entries.end());
        matrix_.makeCompressed();
        positions_.resize(pairs_.size());
        for (std::size_t k = 0; k < pairs_.size(); ++k) {
            const auto [a, b] = pairs_[k];
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) {
                    int& at = positions_[k][static_cast<std::size_t>(4 * r + c)];
                    at = -1;
                    if (a == b && r < c)
                        continue;
                    const int row = 4 * static_cast<int>(b) + r, col = 4 * static_cast<int>(a) + c;
                    const int* begin = matrix_.innerIndexPtr() + matrix_.outerIndexPtr()[col];
                    const int* end = matrix_.innerIndexPtr() + matrix_.outerIndexPtr()[col + 1];
                    at = static_cast<int>(std::lower_bound(begin, end, row) - matrix_.innerIndexPtr());
                }
        }
        solver_.analyzePattern(matrix_);
        rhs_.setZero(size, 3);
    }

    void clear()
    {
        for (Matrix4& b : blocks_)
            b.setZero();
        rhs_.setZero();
    }

    // A vertex with homogeneous rest position `h`, skin `weights`, pulled with `strength` to `target`.
    void addVertex(std::size_t v, const DeformationGraph& graph, const Eigen::Vector4d& h, double strength,
                   const Eigen::Vector3d& target)
    {
        const Matrix4 hh = strength * h * h.transpose();
        const auto& w = graph.skinWeights[v];
        std::size_t slot = 0;
        for (std::size_t p = 0; p < kSkin; ++p) {
            for (std::size_t q = p; q < kSkin; ++q, ++slot)
                if (w[p] != 0.0 && w[q] != 0.0)
                    blocks_[vertexBlocks_[v * kSkinPairs + slot]] += (w[p] * w[q]) * hh;
            if (w[p] != 0.0)
                rhs_.middleRows<4>(4 * static_cast<Eigen::Index>(graph.skinNodes[v][p])) +=
                    (strength * w[p]) * h * target.transpose();
        }
    }

    // Neighbouring transforms kept alike with weight `beta`; every transform pulled weakly
    // towards `rest` so that parts without any pair stay put.
    void addStiffness(double beta, double hold, const Eigen::MatrixXd& rest)
    {
        const Matrix4 g = beta * Eigen::Vector4d(1.0, 1.0, 1.0, 1.0).asDiagonal().toDenseMatrix();
        for (std::size_t e = 0; e < edgeBlocks_.size(); ++e) {
            const auto [a, b] = pairs_[edgeBlocks_[e]];
            blocks_[diagonal_[a]] += g;
            blocks_[diagonal_[b]] += g;
            blocks_[edgeBlocks_[e]] -= g;
        }
        for (std::size_t j = 0; j < nodes_; ++j) {
            blocks_[diagonal_[j]] += hold * Matrix4::Identity();
            rhs_.middleRows<4>(4 * static_cast<Eigen::Index>(j)) += hold * rest.middleRows<4>(4 * static_cast<Eigen::Index>(j));
        }
    }

    // The transforms; false when the system could not be solved.
    bool solve(Eigen::MatrixXd& transforms)
    {
        double* values = matrix_.valuePtr();
        for (std::size_t k = 0; k < pairs_.size(); ++k)
            for (std::size_t e = 0; e < 16; ++e)
                if (positions_[k][e] >= 0)
                    values[positions_[k][e]] = blocks_[k](static_cast<Eigen::Index>(e / 4), static_cast<Eigen::Index>(e % 4));
        solver_.factorize(matrix_);
        if (solver_.info() != Eigen::Success)
            return false;
        Eigen::MatrixXd solved = solver_.solve(rhs_);
        if (solver_.info() != Eigen::Success || !solved.allFinite())
            return false;
        transforms = std::move(solved);
        return true;
    }

private:
    std::size_t nodes_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs_;  // node pairs with a block, a <= b
    std::vector<std::uint32_t> diagonal_;
    std::vector<std::uint32_t> edgeBlocks_;
    std::vector<std::uint32_t> vertexBlocks_;
    std::vector<Matrix4> blocks_;
    std::vector<std::array<int, 16>> positions_;
    Eigen::SparseMatrix<double> matrix_;
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>, Eigen::Lower> solver_;
    Eigen::MatrixXd rhs_;
};

Eigen::Vector4d homogeneous(const Eigen::Vector3d& p) { return {p.x(), p.y(), p.z(), 1.0}; }

// Nearest vertices by position and normal together (the normal scaled by `reach`): a rig
// vertex on the rim of a lip finds the rim of the head's lip rather than the nearest point of
// the cheek beside it. The closest point is then taken on the triangles around that vertex.
class FeatureIndex {
public:
    FeatureIndex(const TriangleSurface& surface, const std::vector<Eigen::Vector3d>& normals,
                 const std::vector<std::vector<std::uint32_t>>& around, std::span<const int> groups, int group, double reach)
        : surface_(surface), around_(around), reach_(reach)
    {
        for (std::uint32_t v = 0; v < surface.points.size(); ++v)
            if (groups[v] == group && !around[v].empty()) {
                Feature f;
                f.vertex = v;
                f.x << surface.points[v], reach * normals[v];
                cloud_.features.push_back(f);
            }
        if (!cloud_.features.empty())
            tree_ = std::make_unique<Tree>(6, cloud_, nanoflann::KDTreeSingleIndexAdaptorParams(12));
    }

    bool empty() const { return !tree_; }

    // The closest point on the triangles around the vertex nearest in position and normal.
    SurfacePoint closest(const Eigen::Vector3d& p, const Eigen::Vector3d& normal) const
    {
        SurfacePoint best;
        if (!tree_)
            return best;
        Eigen::Matrix<double, 6, 1> q;
        q << p, reach_ * normal;
        std::uint32_t index = 0;
        double distance = 0.0;
        tree_->knnSearch(q.data(), 1, &index, &distance);
        for (std::uint32_t t : around_[cloud_.features[index].vertex]) {
            const Triangle& tri = surface_.triangles[t];
            Eigen::Vector3d w;
            const Eigen::Vector3d point =
                closestPointOnTriangle(p, surface_.points[tri[0]], surface_.points[tri[1]], surface_.points[tri[2]], w);
            const double d = (point - p).norm();
            if (d < best.distance)
                best = {t, w, point, d};
        }
        return best;
    }

private:
    struct Feature {
        std::uint32_t vertex;
        Eigen::Matrix<double, 6, 1> x;
    };
    struct Cloud {
        std::vector<Feature> features;
        std::size_t kdtree_get_point_count() const { return features.size(); }
        double kdtree_get_pt(std::size_t i, std::size_t d) const { return features[i].x[static_cast<Eigen::Index>(d)]; }
        template <class Box>
        bool kdtree_get_bbox(Box&) const { return false; }
    };
    using Tree = nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<double, Cloud>, Cloud, 6, std::uint32_t>;

    const TriangleSurface& surface_;
    const std::vector<std::vector<std::uint32_t>>& around_;
    double reach_;
    Cloud cloud_;
    std::unique_ptr<Tree> tree_;
};

std::vector<std::vector<std::uint32_t>> trianglesAround(const TriangleSurface& surface)
{
    std::vector<std::vector<std::uint32_t>> around(surface.points.size());
    for (std::uint32_t t = 0; t < surface.triangles.size(); ++t)
        for (std::uint32_t v : surface.triangles[t])
            around[v].push_back(t);
    return around;
}

}  // namespace

RegistrationResult registerNonrigid(const TriangleSurface& rigIn, std::span<const int> rigGroups,
                                    const TriangleSurface& headIn, std::span<const int> headGroups,
                                    std::span<const VertexLandmark> landmarks, std::span<const SurfaceGuide> guides,
                                    const RegistrationOptions& options,
                                    const std::function<bool(double)>& progress)
{
    RegistrationResult result;
    result.points = rigIn.points;
    const std::size_t n = rigIn.points.size();
    if (n == 0 || rigIn.triangles.empty() || headIn.triangles.empty())
        return result;

    // Work at unit size around the head, so that stiffness and cut-offs mean the same for a
    // head in millimetres and one in metres.
    Eigen::Vector3d centre = Eigen::Vector3d::Zero();
    for (const Eigen::Vector3d& p : headIn.points)
        centre += p;
    centre /= static_cast<double>(headIn.points.size());
    const double size = boundingDiagonal(headIn);
    if (!(size > 0.0))
        return result;
    auto normalised = [&](const TriangleSurface& s) {
        TriangleSurface out{{}, s.triangles};
        out.points.reserve(s.points.size());
        for (const Eigen::Vector3d& p : s.points)
            out.points.push_back((p - centre) / size);
        return out;
    };
    const TriangleSurface rig = normalised(rigIn);
    const TriangleSurface head = normalised(headIn);

    int groups = 0;
    for (int g : rigGroups)
        groups = std::max(groups, g + 1);
    const std::vector<Eigen::Vector3d> headNormals = vertexNormals(head);
    const auto headAround = trianglesAround(head);
    const auto rigAround = trianglesAround(rig);
    // Normals count as much as a distance of 2 % of the head's size.
    constexpr double reach = 0.02;
    const std::vector<std::uint8_t> headBorder = borderFlags(head);
    const std::vector<std::uint8_t> rigBorder = borderFlags(rig);
    const double rigMass = static_cast<double>(n);
    const std::vector<double> rigWeights = areaWeights(rig, rigMass);
    // A dense scan need not pull with every vertex: about as many as the rig has are plenty.
    const std::size_t headStride = std::max<std::size_t>(1, head.points.size() / std::max<std::size_t>(n, 20000));
    // The head's pull weighs thirty times the rig's: a head vertex says where the rig must reach
    // (a wider mouth stretches the rig's mouth), while a rig vertex only finds the nearest head
    // point, which lets features slide. On known truths ten times cut the error of a remeshed
    // copy's jaw to a third and that of another person's mouth by a tenth; thirty times gained
    // a little more on every morph of another person, a hundred no more than thirty.
    constexpr double kHeadPull = 30.0;
    const std::vector<double> headWeights = areaWeights(head, kHeadPull * rigMass * static_cast<double>(headStride));
    std::vector<std::unique_ptr<FeatureIndex>> headFeatures;
    for (int g = 0; g < groups; ++g)
        headFeatures.push_back(std::make_unique<FeatureIndex>(head, headNormals, headAround, headGroups, g, reach));

    const DeformationGraph graph = buildDeformationGraph(rig, options.graphNodes);
    const std::size_t m = graph.nodes.size();
    if (m == 0)
        return result;
    NormalEquations equations(graph, n);
    Eigen::MatrixXd transforms(static_cast<Eigen::Index>(4 * m), 3);
    for (std::size_t j = 0; j < m; ++j)
        transforms.middleRows<4>(4 * static_cast<Eigen::Index>(j)) << Eigen::Matrix3d::Identity(), Eigen::RowVector3d::Zero();
    const Eigen::MatrixXd rest = transforms;
    const double landmarkWeight = 20.0 * rigMass / static_cast<double>(m);

    std::vector<Eigen::Vector4d> restPoints(n);
    for (std::size_t v = 0; v < n; ++v)
        restPoints[v] = homogeneous(rig.points[v]);
    TriangleSurface bent{rig.points, rig.triangles};
    auto deform = [&] {
        parallelFor(n, [&](std::size_t v) {
            Eigen::Vector3d p = Eigen::Vector3d::Zero();
            for (std::size_t k = 0; k < kSkin; ++k)
                if (graph.skinWeights[v][k] != 0.0)
                    p += graph.skinWeights[v][k] *
                         (transforms.middleRows<4>(4 * static_cast<Eigen::Index>(graph.skinNodes[v][k])).transpose() * restPoints[v]);
            if (graph.skinWeights[v][0] != 0.0)
                bent.points[v] = p;
        });
    };

    std::vector<double> strength(n);
    std::vector<SurfacePoint> headHits((head.points.size() + headStride - 1) / headStride);
    std::vector<Eigen::Vector3d> target(n);
    const std::size_t levels = options.stiffness.size();
    const std::size_t totalSteps =
        std::max<std::size_t>(1, levels > 0 ? (levels - 1) * static_cast<std::size_t>(options.iterations) +
                                                  static_cast<std::size_t>(std::max(options.iterations, options.finalIterations))
                                            : 0);
    std::size_t step = 0;
    for (std::size_t level = 0; level < levels; ++level) {
        const double t = levels > 1 ? static_cast<double>(level) / static_cast<double>(levels - 1) : 1.0;
        const double cutoff = options.farthestPair * std::pow(options.nearestCutoff / options.farthestPair, t);
        const int iterations = level + 1 == levels ? std::max(options.iterations, options.finalIterations) : options.iterations;
        for (int iteration = 0; iteration < iterations; ++iteration) {
            step = level * static_cast<std::size_t>(options.iterations) + static_cast<std::size_t>(iteration);
            if (progress && !progress(static_cast<double>(step) / static_cast<double>(totalSteps))) {
                result.cancelled = true;
                return result;
            }
            deform();
            const std::vector<Eigen::Vector3d> bentNormals = vertexNormals(bent);
            std::fill(strength.begin(), strength.end(), 0.0);
            std::fill(target.begin(), target.end(), Eigen::Vector3d::Zero());

            // Rig vertices towards the closest head points.
            for (int g = 0; g < groups; ++g) {
                const FeatureIndex& features = *headFeatures[static_cast<std::size_t>(g)];
                if (features.empty())
                    continue;
                parallelFor(n, [&](std::size_t v) {
                    if (rigGroups[v] != g || graph.skinWeights[v][0] == 0.0)
                        return;
                    const Eigen::Vector3d& normal = bentNormals[v];
                    const SurfacePoint hit = features.closest(bent.points[v], normal);
                    if (!hit.found() || hit.distance > cutoff || onBorder(head, headBorder, hit) ||
                        normalAt(head, headNormals, hit.triangle, hit.barycentric).dot(normal) < options.normalAgreement)
                        return;
                    strength[v] += rigWeights[v];
                    target[v] += rigWeights[v] * hit.point;
                });
            }
            // Head vertices pull the closest rig points, through the corners of their triangle.
            for (int g = 0; g < groups; ++g) {
                const FeatureIndex features(bent, bentNormals, rigAround, rigGroups, g, reach);
                if (features.empty())
                    continue;
                const std::size_t pulling = (head.points.size() + headStride - 1) / headStride;
                parallelFor(pulling, [&](std::size_t k) {
                    const std::size_t h = k * headStride;
                    headHits[k] = {};
                    if (headGroups[h] != g || !(headWeights[h] > 0.0))
                        return;
                    const Eigen::Vector3d& normal = headNormals[h];
                    const SurfacePoint hit = features.closest(head.points[h], normal);
                    if (hit.found() && hit.distance <= cutoff && !onBorder(bent, rigBorder, hit) &&
                        normalAt(bent, bentNormals, hit.triangle, hit.barycentric).dot(normal) >= options.normalAgreement)
                        headHits[k] = hit;
                });
                for (std::size_t k = 0; k < pulling; ++k) {
                    const SurfacePoint& hit = headHits[k];
                    const std::size_t h = k * headStride;
                    if (!hit.found())
                        continue;
                    const Eigen::Vector3d shift = head.points[h] - hit.point;
                    const Triangle& tri = bent.triangles[hit.triangle];
                    for (int c = 0; c < 3; ++c) {
                        const double w = headWeights[h] * hit.barycentric[c];
                        strength[tri[static_cast<std::size_t>(c)]] += w;
                        target[tri[static_cast<std::size_t>(c)]] += w * (bent.points[tri[static_cast<std::size_t>(c)]] + shift);
                    }
                }
            }
            for (const SurfaceGuide& g : guides)
                if (g.rigVertex < n) {
                    const double w = options.guidePull * g.confidence * rigWeights[g.rigVertex];
                    strength[g.rigVertex] += w;
                    target[g.rigVertex] += w * (g.headPoint - centre) / size;
                }
            for (const VertexLandmark& l : landmarks)
                if (l.rigVertex < n) {
                    strength[l.rigVertex] += landmarkWeight;
                    target[l.rigVertex] += landmarkWeight * (l.headPoint - centre) / size;
                }

            double mass = 0.0;
            equations.clear();
            for (std::size_t v = 0; v < n; ++v)
                if (strength[v] > 0.0) {
                    mass += strength[v];
                    equations.addVertex(v, graph, restPoints[v], strength[v], target[v] / strength[v]);
                }
            if (!(mass > 0.0))
                break;  // nothing pairs up: leave the rig where the rigid alignment put it
            const double alpha = options.stiffness[level];
            equations.addStiffness(alpha * alpha * mass / static_cast<double>(m), 1e-6 * mass / static_cast<double>(m), rest);
            const Eigen::MatrixXd before = transforms;
            if (!equations.solve(transforms)) {
                transforms = before;
                break;
            }
            if ((transforms - before).cwiseAbs().maxCoeff() < 1e-4)
                break;
        }
    }
    deform();
    for (std::size_t v = 0; v < n; ++v)
        result.points[v] = graph.skinWeights[v][0] != 0.0 ? Eigen::Vector3d(bent.points[v] * size + centre) : rigIn.points[v];
    return result;
}

}  // namespace mw
