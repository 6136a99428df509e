#include "authoring/rigid_alignment.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

#include <Eigen/Geometry>
#include <Eigen/SVD>

#include "authoring/parallel_for.h"
#include "authoring/surface_projection.h"

namespace mw {

SimilarityTransform fitSimilarityTransform(std::span<const PointPair> pairs)
{
    double total = 0.0;
    Eigen::Vector3d meanFrom = Eigen::Vector3d::Zero(), meanTo = Eigen::Vector3d::Zero();
    for (const PointPair& p : pairs) {
        total += p.weight;
        meanFrom += p.weight * p.from;
        meanTo += p.weight * p.to;
    }
    if (pairs.size() < 3 || !(total > 0.0))
        return {};
    meanFrom /= total;
    meanTo /= total;
    Eigen::Matrix3d covariance = Eigen::Matrix3d::Zero();
    double spread = 0.0;
    for (const PointPair& p : pairs) {
        const Eigen::Vector3d f = p.from - meanFrom;
        covariance += p.weight * (p.to - meanTo) * f.transpose();
        spread += p.weight * f.squaredNorm();
    }
    if (!(spread > 0.0))
        return {};
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(covariance, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Vector3d sign = Eigen::Vector3d::Ones();
    if ((svd.matrixU() * svd.matrixV().transpose()).determinant() < 0.0)
        sign[2] = -1.0;
    SimilarityTransform s;
    s.rotation = svd.matrixU() * sign.asDiagonal() * svd.matrixV().transpose();
    s.scale = svd.singularValues().dot(sign) / spread;
    if (!(s.scale > 0.0))
        return {};
    s.translation = meanTo - s.scale * (s.rotation * meanFrom);
    return s;
}

namespace {

// Points spread evenly over the surface's area (not its vertices: scans are meshed densely
// where the scanner saw well), drawn the same way on every run.
std::vector<Eigen::Vector3d> samplePoints(const TriangleSurface& surface, std::size_t count, unsigned seed)
{
    std::vector<double> cumulative;
    cumulative.reserve(surface.triangles.size());
    double area = 0.0;
    for (const Triangle& t : surface.triangles) {
        const Eigen::Vector3d& a = surface.points[t[0]];
        area += (surface.points[t[1]] - a).cross(surface.points[t[2]] - a).norm();
        cumulative.push_back(area);
    }
    std::vector<Eigen::Vector3d> samples;
    if (!(area > 0.0))
        return samples;
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    samples.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto at = std::lower_bound(cumulative.begin(), cumulative.end(), unit(random) * area);
        const Triangle& t = surface.triangles[static_cast<std::size_t>(std::min<std::ptrdiff_t>(
            at - cumulative.begin(), static_cast<std::ptrdiff_t>(cumulative.size()) - 1))];
        double u = unit(random), v = unit(random);
        if (u + v > 1.0) {
            u = 1.0 - u;
            v = 1.0 - v;
        }
        samples.push_back(surface.points[t[0]] + u * (surface.points[t[1]] - surface.points[t[0]]) +
                          v * (surface.points[t[2]] - surface.points[t[0]]));
    }
    return samples;
}

// Where a head is anchored for the first guess: the middle of its width, its top and its front
// (faces look at -z), which a face mask and a whole head share.
struct Anchor {
    Eigen::Vector3d point;
    double width = 0.0;
};

Anchor anchorOf(const std::vector<Eigen::Vector3d>& points)
{
    Eigen::Vector3d low = Eigen::Vector3d::Constant(std::numeric_limits<double>::max()), high = -low;
    for (const Eigen::Vector3d& p : points) {
        low = low.cwiseMin(p);
        high = high.cwiseMax(p);
    }
    return {{0.5 * (low.x() + high.x()), high.y(), low.z()}, high.x() - low.x()};
}

double trimmedMean(std::vector<double> values, double keep)
{
    if (values.empty())
        return std::numeric_limits<double>::infinity();
    const auto n = std::max<std::size_t>(1, static_cast<std::size_t>(static_cast<double>(values.size()) * keep));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n - 1), values.end());
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        sum += values[i];
    return sum / static_cast<double>(n);
}

constexpr double kKeep = 0.9;

