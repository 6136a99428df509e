#pragma once
// Where the relative texture names inside a face file point: beside the file. The folder goes
// with the face wherever its textures are read, so nothing depends on the working directory.

#include <filesystem>
#include <string_view>

namespace mw {

// The folder of the face file `faceFile`, absolute (a relative path counts from the working
// directory at the time of the call); empty for an empty path.
std::filesystem::path faceFolder(const std::filesystem::path& faceFile);

// The file a texture name of a face from `folder` means: an absolute name as it is, a relative
// one inside `folder`; with no folder, the name as it is (relative to the working directory).
std::filesystem::path resolveTextureName(std::string_view name, const std::filesystem::path& folder);

}  // namespace mw
