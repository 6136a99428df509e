#pragma once
// Left/right pairing of a face's vertices across its symmetry plane, for mirroring morphs.

#include <cstdint>
#include <limits>
#include <vector>

#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

// One vertex of a face: geometry index and vertex index in it.
struct FaceVertex {
    std::uint32_t geometry = kNoVertex;
    std::uint32_t vertex = kNoVertex;

    static constexpr std::uint32_t kNoVertex = std::numeric_limits<std::uint32_t>::max();
    bool valid() const { return geometry != kNoVertex; }
    friend bool operator==(const FaceVertex&, const FaceVertex&) = default;
};

// The share of the head's width within which a reflected vertex still finds its partner.
inline constexpr float kMirrorTolerance = 0.001f;

struct MirrorMap {
    // partners[g][v]: the vertex nearest to the reflection of vertex v of geometry g, or an
    // invalid FaceVertex when none lies within the tolerance.
    std::vector<std::vector<FaceVertex>> partners;
    std::size_t unmatched = 0;   // vertices of the face without a partner
    float planeX = 0.0f;         // the symmetry plane x = planeX
    float tolerance = 0.0f;      // the largest distance accepted, in the face's units

    FaceVertex partner(std::uint32_t geometry, std::uint32_t vertex) const
    {
        if (geometry >= partners.size() || vertex >= partners[geometry].size())
            return {};
        return partners[geometry][vertex];
    }
};

// Pairs every rest-pose vertex with the vertex nearest to its reflection across the plane
// through the centre of the face's bounding box along x, within kMirrorTolerance of the box's
// width. A partner in the vertex's own geometry is preferred; only when it has none there is
// one looked for in the other geometries (a separate left and right eye). Vertices sharing one
// position are paired in index order with the vertices sharing the partner's position, so that
// pairing is mutual on a symmetric head even where a mesh repeats a vertex along a seam.
// Sorts the vertices into a grid of cells twice as wide as the tolerance and looks at most
// eight cells up for each vertex: O(n log n).
MirrorMap buildMirrorMap(const TarvFaceObject& face);

// The same pairing by comparing every vertex with every other one; for checking the grid.
MirrorMap buildMirrorMapBruteForce(const TarvFaceObject& face);

// Keeps the map of the last face it was built for until that face's rest pose changes (an
// array replaced, resized or marked dirty, a geometry added or removed).
class MirrorMapCache {
public:
    const MirrorMap& get(const TarvFaceObject& face);
    void clear();

private:
    // Held by reference, so that an array of a face that is gone cannot be mistaken for a new
    // one at the same address.
    struct Stamp {
        osg::ref_ptr<const osg::Vec3Array> vertices;
        std::size_t size = 0;
        unsigned modifiedCount = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    static std::vector<Stamp> stampOf(const TarvFaceObject& face);

    std::vector<Stamp> stamp_;
    bool valid_ = false;
    MirrorMap map_;
};

}  // namespace mw
