#pragma once
// The text layer shared by the Wavefront OBJ and MTL readers: logical lines (CR, LF or CR LF
// ends, a backslash at the end of a line joins the next one), blank-separated tokens and the
// numbers of statements. Nothing here reads outside the text it is given.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace mw::obj {

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

// Splits text into logical lines. Joined lines are assembled in a buffer of the reader's own,
// so a view stays valid until the next call.
class LineReader {
public:
    explicit LineReader(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // The next line without its line end; false at the end of the text.
    bool next(std::string_view& line);

private:
    const char* p_;
    const char* end_;
    std::string joined_;
};

// Text with blanks removed at both ends.
std::string_view trim(std::string_view text);

// The first blank-separated token of `text`, which then holds what follows it.
std::string_view takeToken(std::string_view& text);

// Reads a float from the front of `token` (decimal or "inf"/"nan", an optional sign); what
// follows the number inside the token is ignored ("3.1+e2" is 3.1). False when the token
// does not start with a number.
bool parseFloat(std::string_view token, float& out);

// Makes text that arrives as UTF-16 (told by its byte-order mark) UTF-8, drops a UTF-8 mark,
// and turns lone CR line ends (old Mac files) into LF. Returns false, leaving `converted`
// untouched, when the text can be used as it is.
bool normalizeText(std::string_view text, std::string& converted);

// A file name as written in an OBJ or MTL file: backslashes (from Windows tools) become '/'.
std::string fileNameFromText(std::string_view text);

// `name` under `folder`; when no such file exists but one whose name differs only in case
// does (files made on systems that ignore case), that one. Empty when neither exists.
std::filesystem::path findFile(const std::filesystem::path& folder, const std::filesystem::path& name);

// Reads a whole file; false when it cannot be read.
bool readWholeFile(const std::filesystem::path& path, std::string& out);

}  // namespace mw::obj