// The turn about the up axis of a head's plane of mirror symmetry (0 for a head looking along
// -z), searched within ±45°: faces are nearly symmetric, and the plane fixes how a head is
// turned far better than closest points on a round skull do.
double symmetryTurn(const std::vector<Eigen::Vector3d>& samples, const SurfaceLocator& surface)
{
    Eigen::Vector3d centre = Eigen::Vector3d::Zero();
    for (const Eigen::Vector3d& p : samples)
        centre += p;
    centre /= static_cast<double>(samples.size());
    // The front half only: a round skull is symmetric about any plane, the face is not.
    Eigen::Vector3d low = centre, high = centre;
    std::vector<Eigen::Vector3d> front;
    for (const Eigen::Vector3d& p : samples) {
        low = low.cwiseMin(p);
        high = high.cwiseMax(p);
        if (p.z() < centre.z())
            front.push_back(p);
    }
    const double cap = 0.02 * (high - low).norm();
    const std::size_t stride = std::max<std::size_t>(1, front.size() / 300);
    // The plane passes through the centre up to a shift along its normal, searched as well.
    auto misfit = [&](double radians, double shift) {
        const Eigen::Vector3d normal(std::cos(radians), 0.0, -std::sin(radians));
        const Eigen::Vector3d at = centre + shift * normal;
        std::vector<double> d((front.size() + stride - 1) / stride);
        parallelFor(d.size(), [&](std::size_t k) {
            const Eigen::Vector3d& p = front[k * stride];
            d[k] = std::min(cap, surface.closest(p - 2.0 * (p - at).dot(normal) * normal, cap).distance);
        });
        return std::accumulate(d.begin(), d.end(), 0.0);
    };
    double best = 0.0, bestShift = 0.0, bestMisfit = std::numeric_limits<double>::infinity();
    auto search = [&](double fromDegrees, double toDegrees, double stepDegrees, double shiftRange) {
        const double around = bestShift;
        for (double degrees = fromDegrees; degrees <= toDegrees + 1e-9; degrees += stepDegrees)
            for (int k = -3; k <= 3; ++k) {
                const double shift = around + shiftRange * k / 3.0;
                const double m = misfit(degrees * std::numbers::pi / 180.0, shift);
                if (m < bestMisfit) {
                    bestMisfit = m;
                    best = degrees * std::numbers::pi / 180.0;
                    bestShift = shift;
                }
            }
    };
    search(-45.0, 45.0, 3.0, 0.75 * cap);
    const double coarse = best * 180.0 / std::numbers::pi;
    search(coarse - 3.0, coarse + 3.0, 0.5, 0.3 * cap);
    return best;
}  // the nearest share of pairs each step trusts

struct IcpRun {
    const std::vector<Eigen::Vector3d>& rigSamples;
    const std::vector<Eigen::Vector3d>& headSamples;
    const SurfaceLocator& rig;
    const SurfaceLocator& head;
    std::span<const PointPair> landmarks;
    double landmarkWeight;

    // One step: closest points both ways, the nearest share kept, the similarity refitted.
    // Returns the symmetric trimmed mean distance before the step.
    double step(SimilarityTransform& s, std::size_t stride) const
    {
        // Closest points both ways, found in parallel, then gathered in order.
        const std::size_t rigCount = (rigSamples.size() + stride - 1) / stride;
        const std::size_t headCount = (headSamples.size() + stride - 1) / stride;
        std::vector<SurfacePoint> rigHits(rigCount), headHits(headCount);
        parallelFor(rigCount, [&](std::size_t k) { rigHits[k] = head.closest(s.apply(rigSamples[k * stride])); });
        parallelFor(headCount, [&](std::size_t k) { headHits[k] = rig.closest(s.applyInverse(headSamples[k * stride])); });
        std::vector<PointPair> pairs;
        std::vector<double> there, back;
        for (std::size_t k = 0; k < rigCount; ++k)
            if (rigHits[k].found()) {
                pairs.push_back({rigSamples[k * stride], rigHits[k].point, 1.0});
                there.push_back(rigHits[k].distance);
            }
        for (std::size_t k = 0; k < headCount; ++k)
            if (headHits[k].found()) {
                pairs.push_back({headHits[k].point, headSamples[k * stride], 1.0});
                back.push_back(headHits[k].distance * s.scale);
            }
        const double cutThere = cutoff(there), cutBack = cutoff(back);
        std::vector<PointPair> kept;
        kept.reserve(pairs.size() + landmarks.size());
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const double d = i < there.size() ? there[i] : back[i - there.size()];
            if (d <= (i < there.size() ? cutThere : cutBack))
                kept.push_back(pairs[i]);
        }
        for (const PointPair& l : landmarks)
            kept.push_back({l.from, l.to, landmarkWeight});
        const double before = 0.5 * (trimmedMean(there, kKeep) + trimmedMean(back, kKeep));
        const SimilarityTransform fitted = fitSimilarityTransform(kept);
        if (kept.size() >= 3 && fitted.scale > 0.0 && std::isfinite(fitted.scale))
            s = fitted;
        return before;
    }

    static double cutoff(std::vector<double> d)
    {
        if (d.empty())
            return 0.0;
        const auto n = static_cast<std::size_t>(static_cast<double>(d.size() - 1) * kKeep);
        std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(n), d.end());
        return d[n];
    }

    // How well a placement fits: the mean distance both ways, each capped at `cap` so that
    // parts one head lacks (a neck, the back of a face mask) weigh the same for every
    // placement, while a nose beside the nose counts in full.
    double measure(const SimilarityTransform& s, std::size_t stride, double cap) const
    {
        const std::size_t rigCount = (rigSamples.size() + stride - 1) / stride;
        const std::size_t headCount = (headSamples.size() + stride - 1) / stride;
        std::vector<double> d(rigCount + headCount);
        parallelFor(d.size(), [&](std::size_t k) {
            d[k] = k < rigCount ? std::min(cap, head.closest(s.apply(rigSamples[k * stride]), cap).distance)
                                : std::min(cap, rig.closest(s.applyInverse(headSamples[(k - rigCount) * stride]), cap / s.scale)
                                                        .distance * s.scale);
        });
        const double sum = std::accumulate(d.begin(), d.end(), 0.0);
        const std::size_t count = d.size();
        return count ? sum / static_cast<double>(count) : std::numeric_limits<double>::infinity();
    }
};

}  // namespace

