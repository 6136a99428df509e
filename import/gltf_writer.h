#pragma once
// Writes a face as glTF 2.0: binary (.glb) or JSON (.gltf, with its buffer in a .bin file and
// its textures beside it).
//
// The file holds one node with one mesh whose primitives are the face's geometries, so that a
// morph is one target index across them; the morph names go to the mesh's
// extras.targetNames and every weight is 0. A target is stored sparse when that is smaller.
// Positions and offsets turn half way about y, from a face looking along -Z to glTF's models
// looking along +Z (both +Y up); texture coordinates from
// the image's bottom-left origin to glTF's top-left; normals are those the view lights the
// rest pose with. Each geometry gets a material: diffuse as the base colour (and the base
// colour texture), specular as KHR_materials_specular's colour. A primitive keeps its
// geometry's name and neck vertices in its extras ("name", "neckVertices").

#include <filesystem>
#include <string>
#include <vector>

#include "model/face.h"

namespace mw {

struct GltfWriteReport {
    std::vector<std::string> warnings;  // what could not be written as it is (a missing texture, ...)
    std::string failure;                // why nothing was written
};

// Writes `face` to `path` (.glb, any case: binary; anything else: JSON). Texture names are
// looked up in `textureDir` unless absolute. Files are replaced only once completely written.
// Returns false, with report->failure set, when the face has no triangles or a file cannot
// be written.
bool writeGltfFile(const std::filesystem::path& path, const TarvFaceObject& face,
                   const std::filesystem::path& textureDir, GltfWriteReport* report = nullptr);

}  // namespace mw
