#include "authoring/geometry_pairing.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <osg/Vec3d>

namespace mw {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// Several comparison vertices for one current vertex: their mean, and how far the farthest
// lies from it.
void averageSeveral(GeometryPairing& pairing, const osg::Vec3Array& comparison,
                    std::vector<std::pair<std::uint32_t, std::uint32_t>>& several)
{
    std::sort(several.begin(), several.end());
    several.erase(std::unique(several.begin(), several.end()), several.end());
    for (std::size_t first = 0; first < several.size();) {
        std::size_t last = first;
        while (last < several.size() && several[last].first == several[first].first)
            ++last;
        osg::Vec3d sum;
        for (std::size_t i = first; i < last; ++i)
            sum += osg::Vec3d(comparison[several[i].second]);
        const osg::Vec3d mean = sum / static_cast<double>(last - first);
        double spread = 0.0;
        for (std::size_t i = first; i < last; ++i)
            spread = std::max(spread, (osg::Vec3d(comparison[several[i].second]) - mean).length());
        pairing.positions[several[first].first] = osg::Vec3(mean);
        if (spread > 0.0) {
            ++pairing.spreadVertices;
            pairing.largestSpread = std::max(pairing.largestSpread, static_cast<float>(spread));
        }
        first = last;
    }
}

void pairCorners(GeometryPairing& pairing, const FaceGeom& current, const FaceGeom& comparison)
{
    const osg::Vec3Array& to = *comparison.vertices;
    const std::size_t n = current.vertices->size();
    const std::size_t m = to.size();
    std::vector<std::uint32_t> partner(n, kNone);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> several;
    const IndexList& from = current.vertexIndices;
    const IndexList& onto = comparison.vertexIndices;
    for (std::size_t c = 0; c < from.size(); ++c) {
        const std::uint32_t b = from[c];
        const std::uint32_t o = onto[c];
        if (b >= n || o >= m)
            continue;
        if (partner[b] == kNone)
            partner[b] = o;
        else if (partner[b] != o)
            several.emplace_back(b, o);
    }
    for (std::size_t b = 0; b < n; ++b) {
        if (partner[b] != kNone)
            pairing.positions[b] = to[partner[b]];
        else if (n == m)
            pairing.positions[b] = to[b];  // reached by no triangle: the vertex of its index
        else
            pairing.paired[b] = 0;
    }
    if (several.empty())
        return;
    // Each current vertex given several comparison vertices also needs its first one.
    const std::size_t extra = several.size();
    for (std::size_t i = 0; i < extra; ++i)
        several.emplace_back(several[i].first, partner[several[i].first]);
    averageSeveral(pairing, to, several);
}

}  // namespace

bool choosePairing(const FaceGeom& current, const FaceGeom& comparison, PairingKind& kind)
{
    if (!current.vertexIndices.empty() && current.vertexIndices.size() == comparison.vertexIndices.size()) {
        kind = PairingKind::Corners;
        return true;
    }
    if (current.vertices->size() == comparison.vertices->size()) {
        kind = PairingKind::Indices;
        return true;
    }
    return false;
}

GeometryPairing pairGeometry(const FaceGeom& current, const FaceGeom& comparison, PairingKind kind)
{
    GeometryPairing pairing;
    pairing.kind = kind;
    const osg::Vec3Array& own = *current.vertices;
    pairing.positions.assign(own.begin(), own.end());
    pairing.paired.assign(own.size(), 1);
    if (kind == PairingKind::Corners) {
        pairCorners(pairing, current, comparison);
        return pairing;
    }
    const osg::Vec3Array& to = *comparison.vertices;
    for (std::size_t j = 0; j < own.size(); ++j) {
        if (j < to.size())
            pairing.positions[j] = to[j];
        else
            pairing.paired[j] = 0;
    }
    return pairing;
}

FacePairing pairFaces(const TarvFaceObject& current, const TarvFaceObject& comparison)
{
    FacePairing result;
    if (current.geometries.size() != comparison.geometries.size()) {
        result.status = FacePairing::Status::GeometryCountDiffers;
        return result;
    }
    result.geometries.reserve(current.geometries.size());
    for (std::size_t i = 0; i < current.geometries.size(); ++i) {
        const FaceGeom& cur = *current.geometries[i];
        const FaceGeom& oth = *comparison.geometries[i];
        PairingKind kind{};
        if (!choosePairing(cur, oth, kind)) {
            result.status = FacePairing::Status::VertexCountDiffers;
            result.failedGeometry = i;
            result.geometries.clear();
            return result;
        }
        result.geometries.push_back(pairGeometry(cur, oth, kind));
        result.spreadVertices += result.geometries.back().spreadVertices;
        result.largestSpread = std::max(result.largestSpread, result.geometries.back().largestSpread);
    }
    return result;
}

}  // namespace mw
