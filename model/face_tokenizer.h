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
    bool startLine();   // makes the next non-blank, non-comment line current
    bool refill();      // moves pending bytes to the front and reads more

    int fd_ = -1;
    bool failed_ = false;
    bool endOfInput_ = false;
    std::vector<char> storage_;   // block buffer when reading a file
    const char* data_ = nullptr;  // bytes available: [data_ + begin_, data_ + end_)
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    const char* line_ = nullptr;  // current line: [line_, lineEnd_) ; null when no line is pending
    const char* lineEnd_ = nullptr;
};

}  // namespace mw
