#pragma once
// Reads glTF 2.0 files (.gltf with its buffers, or a binary .glb) into a face.
//
// Each triangle primitive (triangles, strips, fans) of the meshes that the default scene's
// nodes place becomes one geometry with the node's world transform applied: the geometry is
// named by the primitive's "name" extra when it has one, else after its mesh (with "_N", the
// primitive's number, when the mesh has several), kept unique within the face. A skinned mesh is
// taken in its bind pose, without its node's transform. TEXCOORD_0
// becomes the texture coordinates (flipped to the image's bottom-left origin), the material's
// base colour the diffuse colour, KHR_materials_specular's colour the specular colour and the
// base-colour texture the texture (a file name beside the glTF file; an embedded image is
// kept as a file of its own, see embedded_images.h). Target k of a mesh becomes one morph
// over its primitives, named from the mesh's extras.targetNames or "morph_k", holding only the
// vertices that move; morphs of the same name in several meshes are one morph. The file's
// model, +Y up and looking along +Z, is turned half way about y to look along -Z as faces do
// in the editor. glTF vertices that agree in position and in every target
// become one face vertex, and equal texture coordinates one coordinate.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

struct GltfReadOptions {
    bool externalFiles = true;             // buffers and images named by a relative URI
    std::size_t maxVertices = 1u << 26;    // refuse files that would unfold into more
    bool embeddedImages = true;            // keep embedded images as files (else: no texture)
};

// Reads `path`; .glb or .gltf is told by the bytes, not the name. No face, with the reason in
// `failure`, when the file is malformed, needs an unsupported extension or holds no triangle
// primitive. The face is repaired before it is returned (changes go to `report`).
osg::ref_ptr<TarvFaceObject> readGltfFile(const std::filesystem::path& path, RepairReport* report = nullptr,
                                          std::string* failure = nullptr);

// The same over bytes in memory; relative URIs are looked up in `baseDir`.
osg::ref_ptr<TarvFaceObject> readGltfBytes(std::span<const std::uint8_t> bytes,
                                           const std::filesystem::path& baseDir,
                                           const GltfReadOptions& options = {}, RepairReport* report = nullptr,
                                           std::string* failure = nullptr);

}  // namespace mw
