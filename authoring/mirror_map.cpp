#include "authoring/mirror_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include <osg/BoundingBox>

namespace mw {
namespace {

bool finite(const osg::Vec3& v) { return std::isfinite(v.x()) && std::isfinite(v.y()) && std::isfinite(v.z()); }

// Vertices of one geometry grouped by exactly equal positions: group members in index order,
// and for each vertex its group and its rank in it.
struct CoincidentGroups {
    std::vector<std::uint32_t> groupOf;   // per vertex
    std::vector<std::uint32_t> rankOf;    // per vertex
    std::vector<std::uint32_t> first;     // per group, offset into members; one extra at the end
    std::vector<std::uint32_t> members;   // vertices, group by group, each group in index order

    std::uint32_t partnerAtRank(std::uint32_t vertex, std::uint32_t rank) const
    {
        const std::uint32_t g = groupOf[vertex];
        const std::uint32_t size = first[g + 1] - first[g];
        return members[first[g] + std::min(rank, size - 1)];
    }
};

// -0 and +0 are one position, as they compare equal.
float canonical(float f) { return f == 0.0f ? 0.0f : f; }

CoincidentGroups groupCoincident(const osg::Vec3Array& vertices)
{
    CoincidentGroups groups;
    const auto count = static_cast<std::uint32_t>(vertices.size());
    groups.members.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        groups.members[i] = i;
    auto key = [&](std::uint32_t i) {
        const osg::Vec3& v = vertices[i];
        return std::tuple(canonical(v.x()), canonical(v.y()), canonical(v.z()), i);
    };
    // Non-finite vertices never take part in pairing; each stays alone, ordered by index.
    auto alone = [&](std::uint32_t i) { return !finite(vertices[i]); };
    std::stable_sort(groups.members.begin(), groups.members.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (alone(a) || alone(b))
            return alone(a) == alone(b) ? a < b : alone(b);
        return key(a) < key(b);
    });
    groups.groupOf.resize(count);
    groups.rankOf.resize(count);
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t v = groups.members[k];
        const bool same = k > 0 && !alone(v) && !alone(groups.members[k - 1]) &&
                          std::get<0>(key(v)) == std::get<0>(key(groups.members[k - 1])) &&
                          std::get<1>(key(v)) == std::get<1>(key(groups.members[k - 1])) &&
                          std::get<2>(key(v)) == std::get<2>(key(groups.members[k - 1]));
        if (!same)
            groups.first.push_back(k);
        groups.groupOf[v] = static_cast<std::uint32_t>(groups.first.size() - 1);
        groups.rankOf[v] = k - groups.first.back();
    }
    groups.first.push_back(count);
    return groups;
}

// What both ways of building the map share: the plane, the tolerance, the coincident groups,
// and the choice among the candidates found near a reflected vertex.
class Pairing {
public:
    explicit Pairing(const TarvFaceObject& face) : face_(face)
    {
        for (const auto& geometry : face.geometries)
            for (const osg::Vec3& v : *geometry->vertices)
                if (finite(v))
                    box_.expandBy(v);
        if (box_.valid()) {
            planeX_ = 0.5 * (static_cast<double>(box_.xMin()) + box_.xMax());
            tolerance_ = kMirrorTolerance * (static_cast<double>(box_.xMax()) - box_.xMin());
        }
        groups_.reserve(face.geometries.size());
        for (const auto& geometry : face.geometries)
            groups_.push_back(groupCoincident(*geometry->vertices));
    }

    const osg::BoundingBox& box() const { return box_; }
    double tolerance() const { return tolerance_; }

    osg::Vec3d reflection(const osg::Vec3& v) const { return {2.0 * planeX_ - v.x(), v.y(), v.z()}; }

    // The best candidate so far for one vertex.
    struct Choice {
        std::uint32_t sourceGeometry = 0;
        FaceVertex own, other;
        double ownDistance = 0.0, otherDistance = 0.0;
    };

    Choice start(std::uint32_t geometry) const { return Choice{geometry, {}, {}, 0.0, 0.0}; }

