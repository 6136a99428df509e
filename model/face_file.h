#pragma once
// The native face format (.tvf): keyword lines and nested brace blocks.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

class FaceTokenizer;

// How the text of a face ended, for the caller to tell the user.
struct FaceTextEnd {
    bool readError = false;  // the file could not be opened, or a read failed
    bool early = false;      // a face was read, but the text stops before its closing brace
};

// Reads a native face file. Returns no face when the file cannot be read to its end or holds
// no "face" token; otherwise a face, possibly partial, exactly as the file describes it: a
// text that stops early is read as far as it goes (`end` tells). Names with blanks, tabs,
// quotes or braces are read back from double quotes.
osg::ref_ptr<TarvFaceObject> readFaceFile(const std::filesystem::path& path, FaceTextEnd* end = nullptr);

// Same grammar over text in memory.
osg::ref_ptr<TarvFaceObject> readFaceText(std::string_view text, FaceTextEnd* end = nullptr);

// Same grammar over any tokenizer; no face when its input failed before the face was read.
osg::ref_ptr<TarvFaceObject> readFace(FaceTokenizer& tokens, FaceTextEnd* end = nullptr);

// Writes `face` to `path`. A name that holds a blank, tab, quote or brace, or starts with
// '#', is written in double quotes with \" and \\ escaped; every other name as it is. The previous file at `path` is replaced only when the whole new
// file was written: the text goes to a temporary file in the same folder, which is renamed
// over the target at the end. Returns false, leaving any previous file untouched, on failure.
bool writeFaceFile(const std::filesystem::path& path, const TarvFaceObject& face);
// The same; on failure `error` says why.
bool writeFaceFile(const std::filesystem::path& path, const TarvFaceObject& face, std::error_code& error);

// The exact bytes writeFaceFile would store.
std::string formatFace(const TarvFaceObject& face);

}  // namespace mw
