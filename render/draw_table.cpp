#include "render/draw_table.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "render/corner_attributes.h"

namespace mw {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// Bitwise, so that an element is only shared when OpenGL would receive the very same bytes.
template <typename T>
bool sameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Finds or makes the element for one corner.
class ElementBuilder {
public:
    ElementBuilder(DrawTable& table, bool withTexcoords, bool withSlots)
        : table_(table), withTexcoords_(withTexcoords), withSlots_(withSlots), claimed_(table.vertexCount, false),
          nextSeam_(table.vertexCount, kNone)
    {
        table_.normals.assign(table.vertexCount, osg::Vec3());
        if (withTexcoords_)
            table_.texcoords.assign(table.vertexCount, osg::Vec2());
        if (withSlots_)
            table_.elementSlots.assign(table.vertexCount, kNone);
    }

    std::uint32_t elementFor(std::uint32_t vertex, const osg::Vec3& normal, const osg::Vec2& texcoord,
                             std::uint32_t slot)
    {
        if (!claimed_[vertex]) {
            claimed_[vertex] = true;
            table_.normals[vertex] = normal;
            if (withTexcoords_)
                table_.texcoords[vertex] = texcoord;
            if (withSlots_)
                table_.elementSlots[vertex] = slot;
            return vertex;
        }
        std::uint32_t last = vertex;
        for (std::uint32_t e = vertex; e != kNone; e = nextSeam_[e]) {
            if (matches(e, normal, texcoord, slot))
                return e;
            last = e;
        }
        const auto added = static_cast<std::uint32_t>(table_.elementCount());
        table_.seamSources.push_back(vertex);
        table_.normals.push_back(normal);
        if (withTexcoords_)
            table_.texcoords.push_back(texcoord);
        if (withSlots_)
            table_.elementSlots.push_back(slot);
        nextSeam_.push_back(kNone);
        nextSeam_[last] = added;
        return added;
    }

private:
    bool matches(std::uint32_t element, const osg::Vec3& normal, const osg::Vec2& texcoord, std::uint32_t slot) const
    {
        const bool sameNormal = withSlots_ ? table_.elementSlots[element] == slot : sameBits(table_.normals[element], normal);
        return sameNormal && (!withTexcoords_ || sameBits(table_.texcoords[element], texcoord));
    }

    DrawTable& table_;
    bool withTexcoords_;
    bool withSlots_;
    std::vector<bool> claimed_;
    std::vector<std::uint32_t> nextSeam_;  // next element that repeats the same vertex
};

}  // namespace

std::size_t drawableCornerLimit(std::size_t cornerCount, std::size_t normalCount,
                                const std::vector<osg::Vec2>* texcoords)
{
    std::size_t limit = std::min(cornerCount, normalCount);
    if (texcoords)
        limit = std::min(limit, texcoords->size());
    return limit - limit % 3;
}

DrawTable buildDrawTable(const IndexList& vertexIndices, std::size_t vertexCount,
                         std::span<const osg::Vec3> cornerNormals,
                         const std::vector<osg::Vec2>* cornerTexcoords, std::span<const std::uint32_t> cornerSlots)
{
    DrawTable table;
    table.vertexCount = vertexCount;
    table.cornerCount = vertexIndices.size();
    // Element numbers are 32-bit; a geometry too large for them is not drawn at all.
    if (vertexCount >= kNone)
        return table;

    const bool withSlots = !cornerSlots.empty();
    ElementBuilder builder(table, cornerTexcoords != nullptr, withSlots);
    std::size_t limit = drawableCornerLimit(vertexIndices.size(), cornerNormals.size(), cornerTexcoords);
    if (withSlots)
        limit = std::min(limit, cornerSlots.size() - cornerSlots.size() % 3);
    table.corners.reserve(limit);
    const osg::Vec2 noTexcoord;
    for (std::size_t first = 0; first < limit; first += 3) {
        if (!triangleInRange(vertexIndices, first, vertexCount))
            continue;
        for (std::size_t c = first; c < first + 3; ++c)
            table.corners.push_back(builder.elementFor(vertexIndices[c], cornerNormals[c],
                                                       cornerTexcoords ? (*cornerTexcoords)[c] : noTexcoord,
                                                       withSlots ? cornerSlots[c] : kNone));
    }
    return table;
}

}  // namespace mw
