#pragma once
// Writes a face as Wavefront OBJ with its material library (.mtl) beside it.
//
// Each geometry is one object ("o") with its own material ("usemtl"), both named after the
// geometry, followed by its vertices, texture coordinates and triangles ("f v/vt"). Positions
// turn back from the editor's faces looking along -Z to OBJ's models looking along +Z, half a
// turn about y: (x, y, z) becomes (-x, y, -z). Numbers are written in their shortest form
// that reads back to the same float. The material gives Kd (diffuse), d (its alpha, when
// not 1), Ks (specular) and map_Kd (the texture: relative to the OBJ's folder when the image
// lies inside it, else absolute). Reading the file back gives the same geometries, vertices in the same order,
// triangles and materials. OBJ has no place for morphs and neck vertices: they are left out
// with a warning (export-morphs writes one OBJ per morph).

#include <filesystem>
#include <string>
#include <vector>

#include <osg/Array>

#include "model/face.h"

namespace mw {

struct ObjWriteOptions {
    // The material library that the OBJ names. Empty: OUT_STEM.mtl, written beside the OBJ.
    // Otherwise only named, not written (files that share the library of another).
    std::string materialLibrary;
    // Positions to write in place of each geometry's own (same counts), or empty.
    std::vector<const osg::Vec3Array*> positions;
    // Warn that morphs and neck vertices are left out (vertices no triangle uses, which do not
    // come back, are always told).
    bool warnAboutLostData = true;
};

struct ObjWriteReport {
    std::vector<std::string> warnings;  // what is written differently from the face, or not at all
    std::string failure;                // why nothing was written
};

// Writes `face` to `path` (and the .mtl file beside it). Texture names that are not absolute
// are looked up in `textureDir`. Files are replaced only once completely written; on failure
// (no triangles at all, a file that cannot be written) the previous files are untouched and
// the result is false.
bool writeObjFile(const std::filesystem::path& path, const TarvFaceObject& face,
                  const std::filesystem::path& textureDir, ObjWriteReport* report = nullptr,
                  const ObjWriteOptions& options = {});

}  // namespace mw
