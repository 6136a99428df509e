#pragma once
// Images that arrive inside a model file (a .glb's binary chunk, a data URI) have no file of
// their own, yet a face names its texture by file. They are kept as files of a private
// temporary folder for as long as the program runs, and copied beside a face file when one
// is saved.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "model/face.h"

namespace mw {

// Writes the image bytes into the private folder and returns the absolute path of the new
// file, or an empty path when it cannot be written. `name` suggests the file's name (it is
// cleaned of folder parts); the extension follows the bytes (PNG or JPEG), else `mimeType`.
std::filesystem::path storeEmbeddedImage(std::span<const std::uint8_t> bytes, std::string_view name,
                                         std::string_view mimeType);

// True for a path that storeEmbeddedImage returned.
bool isEmbeddedImage(const std::filesystem::path& path);

// Gives every texture of `face` that is an embedded image a file beside `faceFile`, named
// after the face file and the image ("head_skin.png" for head.tvf), and makes the geometry
// name that file: by its name alone (it lies beside the face file), or by its absolute path
// with `absoluteNames` (for a file that is not the face's own, an export, so the names keep
// meaning the same file wherever the face's own file is). Returns false, with `failure` set,
// when a copy cannot be written; the geometries already moved keep their new names.
bool keepEmbeddedTextures(TarvFaceObject& face, const std::filesystem::path& faceFile, std::string* failure,
                          bool absoluteNames = false);

// "PNG", "JPEG" or nothing, from the first bytes.
std::string_view imageKind(std::span<const std::uint8_t> bytes);

}  // namespace mw
