#pragma once
// Splits a .tvf file into tokens: runs of characters other than blank, TAB, CR and LF.
// Lines whose first visible character is '#' are comments; blank lines are skipped.

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <vector>

namespace mw {

class FaceTokenizer {
public:
    // Reads the file in large blocks; a file that cannot be opened behaves as empty input.
    explicit FaceTokenizer(const std::filesystem::path& path);
    // Tokenizes text held by the caller, which must outlive the tokenizer.
    explicit FaceTokenizer(std::string_view text);
    ~FaceTokenizer();
    FaceTokenizer(const FaceTokenizer&) = delete;
    FaceTokenizer& operator=(const FaceTokenizer&) = delete;

    // The next token, or an empty view at the end of input or after a read error.
    // The view stays valid until the next call.
    std::string_view nextToken();

    // True when the file could not be opened or a read failed.
    bool failed() const { return failed_; }

private:
    // Keeps the bytes from `keep` on, reads more after them; false at the end of input.
    bool refill(const char*& keep);

    int fd_ = -1;
    bool failed_ = false;
    bool endOfInput_ = false;
    bool atLineStart_ = true;     // no token yet on the current line
    std::vector<char> storage_;   // block buffer when reading a file
    const char* pos_ = nullptr;   // unread bytes: [pos_, end_)
    const char* end_ = nullptr;
};

}  // namespace mw
