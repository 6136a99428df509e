#include "authoring/morph_transfer.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "authoring/parallel_for.h"
#include "authoring/surface_projection.h"

namespace mw {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
// The editor's default morph threshold.
constexpr float kDefaultThreshold = 0.001f;
// Head vertices up to this share of the head's size from the bent rig take its offsets in
// full; beyond the second share (a neck or shoulders the rig does not have) they take none, and
// in between they fade out, so no seam appears where the rig ends.
constexpr double kFullOffsetsWithin = 0.02;
constexpr double kNoOffsetsBeyond = 0.05;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::optional<std::size_t> geometryNamed(const TarvFaceObject& face, std::string_view name)
{
    for (std::size_t i = 0; i < face.geometries.size(); ++i)
        if (face.geometries[i]->name == name)
            return i;
    return std::nullopt;
}

// Several geometries of a face as one surface in double precision. Vertices at the same
// position (split at texture seams, or where two geometries of a group meet) are one vertex
// here, so seams neither tear the registration nor count as open borders.
struct Part {
    TriangleSurface surface;
    std::vector<int> groups;                          // per surface vertex
    std::vector<std::uint32_t> triangleGeometry;      // the face's geometry of each triangle
    std::vector<Triangle> corners;                    // each triangle's corners in its own geometry
    std::vector<std::vector<std::uint32_t>> welded;   // per face geometry, per vertex: the surface vertex
};

Part assemble(const TarvFaceObject& face, const std::vector<int>& geometryGroups)
{
    struct Key {
        std::uint32_t x, y, z;
        int group;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            return (std::size_t{k.x} * 73856093u) ^ (std::size_t{k.y} * 19349663u) ^ (std::size_t{k.z} * 83492791u) ^
                   static_cast<std::size_t>(k.group);
        }
    };
    // Shared by the geometries of a group: a face cut into "Face" and "BackHead" whose seams
    // share positions is one surface here.
    std::unordered_map<Key, std::uint32_t, KeyHash> seen;
    Part part;
    part.welded.resize(face.geometries.size());
    for (std::size_t g = 0; g < face.geometries.size(); ++g) {
        if (geometryGroups[g] < 0)
            continue;
        const FaceGeom& geom = *face.geometries[g];
        const auto& vertices = *geom.vertices;
        auto& welded = part.welded[g];
        welded.assign(vertices.size(), kNone);
        for (std::size_t v = 0; v < vertices.size(); ++v) {
            const osg::Vec3& p = vertices[v];
            const Key key{std::bit_cast<std::uint32_t>(p.x() + 0.0f), std::bit_cast<std::uint32_t>(p.y() + 0.0f),
                          std::bit_cast<std::uint32_t>(p.z() + 0.0f), geometryGroups[g]};
            const auto [it, added] = seen.try_emplace(key, static_cast<std::uint32_t>(part.surface.points.size()));
            if (added) {
                part.surface.points.emplace_back(p.x(), p.y(), p.z());
                part.groups.push_back(geometryGroups[g]);
            }
            welded[v] = it->second;
        }
        const IndexList& indices = geom.vertexIndices;
        for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
            const Triangle original{indices[t], indices[t + 1], indices[t + 2]};
            if (original[0] >= vertices.size() || original[1] >= vertices.size() || original[2] >= vertices.size())
                continue;
            const Triangle corners{welded[original[0]], welded[original[1]], welded[original[2]]};
            if (corners[0] == corners[1] || corners[1] == corners[2] || corners[0] == corners[2])
                continue;
            part.surface.triangles.push_back(corners);
            part.triangleGeometry.push_back(static_cast<std::uint32_t>(g));
            part.corners.push_back(original);
        }
    }
    return part;
}

// The triangles of `part` that belong to the listed geometries, on `points`.
TriangleSurface subsurface(const Part& part, const std::vector<Eigen::Vector3d>& points,
                           const std::vector<std::size_t>& geometries, std::vector<std::uint32_t>& original)
{
    TriangleSurface out;
    out.points = points;
    original.clear();
    for (std::size_t t = 0; t < part.surface.triangles.size(); ++t)
        if (std::find(geometries.begin(), geometries.end(), part.triangleGeometry[t]) != geometries.end()) {
            out.triangles.push_back(part.surface.triangles[t]);
            original.push_back(static_cast<std::uint32_t>(t));
        }
    return out;
}

