#pragma once
// Writes a face in the format its file name asks for.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/face.h"

namespace mw {

// ".glb" and ".gltf" (any case) are written as glTF 2.0 (see gltf_writer.h), ".obj" (any case)
// as Wavefront OBJ with its .mtl file beside it (see obj_writer.h), ".tvf" as the native format.
// For OBJ and the native format every embedded texture is first given a file beside it (see
// embedded_images.h), which then changes the geometries' texture names. A name with an
// extension the program does not write is refused, with writableFormatsSentence() as the
// failure, and nothing is written. Texture names that are not absolute are looked up in
// `textureDir`. Returns false, with `failure` set, when nothing
// could be written; the previous file is then untouched. What was written differently from the
// face goes to `warnings`; the system's reason for a file that could not be written, when it
// gives one, to `error`.
bool saveFaceFile(const std::filesystem::path& path, TarvFaceObject& face, const std::filesystem::path& textureDir,
                  std::vector<std::string>* warnings = nullptr, std::string* failure = nullptr,
                  std::error_code* error = nullptr);

// The extensions of the face files the program writes, in the order they are named to the user.
std::span<const std::string_view> writableFaceFormats();

// True when the extension of `path` (any case) is one of writableFaceFormats().
bool isWritableFacePath(const std::filesystem::path& path);

// The words for a refused output: "Mienwright writes .tvf, .glb, .gltf and .obj files".
std::string writableFormatsSentence();

// True when `path` names a glTF file.
bool isGltfPath(const std::filesystem::path& path);

}  // namespace mw
