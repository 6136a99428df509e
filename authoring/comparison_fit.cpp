#include "authoring/comparison_fit.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include <osg/BoundingBox>

#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/morph_extraction.h"

namespace mw {

namespace {

constexpr int kMaxRounds = 100;

// Least squares over the points listed in `kept`: the scale is the covariance of the centred
// point sets over the variance of `from`, the translation joins their centroids.
std::optional<Similarity> solve(std::span<const osg::Vec3> from, std::span<const osg::Vec3> to,
                                std::span<const std::uint32_t> kept)
{
    if (kept.empty())
        return std::nullopt;
    osg::Vec3d fromCentre, toCentre;
    for (const std::uint32_t i : kept) {
        fromCentre += osg::Vec3d(from[i]);
        toCentre += osg::Vec3d(to[i]);
    }
    fromCentre /= static_cast<double>(kept.size());
    toCentre /= static_cast<double>(kept.size());
    double covariance = 0.0, variance = 0.0;
    for (const std::uint32_t i : kept) {
        const osg::Vec3d a = osg::Vec3d(from[i]) - fromCentre;
        const osg::Vec3d b = osg::Vec3d(to[i]) - toCentre;
        covariance += a * b;
        variance += a * a;
    }
    const double scale = covariance / variance;
    if (!(variance > 0.0) || !std::isfinite(scale) || !(scale > 0.0))
        return std::nullopt;
    Similarity fit{scale, toCentre - fromCentre * scale};
    if (!fit.translation.valid())
        return std::nullopt;
    return fit;
}

struct Trimmed {
    Similarity similarity;
    double cost = 0.0;  // summed squared distances of the kept points
};

// Concentration steps: keep the `keep` points the current similarity places best, solve on
// them, until the kept set stays the same. Each step can only lower the kept points' cost.
std::optional<Trimmed> refine(std::span<const osg::Vec3> from, std::span<const osg::Vec3> to, std::size_t keep,
                              Similarity similarity)
{
    const std::size_t n = from.size();
    std::vector<double> residual(n);
    std::vector<std::uint32_t> order(n);
    std::vector<std::uint8_t> kept(n, 0), previous(n, 2);
    double cost = 0.0;
    for (int round = 0; round < kMaxRounds; ++round) {
        for (std::size_t i = 0; i < n; ++i)
            residual[i] = (osg::Vec3d(similarity.apply(from[i])) - osg::Vec3d(to[i])).length2();
        std::iota(order.begin(), order.end(), 0u);
        const auto better = [&](std::uint32_t a, std::uint32_t b) {
            return residual[a] < residual[b] || (residual[a] == residual[b] && a < b);
        };
        std::nth_element(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(keep - 1), order.end(), better);
        std::span<std::uint32_t> best(order.data(), keep);
        std::fill(kept.begin(), kept.end(), 0);
        cost = 0.0;
        for (const std::uint32_t i : best) {
            kept[i] = 1;
            cost += residual[i];
        }
        if (!std::isfinite(cost))
            return std::nullopt;
        if (kept == previous)
            break;
        previous.swap(kept);
        std::sort(best.begin(), best.end());
        const std::optional<Similarity> next = solve(from, to, best);
        if (!next)
            break;
        similarity = *next;
    }
    return Trimmed{similarity, cost};
}

osg::BoundingBox faceBox(const TarvFaceObject& face)
{
    osg::BoundingBox box;
    for (const auto& geometry : face.geometries)
        for (const osg::Vec3& v : *geometry->vertices)
            box.expandBy(v);
    return box;
}

}  // namespace

std::optional<Similarity> fitSimilarity(std::span<const osg::Vec3> from, std::span<const osg::Vec3> to,
                                        const std::optional<Similarity>& start)
{
    const std::size_t n = std::min(from.size(), to.size());
    if (n < 2)
        return std::nullopt;
    from = from.first(n);
    to = to.first(n);
    // Points that all coincide fix no scale.
    if (std::all_of(from.begin(), from.end(), [&](const osg::Vec3& p) { return p == from[0]; }))
        return std::nullopt;
    std::vector<std::uint32_t> all(n);
    std::iota(all.begin(), all.end(), 0u);

    // The identity first: a comparison already in place keeps exactly where it is.
    std::vector<Similarity> starts{Similarity{}};
    if (start)
        starts.push_back(*start);
    if (const auto plain = solve(from, to, all))
        starts.push_back(*plain);

    const std::size_t keep = std::min(n, std::max<std::size_t>((n + 1) / 2, 3));
    std::optional<Trimmed> best;
    for (const Similarity& s : starts) {
        const std::optional<Trimmed> candidate = refine(from, to, keep, s);
        if (candidate && (!best || candidate->cost < best->cost))
            best = candidate;
    }
    if (!best)
        return std::nullopt;
    return best->similarity;
}

std::optional<Similarity> fitPairing(const TarvFaceObject& current, const FacePairing& pairing,
                                     const std::optional<Similarity>& start)
{
    std::vector<osg::Vec3> from, to;
    forEachPairedVertex(current, pairing, [&](const osg::Vec3& theirs, const osg::Vec3& own) {
        from.push_back(theirs);
        to.push_back(own);
    });
    return fitSimilarity(from, to, start);
}

std::optional<Similarity> seedSimilarity(const TarvFaceObject& current, const TarvFaceObject& comparison)
{
    const osg::BoundingBox target = faceBox(current);
    const osg::BoundingBox source = faceBox(comparison);
    if (!target.valid() || !source.valid())
        return std::nullopt;
    const double width = source.xMax() - source.xMin();
    const double scale = (target.xMax() - target.xMin()) / width;
    if (!(width > 0.0) || !std::isfinite(scale) || !(scale > 0.0))
        return std::nullopt;
    return Similarity{scale, osg::Vec3d(0.0, target.yMin() - scale * source.yMin(), 0.0)};
}

void transformPairing(FacePairing& pairing, const Similarity& similarity)
{
    for (GeometryPairing& geometry : pairing.geometries)
        for (std::size_t j = 0; j < geometry.positions.size(); ++j)
            if (geometry.paired[j])
                geometry.positions[j] = similarity.apply(geometry.positions[j]);
}

bool fitComparisonFace(Document& doc, Prompt& prompt)
{
    if (!hasFace(doc) || !hasComparison(doc))
        return false;
    commitHeadTransform(doc);
    commitComparisonTransform(doc);
    const FacePairing pairing = pairFaces(*doc.face, *doc.comparison.face);
    if (!pairing.ok()) {
        prompt.message(pairingFailure(pairing));
        return false;
    }
    const std::optional<Similarity> fit = fitPairing(*doc.face, pairing);
    if (!fit) {
        prompt.message("The comparison face cannot be fitted onto the face: its vertices do not spread out.");
        return false;
    }
    HeadPlacement& placement = doc.comparison.placement;
    placement = {};
    placement.scale = static_cast<float>(fit->scale);
    placement.translation.set(static_cast<float>(fit->translation.x()), static_cast<float>(fit->translation.y()),
                              static_cast<float>(fit->translation.z()));
    highlightDifference(doc);
    return true;
}

}  // namespace mw
