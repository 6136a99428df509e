#pragma once
// Smoothed normals of a triangle list. Corners whose vertices share a rest position share a
// normal: the normalised sum of the unnormalised normals of their triangles. Where the
// triangles at a position face opposite ways (a double-sided card, two triangles back to back
// on the same vertices) their sum would cancel, so each side gets the sum of its own triangles.
// Which corners share a normal is decided once from the rest pose; the normals themselves can
// then be recomputed cheaply for any morphed positions.

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include <osg/Vec3>
#include <osg/Vec4>

#include "model/face.h"

namespace mw {

struct NormalSlots {
    static constexpr std::uint32_t kNoSlot = std::numeric_limits<std::uint32_t>::max();

    std::size_t vertexCount = 0;              // of the geometry it was built for
    std::size_t cornerCount = 0;              // entries of vertexIndices it was built from
    std::vector<std::uint32_t> triangles;     // first corner of every triangle that is drawn, in order
    std::vector<std::uint32_t> cornerSlot;    // per corner; kNoSlot for corners of triangles not drawn
    std::size_t slotCount = 0;
    // The triangles (positions in `triangles`) that add to each slot, in the order they add:
    // slot s takes slotTriangles[slotBegin[s]] … slotTriangles[slotBegin[s + 1] - 1].
    std::vector<std::uint32_t> slotBegin;
    std::vector<std::uint32_t> slotTriangles;
    // The triangles (positions in `triangles`) that use each vertex, laid out the same way.
    std::vector<std::uint32_t> vertexBegin;
    std::vector<std::uint32_t> vertexTriangles;
};

// Working memory for updateSlotNormals, kept from frame to frame.
struct NormalScratch {
    std::vector<std::uint8_t> triangleMarked, slotMarked;
    std::vector<std::uint32_t> triangleList, slotList;  // the marked ones
};

// Groups the corners of the whole triangles that name existing vertices. Without `forUpdates`
// only triangles, cornerSlot and slotCount are filled: enough to know which corners share a
// normal (a file writer's need), not for computeSlotNormals or updateSlotNormals.
NormalSlots buildNormalSlots(const IndexList& vertexIndices, std::span<const osg::Vec3> restPositions,
                             bool forUpdates = true);

// One unit normal per slot for the given positions (indexed like the geometry's vertices),
// written to `slotNormals`; `faceNormals` is scratch space. Both are resized only when they
// are too small. A slot whose triangles have no area gets a zero normal. The sum per slot
// adds the triangles in their order, each triangle's normal (b - a) × (c - a) once per corner
// it has in the slot.
void computeSlotNormals(const NormalSlots& slots, const IndexList& vertexIndices,
                        std::span<const osg::Vec3> positions, std::vector<osg::Vec3>& slotNormals,
                        std::vector<osg::Vec4>& faceNormals);

// Sizes the scratch for these slots, so that updating them allocates nothing.
void reserveScratch(const NormalSlots& slots, NormalScratch& scratch);

// After only the vertices in `moved` changed position since computeSlotNormals (or this)
// filled `slotNormals` and `faceNormals`: recomputes the normals of the triangles that use
// them and of the slots those triangles touch, with the same results as computing everything.
void updateSlotNormals(const NormalSlots& slots, const IndexList& vertexIndices, std::span<const osg::Vec3> positions,
                       std::span<const std::uint32_t> moved, std::vector<osg::Vec3>& slotNormals,
                       std::vector<osg::Vec4>& faceNormals, NormalScratch& scratch);

}  // namespace mw
