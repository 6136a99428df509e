#pragma once
// Moving the working directory to a face file's folder, so that the relative texture names
// inside the file are found beside it.

#include <filesystem>

namespace mw {

// Makes the folder part of `path` the working directory. An empty path, a bare file name
// or a folder that cannot be entered leaves the working directory as it is.
void changeToFileDirectory(const std::filesystem::path& path);

}  // namespace mw
