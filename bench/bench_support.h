#pragma once
// Generated faces and measuring aids shared by the benchmark programs.

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include <osg/ref_ptr>

#include "model/face.h"

namespace mw::bench {

struct GridFaceOptions {
    std::uint32_t columns = 1000;       // vertices per row
    std::uint32_t rows = 1000;          // rows of vertices
    std::uint32_t geometries = 1;       // the grid is cut into this many geometries by rows
    std::uint32_t morphs = 0;
    std::uint32_t entriesPerTarget = 0; // vertices each morph moves in each geometry
    std::uint32_t seed = 1;
};

// A wavy height field of columns × rows vertices per the options, with texture coordinates
// (texIndices equal to vertexIndices), two triangles per grid cell and morph targets with
// pseudo-random offsets. Coordinates carry fractional digits like a real scan.
osg::ref_ptr<TarvFaceObject> makeGridFace(const GridFaceOptions& options);

// The head-sized grid the interactive benchmarks share: 161 × 162 vertices (26,082) and
// 51,520 triangles, without a texture to read, and the given morphs.
osg::ref_ptr<TarvFaceObject> makeHeadSizedFace(std::uint32_t morphs = 0, std::uint32_t entriesPerTarget = 0);

// Writes the first geometry's positions, texture coordinates and triangles as Wavefront OBJ
// with "%g" numbers, the way a modelling tool would export the same mesh.
void writeObj(const TarvFaceObject& face, const std::filesystem::path& path);

// Bytes held by the face's arrays and lists (their capacities).
std::size_t faceMemoryBytes(const TarvFaceObject& face);

// Heap use of the benchmark program, counted by its replaced global operator new (C++
// allocations only; OSG arrays and std containers go through it).
std::size_t heapInUse();
std::size_t heapPeak();
void resetHeapPeak();

}  // namespace mw::bench
