#pragma once
// The native face format (.tvf): keyword lines and nested brace blocks.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

// Reads a native face file. Returns no face when the file cannot be read or holds no
// "face" token; otherwise a face, possibly partial, exactly as the file describes it.
osg::ref_ptr<TarvFaceObject> readFaceFile(const std::filesystem::path& path);

// Same grammar over text in memory.
osg::ref_ptr<TarvFaceObject> readFaceText(std::string_view text);

// Writes `face` to `path`. The previous file at `path` is replaced only when the whole new
// file was written: the text goes to a temporary file in the same folder, which is renamed
// over the target at the end. Returns false, leaving any previous file untouched, on failure.
bool writeFaceFile(const std::filesystem::path& path, const TarvFaceObject& face);
// The same; on failure `error` says why.
bool writeFaceFile(const std::filesystem::path& path, const TarvFaceObject& face, std::error_code& error);

// The exact bytes writeFaceFile would store.
std::string formatFace(const TarvFaceObject& face);

}  // namespace mw
