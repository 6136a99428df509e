#pragma once
// Reads Wavefront OBJ files into a face, keeping the file's own vertex numbering.
//
// Geometries: one per material (usemtl), named after it, in the order in which faces first
// use them; faces before the first usemtl form one more, named after the file. A file without
// usemtl is split by its o and g names instead, and a file without those is one geometry named
// after the file. Names become one word (blanks and control characters turn into '_') and stay
// unique ("_2", "_3", ...).
// Each geometry's vertices are the file's v entries its faces use, in file order, and its
// texture coordinates the vt entries they use, in file order: nothing is welded, so two files
// with the same vertex and face lists give geometries with identical indices. Polygons are
// fanned into triangles from their first corner. Normals (vn), lines, points, smoothing groups
// and unknown statements are skipped; so are extra components of v (w, vertex colours) and vt.
// OBJ models stand along +Y and look along +Z; faces in the editor look along -Z, so every
// position turns half way about y: (x, y, z) becomes (-x, y, -z).
// Materials come from the .mtl files the OBJ names (or, when it names none, the .mtl file of
// the same name beside it): Kd is the diffuse colour, d its alpha, Ks the specular colour and
// map_Kd the texture, whose name is stored relative to the OBJ file's folder.

#include <filesystem>
#include <string>
#include <string_view>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

struct ObjReadOptions {
    bool materialFiles = true;  // read the .mtl files and check that texture images exist
};

// Reads `path`. No face, with the reason in `failure`, when the file cannot be read or holds
// no usable face. What had to be left out or changed (faces with bad indices, a missing .mtl
// file or image, ...) is added to report->changes, followed by the repair's own changes.
osg::ref_ptr<TarvFaceObject> readObjFile(const std::filesystem::path& path, RepairReport* report = nullptr,
                                         std::string* failure = nullptr);

// The same over text in memory; `path` gives the names of the geometries (its stem) and the
// folder in which material files are looked up.
osg::ref_ptr<TarvFaceObject> readObjText(std::string_view text, const std::filesystem::path& path,
                                         const ObjReadOptions& options = {}, RepairReport* report = nullptr,
                                         std::string* failure = nullptr);

// True when `path` names an OBJ file (".obj", any case).
bool isObjPath(const std::filesystem::path& path);

}  // namespace mw
