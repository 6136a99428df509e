#pragma once
// Splits a .tvf file into tokens: runs of characters other than blank, TAB, CR and LF.
// Lines whose first visible character is '#' are comments; blank lines are skipped.
// Where a name may stand, a name in double quotes may hold any character but a line feed;
// inside the quotes \" stands for a quote and \\ for a backslash.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

class FaceTokenizer {
public:
    // Reads the file in large blocks; a file that cannot be opened behaves as empty input.
    explicit FaceTokenizer(const std::filesystem::path& path);
    // Tokenizes text held by the caller, which must outlive the tokenizer.
    explicit FaceTokenizer(std::string_view text);
    // Reads through `read`, which fills up to `size` bytes at `buffer` and returns how many
    // it filled: 0 at the end of input, a negative number on a read error.
    using BlockReader = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;
    explicit FaceTokenizer(BlockReader read);
    ~FaceTokenizer();
    FaceTokenizer(const FaceTokenizer&) = delete;
    FaceTokenizer& operator=(const FaceTokenizer&) = delete;

    // The next token, or an empty view at the end of input or after a read error.
    // The view stays valid until the next call.
    std::string_view nextToken();

    // A name: the next token, or, when that token starts with a double quote, the text up to
    // the closing quote on the same line with its escapes resolved. Without a closing quote
    // on its line the token is taken as it stands. `quoted` tells which it was, so that a
    // quoted "{" or "" is still a name. The view stays valid until the next call.
    std::string_view nextName(bool& quoted);

    // True when the file could not be opened or a read failed.
    bool failed() const { return failed_; }

private:
    // Keeps the bytes from `keep` on, reads more after them; false at the end of input.
    bool refill(const char*& keep);

    int fd_ = -1;
    BlockReader read_;
    std::string name_;            // the last quoted name, unescaped
    bool failed_ = false;
    bool endOfInput_ = false;
    bool atLineStart_ = true;     // no token yet on the current line
    std::vector<char> storage_;   // block buffer when reading a file
    const char* pos_ = nullptr;   // unread bytes: [pos_, end_)
    const char* end_ = nullptr;
};

}  // namespace mw