    // Offers vertex (g, v) as the partner of the reflected point r. Only the first vertex of
    // each group of coincident vertices is considered; ties go to the lower geometry, then
    // the lower vertex index.
    void offer(Choice& choice, const osg::Vec3d& r, std::uint32_t g, std::uint32_t v) const
    {
        const osg::Vec3& p = (*face_.geometries[g]->vertices)[v];
        if (!finite(p) || groups_[g].rankOf[v] != 0)
            return;
        const double d2 = (osg::Vec3d(p) - r).length2();
        if (!(d2 <= tolerance_ * tolerance_))
            return;
        const bool own = g == choice.sourceGeometry;
        FaceVertex& best = own ? choice.own : choice.other;
        double& bestDistance = own ? choice.ownDistance : choice.otherDistance;
        if (!best.valid() || std::tie(d2, g, v) < std::tie(bestDistance, best.geometry, best.vertex)) {
            best = {g, v};
            bestDistance = d2;
        }
    }

    // The partner of vertex v of the choice's geometry: the same rank among the vertices at the
    // chosen position as v has among those at its own.
    FaceVertex finish(const Choice& choice, std::uint32_t v) const
    {
        const FaceVertex chosen = choice.own.valid() ? choice.own : choice.other;
        if (!chosen.valid())
            return {};
        const std::uint32_t rank = groups_[choice.sourceGeometry].rankOf[v];
        return {chosen.geometry, groups_[chosen.geometry].partnerAtRank(chosen.vertex, rank)};
    }

    MirrorMap emptyMap() const
    {
        MirrorMap map;
        map.planeX = static_cast<float>(planeX_);
        map.tolerance = static_cast<float>(tolerance_);
        map.partners.reserve(face_.geometries.size());
        for (const auto& geometry : face_.geometries)
            map.partners.emplace_back(geometry->vertices->size());
        return map;
    }

private:
    const TarvFaceObject& face_;
    osg::BoundingBox box_;
    double planeX_ = 0.0;
    double tolerance_ = 0.0;
    std::vector<CoincidentGroups> groups_;
};

void countUnmatched(MirrorMap& map)
{
    map.unmatched = 0;
    for (const auto& partners : map.partners)
        map.unmatched += static_cast<std::size_t>(
            std::count_if(partners.begin(), partners.end(), [](const FaceVertex& p) { return !p.valid(); }));
}

// Cells of a uniform grid, numbered by 21 bits per axis.
class CellGrid {
public:
    CellGrid(const osg::BoundingBox& box, double tolerance) : origin_(box._min)
    {
        const osg::Vec3d extent = osg::Vec3d(box._max) - osg::Vec3d(box._min);
        const double largest = std::max({extent.x(), extent.y(), extent.z()});
        // Cells twice as wide as the tolerance, so a search never looks beyond two cells per
        // axis, and never so small that an axis needs more cells than a key can number.
        size_ = std::max({2.0 * tolerance, largest / static_cast<double>(kCellsPerAxis - 1), 1e-30});
    }

    std::uint32_t cell(double coordinate, int axis) const
    {
        const double c = std::floor((coordinate - origin_[axis]) / size_);
        return static_cast<std::uint32_t>(std::clamp(c, 0.0, static_cast<double>(kCellsPerAxis - 1)));
    }

    static std::uint64_t key(std::uint32_t x, std::uint32_t y, std::uint32_t z)
    {
        return (static_cast<std::uint64_t>(x) << 42) | (static_cast<std::uint64_t>(y) << 21) | z;
    }

    std::uint64_t keyOf(const osg::Vec3& p) const { return key(cell(p.x(), 0), cell(p.y(), 1), cell(p.z(), 2)); }

private:
    static constexpr std::uint32_t kCellsPerAxis = 1u << 21;
    osg::Vec3d origin_;
    double size_ = 1.0;
};

// The occupied cells: for each, the range of entries (sorted by cell) that lie in it, found
// through an open-addressing hash table.
class CellIndex {
public:
    struct Range {
        std::uint32_t begin = 0, end = 0;
    };

    template <typename Entries>
    explicit CellIndex(const Entries& sorted)
    {
        std::size_t cells = 0;
        for (std::size_t k = 0; k < sorted.size(); ++k)
            cells += k == 0 || sorted[k].key != sorted[k - 1].key;
        std::size_t capacity = 16;
        while (capacity < 2 * cells)
            capacity *= 2;
        mask_ = capacity - 1;
        slots_.assign(capacity, Slot{});
        for (std::size_t k = 0; k < sorted.size();) {
            std::size_t end = k + 1;
            while (end < sorted.size() && sorted[end].key == sorted[k].key)
                ++end;
            std::size_t at = hash(sorted[k].key) & mask_;
            while (slots_[at].used)
                at = (at + 1) & mask_;
            slots_[at] = {sorted[k].key, {static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(end)}, true};
            k = end;
        }
    }