Eigen::Vector3d blendedNormal(const std::vector<Eigen::Vector3d>& normals, const Triangle& t, const Eigen::Vector3d& w)
{
    const Eigen::Vector3d n = w[0] * normals[t[0]] + w[1] * normals[t[1]] + w[2] * normals[t[2]];
    const double length = n.norm();
    return length > 0.0 ? Eigen::Vector3d(n / length) : n;
}

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Where one head vertex takes its offsets from.
struct Source {
    std::uint32_t triangle = kNone;  // in the rig part
    Eigen::Vector3d barycentric = Eigen::Vector3d::Zero();
    double strength = 0.0;           // 1, fading to 0 beyond the rig's surface
};

MorphTransferResult failure(MorphTransferResult::Status status, std::string message)
{
    MorphTransferResult result;
    result.status = status;
    result.error = std::move(message);
    return result;
}

}  // namespace

MorphTransferResult transferMorphs(const TarvFaceObject& rig, const TarvFaceObject& head,
                                   const MorphTransferOptions& options, const TransferProgress& progress)
{
    using Status = MorphTransferResult::Status;
    auto going = [&](TransferPhase phase, double done) { return !progress || progress(phase, done); };
    if (rig.morphs.empty())
        return failure(Status::Failed, "The rig has no morphs to transfer");

    // The morphs, in the rig's order.
    std::vector<const FaceMorph*> chosen;
    for (const std::string& name : options.morphs)
        if (std::none_of(rig.morphs.begin(), rig.morphs.end(), [&](const auto& m) { return m->name == name; }))
            return failure(Status::UnknownName, "The rig has no morph named \"" + name + "\"");
    for (const auto& m : rig.morphs)
        if (options.morphs.empty() || std::find(options.morphs.begin(), options.morphs.end(), m->name) != options.morphs.end())
            chosen.push_back(m.get());
    for (const FaceMorph* m : chosen)
        for (const auto& existing : head.morphs)
            if (existing->name == m->name)
                return failure(Status::UnknownName, "The head already has a morph named \"" + m->name + "\"");

    // Pairing: by name, or as given.
    const std::size_t headCount = head.geometries.size(), rigCount = rig.geometries.size();
    std::vector<std::vector<std::size_t>> partners(headCount);
    for (std::size_t h = 0; h < headCount; ++h)
        if (const auto r = geometryNamed(rig, head.geometries[h]->name))
            partners[h] = {*r};
    for (const GeometryPair& pair : options.pairs) {
        if (!geometryNamed(head, pair.head))
            return failure(Status::UnknownName, "The head has no geometry named \"" + pair.head + "\"");
        std::vector<std::size_t> rigGeometries;
        for (const std::string& name : pair.rig) {
            const auto r = geometryNamed(rig, name);
            if (!r)
                return failure(Status::UnknownName, "The rig has no geometry named \"" + name + "\"");
            rigGeometries.push_back(*r);
        }
        for (std::size_t h = 0; h < headCount; ++h)
            if (head.geometries[h]->name == pair.head)
                partners[h] = rigGeometries;
    }

    MorphTransferResult result;
    MorphTransferReport& report = result.report;
    // Groups: head and rig geometries joined by a pair, through any chain of pairs.
    std::vector<std::size_t> parent(headCount + rigCount);
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    auto root = [&](std::size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    for (std::size_t h = 0; h < headCount; ++h) {
        if (partners[h].empty()) {
            report.unpaired.push_back(head.geometries[h]->name);
            continue;
        }
        GeometryPair shown{head.geometries[h]->name, {}};
        for (std::size_t r : partners[h]) {
            parent[root(h)] = root(headCount + r);
            shown.rig.push_back(rig.geometries[r]->name);
        }
        report.pairs.push_back(std::move(shown));
    }
    std::vector<int> headGroups(headCount, -1), rigGroups(rigCount, -1);
    std::unordered_map<std::size_t, int> groupOfRoot;
    for (std::size_t h = 0; h < headCount; ++h)
        if (!partners[h].empty()) {
            const int g = groupOfRoot.try_emplace(root(h), static_cast<int>(groupOfRoot.size())).first->second;
            headGroups[h] = g;
            for (std::size_t r : partners[h])
                rigGroups[r] = g;
        }

    // Landmarks, checked before any work.
    struct Landmark {
        std::size_t rigGeometry, headGeometry;
        std::uint32_t rigVertex, headVertex;
    };
    std::vector<Landmark> landmarks;
    for (const TransferLandmark& l : options.landmarks) {
        const auto r = geometryNamed(rig, l.rigGeometry);
        const auto h = geometryNamed(head, l.headGeometry);
        if (!r)
            return failure(Status::UnknownName, "The rig has no geometry named \"" + l.rigGeometry + "\"");
        if (!h)
            return failure(Status::UnknownName, "The head has no geometry named \"" + l.headGeometry + "\"");
        if (l.rigVertex >= rig.geometries[*r]->vertices->size())
            return failure(Status::UnknownName, "The rig's geometry \"" + l.rigGeometry + "\" has no vertex " +
                                                    std::to_string(l.rigVertex));
        if (l.headVertex >= head.geometries[*h]->vertices->size())
            return failure(Status::UnknownName, "The head's geometry \"" + l.headGeometry + "\" has no vertex " +
                                                    std::to_string(l.headVertex));
        if (rigGroups[*r] < 0 || headGroups[*h] < 0)
            return failure(Status::UnknownName, "The landmark " + l.rigGeometry + ' ' + std::to_string(l.rigVertex) + ' ' +
                                                    l.headGeometry + ' ' + std::to_string(l.headVertex) +
                                                    " joins geometries that are not paired");
        landmarks.push_back({*r, *h, l.rigVertex, l.headVertex});
    }

    // Empty morphs under the rig's names; filled below when some pair carries offsets.
    for (const FaceMorph* m : chosen) {
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        morph->name = m->name;
        for (const auto& g : head.geometries) {
            osg::ref_ptr<FaceTarget> target = new FaceTarget;
            target->name = g->name;
            morph->targets.push_back(target);
        }
        result.morphs.push_back(morph);
        report.morphs.push_back({m->name, 0, 0.0});
    }
    bool carried = false;
    for (const FaceMorph* m : chosen)
        for (const auto& target : m->targets)
            if (!target->indices.empty())
                if (const auto r = geometryNamed(rig, target->name); r && rigGroups[*r] >= 0)
                    carried = true;
    if (!carried)
        return result;

    // 1. Rigid placement of the rig's rest pose onto the head.
    const Clock::time_point alignStart = Clock::now();
    Part rigPart = assemble(rig, rigGroups);
    Part headPart = assemble(head, headGroups);
    if (rigPart.surface.triangles.empty() || headPart.surface.triangles.empty()) {
        report.unpaired.clear();
        for (const auto& g : head.geometries)
            report.unpaired.push_back(g->name);
        return result;
    }
    auto rigPoint = [&](std::size_t g, std::uint32_t v) { return rigPart.surface.points[rigPart.welded[g][v]]; };
    auto headPoint = [&](std::size_t g, std::uint32_t v) { return headPart.surface.points[headPart.welded[g][v]]; };
    std::vector<PointPair> pointLandmarks;
    for (const Landmark& l : landmarks)
        pointLandmarks.push_back({rigPoint(l.rigGeometry, l.rigVertex), headPoint(l.headGeometry, l.headVertex), 1.0});
    if (!going(TransferPhase::Alignment, 0.0))
        return failure(Status::Cancelled, "Cancelled");
    const RigidAlignment placed =
        alignRigid(rigPart.surface, headPart.surface, pointLandmarks, [&] { return going(TransferPhase::Alignment, 0.5); });
    if (placed.cancelled)
        return failure(Status::Cancelled, "Cancelled");
    report.alignment = placed.transform;
    TriangleSurface rigPlaced{{}, rigPart.surface.triangles};
    rigPlaced.points.reserve(rigPart.surface.points.size());
    for (const Eigen::Vector3d& p : rigPart.surface.points)
        rigPlaced.points.push_back(placed.transform.apply(p));
    const double headSize = boundingDiagonal(headPart.surface);

    // A head geometry wound the other way round than the rig (inside out to it) would meet the
    // rig with opposed normals everywhere: turn its triangles for the comparisons.
    {
        const std::vector<Eigen::Vector3d> rigNormals = vertexNormals(rigPlaced);
        const std::vector<Eigen::Vector3d> headNormals = vertexNormals(headPart.surface);
        for (std::size_t h = 0; h < headCount; ++h) {
            if (partners[h].empty())
                continue;
            std::vector<std::uint32_t> original;
            const TriangleSurface near = subsurface(rigPart, rigPlaced.points, partners[h], original);
            if (near.triangles.empty())
                continue;
            const SurfaceLocator locator(near);
            const auto& welded = headPart.welded[h];
            const std::size_t stride = std::max<std::size_t>(1, welded.size() / 500);
            double vote = 0.0;
            for (std::size_t v = 0; v < welded.size(); v += stride) {
                const SurfacePoint hit = locator.closest(headPart.surface.points[welded[v]], 0.1 * headSize);
                if (hit.found())
                    vote += blendedNormal(rigNormals, near.triangles[hit.triangle], hit.barycentric).dot(headNormals[welded[v]]);
            }
            if (vote < 0.0)
                for (std::size_t t = 0; t < headPart.surface.triangles.size(); ++t)
                    if (headPart.triangleGeometry[t] == h)
                        std::swap(headPart.surface.triangles[t][1], headPart.surface.triangles[t][2]);
        }
    }
    report.alignmentSeconds = secondsSince(alignStart);

    // 2. The rig's rest surface bent onto the head.
    const Clock::time_point registrationStart = Clock::now();
    std::vector<VertexLandmark> vertexLandmarks;
    for (const Landmark& l : landmarks)
        vertexLandmarks.push_back({rigPart.welded[l.rigGeometry][l.rigVertex], headPoint(l.headGeometry, l.headVertex)});
    // The rig looks down its own −z with +y up; placed, it looks the way the head does.
    const std::vector<SurfaceGuide> guides =
        options.frontalGuides ? frontalGuides(rigPlaced, rigPart.groups, headPart.surface, headPart.groups,
                                              {placed.transform.rotation * Eigen::Vector3d(0.0, 0.0, -1.0),
                                               placed.transform.rotation * Eigen::Vector3d::UnitY()})
                              : std::vector<SurfaceGuide>{};
    const RegistrationResult bent =
        registerNonrigid(rigPlaced, rigPart.groups, headPart.surface, headPart.groups, vertexLandmarks, guides,
                         options.registration,
                         [&](double done) { return going(TransferPhase::Registration, done); });
    if (bent.cancelled)
        return failure(Status::Cancelled, "Cancelled");
    report.registrationSeconds = secondsSince(registrationStart);
    report.registered = true;

    // 3. For each head vertex the closest point of the bent rig, on the side it faces.
    const Clock::time_point transferStart = Clock::now();
    const TriangleSurface rigBent{bent.points, rigPart.surface.triangles};
    const std::vector<Eigen::Vector3d> rigNormals = vertexNormals(rigBent);
    const std::vector<Eigen::Vector3d> headNormals = vertexNormals(headPart.surface);
    const double fullWithin = kFullOffsetsWithin * headSize, noneBeyond = kNoOffsetsBeyond * headSize;
    std::vector<std::vector<Source>> sources(headCount);
    std::vector<double> distances;
    for (std::size_t h = 0; h < headCount; ++h) {
        if (partners[h].empty())
            continue;
        std::vector<std::uint32_t> original;
        const TriangleSurface near = subsurface(rigPart, bent.points, partners[h], original);
        auto& out = sources[h];
        out.assign(head.geometries[h]->vertices->size(), {});
        if (near.triangles.empty())
            continue;
        const SurfaceLocator locator(near);
        enum Outcome : std::uint8_t { Full, Faded, FarSide, FarSideFaded, None };
        std::vector<double> nearestDistance(out.size(), -1.0);
        std::vector<std::uint8_t> outcome(out.size(), Full);
        parallelFor(out.size(), [&](std::size_t v) {
            const std::uint32_t w = headPart.welded[h][v];
            const Eigen::Vector3d& p = headPart.surface.points[w];
            const Eigen::Vector3d& normal = headNormals[w];
            const SurfacePoint nearest = locator.closest(p);
            if (nearest.found())
                nearestDistance[v] = nearest.distance;
            SurfacePoint hit = locator.closest(p, noneBeyond, [&](std::uint32_t t, const Eigen::Vector3d& b) {
                return blendedNormal(rigNormals, near.triangles[t], b).dot(normal) > 0.0;
            });
            // A vertex that only has the rig's surface facing away close by (the inside of a
            // lip when the rig has no mouth) still moves with it rather than tearing off.
            bool farSide = false;
            if (!hit.found() && nearest.found() && nearest.distance <= noneBeyond) {
                hit = nearest;
                farSide = true;
            }
            if (!hit.found()) {
                outcome[v] = None;
                return;
            }
            const double strength = 1.0 - smoothstep(fullWithin, noneBeyond, hit.distance);
            outcome[v] = strength < 1.0 ? (farSide ? FarSideFaded : Faded) : (farSide ? FarSide : Full);
            out[v] = {original[hit.triangle], hit.barycentric, strength};
        });
        for (std::size_t v = 0; v < out.size(); ++v) {
            if (nearestDistance[v] >= 0.0)
                distances.push_back(nearestDistance[v]);
            report.fadedVertices += outcome[v] == Faded || outcome[v] == FarSideFaded || outcome[v] == None;
            report.oppositeSideVertices += outcome[v] == FarSide || outcome[v] == FarSideFaded;
        }
    }
    if (!distances.empty()) {
        report.meanDistance = std::accumulate(distances.begin(), distances.end(), 0.0) / static_cast<double>(distances.size());
        const auto at = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(distances.size()))) - 1;
        std::nth_element(distances.begin(), distances.begin() + static_cast<std::ptrdiff_t>(at), distances.end());
        report.p95Distance = distances[at];
    }

    // 4. The offsets: blended over the rig's triangle, turned and scaled by the placement.
    const float threshold = options.threshold >= 0.0f
                                ? options.threshold
                                : kDefaultThreshold * static_cast<float>(std::min(1.0, placed.transform.scale));
    std::vector<std::vector<osg::Vec3>> dense(rigCount);
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        if (!going(TransferPhase::Transfer, static_cast<double>(k) / static_cast<double>(chosen.size())))
            return failure(Status::Cancelled, "Cancelled");
        for (std::size_t r = 0; r < rigCount; ++r)
            dense[r].clear();
        for (const auto& target : chosen[k]->targets) {
            const auto r = geometryNamed(rig, target->name);
            if (!r || rigGroups[*r] < 0 || !dense[*r].empty())
                continue;
            dense[*r].assign(rig.geometries[*r]->vertices->size(), osg::Vec3());
            for (std::size_t e = 0; e < target->indices.size() && e < target->offsets->size(); ++e)
                if (target->indices[e] < dense[*r].size())
                    dense[*r][target->indices[e]] = (*target->offsets)[e];
        }
        TransferredMorph& line = report.morphs[k];
        for (std::size_t h = 0; h < headCount; ++h) {
            FaceTarget& target = *result.morphs[k]->targets[h];
            for (std::size_t v = 0; v < sources[h].size(); ++v) {
                const Source& s = sources[h][v];
                if (s.triangle == kNone || !(s.strength > 0.0))
                    continue;
                const auto& offsets = dense[rigPart.triangleGeometry[s.triangle]];
                if (offsets.empty())
                    continue;
                const Triangle& c = rigPart.corners[s.triangle];
                Eigen::Vector3d blended = Eigen::Vector3d::Zero();
                for (int i = 0; i < 3; ++i) {
                    const osg::Vec3& o = offsets[c[static_cast<std::size_t>(i)]];
                    blended += s.barycentric[i] * Eigen::Vector3d(o.x(), o.y(), o.z());
                }
                const Eigen::Vector3d moved = s.strength * placed.transform.turn(blended);
                const double length = moved.norm();
                if (!(length >= threshold) || length == 0.0)
                    continue;
                target.indices.push_back(static_cast<std::uint32_t>(v));
                target.offsets->push_back(osg::Vec3(static_cast<float>(moved.x()), static_cast<float>(moved.y()),
                                                    static_cast<float>(moved.z())));
                ++line.vertices;
                line.largestOffset = std::max(line.largestOffset, length);
            }
        }
    }
    going(TransferPhase::Transfer, 1.0);
    report.transferSeconds = secondsSince(transferStart);
    return result;
}

bool parseLandmarks(std::string_view text, std::vector<TransferLandmark>& landmarks, std::string& error)
{
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        std::vector<std::string_view> words;
        for (std::size_t i = 0; i < line.size();) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            const std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            if (i > start)
                words.push_back(line.substr(start, i - start));
        }
        if (words.empty())
            continue;
        TransferLandmark l;
        auto number = [](std::string_view w, std::uint32_t& out) {
            const auto [ptr, ec] = std::from_chars(w.data(), w.data() + w.size(), out);
            return ec == std::errc() && ptr == w.data() + w.size();
        };
        if (words.size() != 4 || !number(words[1], l.rigVertex) || !number(words[3], l.headVertex)) {
            error = "line " + std::to_string(lineNumber) + ": expected RIG_GEOM RIG_VERTEX HEAD_GEOM HEAD_VERTEX";
            return false;
        }
        l.rigGeometry = words[0];
        l.headGeometry = words[2];
        landmarks.push_back(std::move(l));
    }
    return true;
}

}  // namespace mw
