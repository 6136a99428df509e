#pragma once
// What an edit of the document changed, so that whatever shows the document (the view, the
// panes) redoes exactly what that change needs and nothing more. Edits add to the document's
// record of changes; whoever shows the document takes it when it brings itself up to date.

#include <cstddef>
#include <vector>

namespace mw {

// What changed of one geometry.
namespace geometry_change {
inline constexpr unsigned kMoved = 1u << 0;      // vertices moved, surface directions kept
inline constexpr unsigned kShape = 1u << 1;      // vertices or triangles: normals to rebuild
inline constexpr unsigned kTexturing = 1u << 2;  // texture coordinates or their indices
inline constexpr unsigned kMaterial = 1u << 3;   // texture name or colours
inline constexpr unsigned kNeck = 1u << 4;       // the neck vertices
}  // namespace geometry_change

// What changed of the document as a whole.
namespace document_change {
inline constexpr unsigned kFace = 1u << 0;        // another face, or another number of geometries
inline constexpr unsigned kOpened = 1u << 1;      // a face was opened or closed: frame it afresh
inline constexpr unsigned kNames = 1u << 2;       // geometry or morph names
inline constexpr unsigned kMorphList = 1u << 3;   // morphs added, removed, reordered or replaced
inline constexpr unsigned kWeights = 1u << 4;     // morph weights (never saved)
inline constexpr unsigned kPlacement = 1u << 5;   // the head placement
inline constexpr unsigned kComparison = 1u << 6;  // the comparison face, its placement or highlight
inline constexpr unsigned kReframe = 1u << 7;     // the edit asks for the camera to frame the scene
}  // namespace document_change

struct Change {
    unsigned document = 0;
    // Per geometry index, geometry_change flags; shorter than the face where nothing changed.
    std::vector<unsigned> geometries;

    void add(unsigned documentParts) { document |= documentParts; }
    void addGeometry(std::size_t index, unsigned parts);
    // The same parts for geometries 0 … count-1.
    void addAllGeometries(std::size_t count, unsigned parts);
    unsigned geometry(std::size_t index) const { return index < geometries.size() ? geometries[index] : 0u; }
    bool has(unsigned documentParts) const { return (document & documentParts) != 0; }
    bool any() const;
    Change& operator|=(const Change& other);
};

}  // namespace mw