    Range find(std::uint64_t key) const
    {
        for (std::size_t at = hash(key) & mask_; slots_[at].used; at = (at + 1) & mask_)
            if (slots_[at].key == key)
                return slots_[at].range;
        return {};
    }

private:
    struct Slot {
        std::uint64_t key = 0;
        Range range;
        bool used = false;
    };
    static std::size_t hash(std::uint64_t key)
    {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return static_cast<std::size_t>(key);
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

}  // namespace

MirrorMap buildMirrorMap(const TarvFaceObject& face)
{
    const Pairing pairing(face);
    MirrorMap map = pairing.emptyMap();
    if (pairing.box().valid()) {
        const CellGrid grid(pairing.box(), pairing.tolerance());
        struct Entry {
            std::uint64_t key;
            std::uint32_t geometry, vertex;
        };
        std::vector<Entry> entries;
        for (std::uint32_t g = 0; g < face.geometries.size(); ++g) {
            const osg::Vec3Array& vertices = *face.geometries[g]->vertices;
            for (std::uint32_t v = 0; v < vertices.size(); ++v)
                if (finite(vertices[v]))
                    entries.push_back({grid.keyOf(vertices[v]), g, v});
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
        const CellIndex cells(entries);

        const double tolerance = pairing.tolerance();
        for (std::uint32_t g = 0; g < face.geometries.size(); ++g) {
            const osg::Vec3Array& vertices = *face.geometries[g]->vertices;
            for (std::uint32_t v = 0; v < vertices.size(); ++v) {
                if (!finite(vertices[v]))
                    continue;
                const osg::Vec3d r = pairing.reflection(vertices[v]);
                Pairing::Choice choice = pairing.start(g);
                const std::uint32_t x0 = grid.cell(r.x() - tolerance, 0), x1 = grid.cell(r.x() + tolerance, 0);
                const std::uint32_t y0 = grid.cell(r.y() - tolerance, 1), y1 = grid.cell(r.y() + tolerance, 1);
                const std::uint32_t z0 = grid.cell(r.z() - tolerance, 2), z1 = grid.cell(r.z() + tolerance, 2);
                for (std::uint32_t x = x0; x <= x1; ++x)
                    for (std::uint32_t y = y0; y <= y1; ++y)
                        for (std::uint32_t z = z0; z <= z1; ++z) {
                            const CellIndex::Range range = cells.find(CellGrid::key(x, y, z));
                            for (std::uint32_t k = range.begin; k < range.end; ++k)
                                pairing.offer(choice, r, entries[k].geometry, entries[k].vertex);
                        }
                map.partners[g][v] = pairing.finish(choice, v);
            }
        }
    }
    countUnmatched(map);
    return map;
}

MirrorMap buildMirrorMapBruteForce(const TarvFaceObject& face)
{
    const Pairing pairing(face);
    MirrorMap map = pairing.emptyMap();
    for (std::uint32_t g = 0; g < face.geometries.size(); ++g) {
        const osg::Vec3Array& vertices = *face.geometries[g]->vertices;
        for (std::uint32_t v = 0; v < vertices.size(); ++v) {
            if (!finite(vertices[v]))
                continue;
            const osg::Vec3d r = pairing.reflection(vertices[v]);
            Pairing::Choice choice = pairing.start(g);
            for (std::uint32_t h = 0; h < face.geometries.size(); ++h)
                for (std::uint32_t w = 0; w < face.geometries[h]->vertices->size(); ++w)
                    pairing.offer(choice, r, h, w);
            map.partners[g][v] = pairing.finish(choice, v);
        }
    }
    countUnmatched(map);
    return map;
}

std::vector<MirrorMapCache::Stamp> MirrorMapCache::stampOf(const TarvFaceObject& face)
{
    std::vector<Stamp> stamp;
    stamp.reserve(face.geometries.size());
    for (const auto& geometry : face.geometries)
        stamp.push_back({geometry->vertices, geometry->vertices->size(), geometry->vertices->getModifiedCount()});
    return stamp;
}

const MirrorMap& MirrorMapCache::get(const TarvFaceObject& face)
{
    std::vector<Stamp> stamp = stampOf(face);
    if (!valid_ || stamp != stamp_) {
        map_ = buildMirrorMap(face);
        stamp_ = std::move(stamp);
        valid_ = true;
    }
    return map_;
}

void MirrorMapCache::clear()
{
    stamp_.clear();
    map_ = {};
    valid_ = false;
}

}  // namespace mw
