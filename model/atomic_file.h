#pragma once
// Replaces a file only once its new contents are completely on disk.

#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>

namespace mw {

// Receives chunks of the new contents; returns false once a write has failed.
using ChunkWriter = std::function<bool(std::string_view chunk)>;

// Fails at once, writing nothing, when `target` exists but cannot be opened for writing.
// Otherwise creates a temporary file beside `target`, lets `produce` write into it, flushes and
// closes it, then renames it over `target` (following a symbolic link to the real file).
// The new file keeps the owner, group and permissions of the file it replaces as far as the
// user may set them, and the folder is synced so the new name survives a power cut. When `produce` returns false,
// any write, the flush or the rename fails, the temporary file is removed, `target` is left
// as it was and the result is false; when `produce` throws, the same cleanup happens
// before the exception leaves.
bool replaceFileAtomically(const std::filesystem::path& target,
                           const std::function<bool(const ChunkWriter&)>& produce);

// The same; on failure `error` says why (a folder that is missing, no permission, a full
// disk). An existing target the user may not write is refused and left as it is.
bool replaceFileAtomically(const std::filesystem::path& target,
                           const std::function<bool(const ChunkWriter&)>& produce, std::error_code& error);

}  // namespace mw