RigidAlignment alignRigid(const TriangleSurface& rig, const TriangleSurface& head, std::span<const PointPair> landmarks,
                          const std::function<bool()>& keepGoing)
{
    RigidAlignment result;
    auto stopped = [&] { return keepGoing && !keepGoing(); };
    constexpr std::size_t kSamples = 3000;
    const std::vector<Eigen::Vector3d> rigSamples = samplePoints(rig, kSamples, 7);
    const std::vector<Eigen::Vector3d> headSamples = samplePoints(head, kSamples, 11);
    if (rigSamples.empty() || headSamples.empty())
        return result;
    const SurfaceLocator rigLocator(rig), headLocator(head);
    const IcpRun icp{rigSamples, headSamples, rigLocator, headLocator, landmarks,
                     landmarks.empty() ? 0.0 : static_cast<double>(kSamples) / static_cast<double>(landmarks.size())};

    // First guesses: from the landmarks when there are enough, else the anchors under a few
    // turns about the up axis; the one that fits best after a short run goes on.
    std::vector<SimilarityTransform> starts;
    if (landmarks.size() >= 3)
        starts.push_back(fitSimilarityTransform(landmarks));
    if (starts.empty()) {
        const Anchor headAnchor = anchorOf(headSamples);
        const double turn = symmetryTurn(headSamples, headLocator) - symmetryTurn(rigSamples, rigLocator);
        // The turn between the planes of symmetry, checked against no turn at all (a scan
        // whose symmetry is spoilt by its holes); else a few turns within that range.
        std::vector<double> turns{0.0, -15.0, 15.0, -30.0, 30.0};
        if (std::abs(turn) <= 35.0 * std::numbers::pi / 180.0)
            turns = {turn * 180.0 / std::numbers::pi, 0.0};
        for (double degrees : turns) {
            SimilarityTransform s;
            s.rotation = Eigen::AngleAxisd(degrees * std::numbers::pi / 180.0, Eigen::Vector3d::UnitY()).toRotationMatrix();
            std::vector<Eigen::Vector3d> turned;
            turned.reserve(rigSamples.size());
            for (const Eigen::Vector3d& p : rigSamples)
                turned.push_back(s.rotation * p);
            const Anchor rigAnchor = anchorOf(turned);
            s.scale = rigAnchor.width > 0.0 ? headAnchor.width / rigAnchor.width : 1.0;
            s.translation = headAnchor.point - s.scale * rigAnchor.point;
            starts.push_back(s);
        }
    }
    Eigen::Vector3d low = headSamples.front(), high = low;
    for (const Eigen::Vector3d& p : headSamples) {
        low = low.cwiseMin(p);
        high = high.cwiseMax(p);
    }
    const double cap = 0.02 * (high - low).norm();
    double best = std::numeric_limits<double>::infinity();
    SimilarityTransform chosen = starts.front();
    for (SimilarityTransform s : starts) {
        for (int i = 0; i < 20; ++i) {
            if (stopped()) {
                result.cancelled = true;
                return result;
            }
            icp.step(s, 6);
        }
        const double fit = icp.measure(s, 3, cap);
        if (fit < best) {
            best = fit;
            chosen = s;
        }
    }
    double previous = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 40; ++i) {
        if (stopped()) {
            result.cancelled = true;
            return result;
        }
        const double d = icp.step(chosen, 1);
        if (std::abs(previous - d) <= 1e-4 * d)
            break;
        previous = d;
    }
    result.transform = chosen;
    result.distance = icp.measure(chosen, 1, cap);
    return result;
}

}  // namespace mw
