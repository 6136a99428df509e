#include "model/face_tokenizer.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace mw {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

inline bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const char* skipSeparators(const char* p, const char* end)
{
    while (p != end && isSeparator(*p))
        ++p;
    return p;
}

}  // namespace

FaceTokenizer::FaceTokenizer(const std::filesystem::path& path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        failed_ = true;
        endOfInput_ = true;
        return;
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    storage_.resize(kBlockSize);
    data_ = storage_.data();
}

FaceTokenizer::FaceTokenizer(std::string_view text)
    : endOfInput_(true), data_(text.data()), end_(text.size())
{
}

FaceTokenizer::~FaceTokenizer()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FaceTokenizer::refill()
{
    if (endOfInput_)
        return false;
    // Keep the unfinished line; grow the block when one line fills all of it.
    const std::size_t pending = end_ - begin_;
    if (begin_ > 0 && pending > 0)
        std::memmove(storage_.data(), storage_.data() + begin_, pending);
    begin_ = 0;
    end_ = pending;
    if (storage_.size() - end_ < kBlockSize / 2)
        storage_.resize(storage_.size() * 2);
    data_ = storage_.data();

    for (;;) {
        const ssize_t n = ::read(fd_, storage_.data() + end_, storage_.size() - end_);
        if (n > 0) {
            end_ += static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failed_ = true;
        endOfInput_ = true;
        return false;
    }
}

bool FaceTokenizer::startLine()
{
    for (;;) {
        if (failed_)
            return false;
        const char* begin = data_ + begin_;
        const char* end = data_ + end_;
        const void* lf = std::memchr(begin, '\n', static_cast<std::size_t>(end - begin));
        if (!lf && !endOfInput_) {
            refill();
            continue;
        }
        if (begin == end)
            return false;  // end of input with no line pending
        const char* lineEnd = lf ? static_cast<const char*>(lf) : end;
        begin_ = static_cast<std::size_t>((lf ? lineEnd + 1 : end) - data_);

        const char* first = skipSeparators(begin, lineEnd);
        if (first == lineEnd || *first == '#' || *first == '\0')
            continue;  // blank line, comment line, or a line that is empty as a C string
        line_ = first;
        lineEnd_ = lineEnd;
        return true;
    }
}

std::string_view FaceTokenizer::nextToken()
{
    for (;;) {
        if (!line_ && !startLine())
            return {};
        const char* p = skipSeparators(line_, lineEnd_);
        if (p == lineEnd_) {
            line_ = nullptr;
            continue;
        }
        const char* q = p;
        while (q != lineEnd_ && !isSeparator(*q))
            ++q;
        line_ = q;
        return {p, static_cast<std::size_t>(q - p)};
    }
}

}  // namespace mw
