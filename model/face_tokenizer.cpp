#include "model/face_tokenizer.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fcntl.h>
#include <unistd.h>

namespace mw {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

// Blank, TAB, CR and LF separate tokens; a table keeps the inner loops branch-light.
constexpr auto kSeparators = [] {
    std::array<bool, 256> table{};
    table[' '] = table['\t'] = table['\r'] = table['\n'] = true;
    return table;
}();

inline bool isSeparator(char c) { return kSeparators[static_cast<unsigned char>(c)]; }

#if defined(__SSE2__)
// Bit i is set when byte i of the 16 at p is a separator.
inline unsigned separatorMask(const char* p)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i sep = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t'))),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
    return static_cast<unsigned>(_mm_movemask_epi8(sep));
}

inline unsigned lineFeedMask(const char* p)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
}
#endif

// Skips separators from p; sets lineStart when a line feed was among them.
inline const char* skipSeparators(const char* p, const char* end, bool& lineStart)
{
#if defined(__SSE2__)
    while (end - p >= 16) {
        const unsigned sep = separatorMask(p);
        const unsigned lf = lineFeedMask(p);
        if (sep != 0xFFFF) {
            const unsigned n = static_cast<unsigned>(__builtin_ctz(~sep));
            lineStart |= (lf & ((1u << n) - 1)) != 0;
            return p + n;
        }
        lineStart |= lf != 0;
        p += 16;
    }
#endif
    while (p != end && isSeparator(*p)) {
        lineStart |= *p == '\n';
        ++p;
    }
    return p;
}

inline const char* skipToken(const char* p, const char* end)
{
#if defined(__SSE2__)
    while (end - p >= 16) {
        const unsigned sep = separatorMask(p);
        if (sep != 0)
            return p + __builtin_ctz(sep);
        p += 16;
    }
#endif
    while (p != end && !isSeparator(*p))
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
    read_ = [fd = fd_](char* buffer, std::size_t size) -> std::ptrdiff_t {
        for (;;) {
            const ssize_t n = ::read(fd, buffer, size);
            if (n >= 0 || errno != EINTR)
                return n;
        }
    };
    storage_.resize(kBlockSize);
    pos_ = end_ = storage_.data();
}

FaceTokenizer::FaceTokenizer(BlockReader read) : read_(std::move(read))
{
    storage_.resize(kBlockSize);
    pos_ = end_ = storage_.data();
}

FaceTokenizer::FaceTokenizer(std::string_view text)
    : endOfInput_(true), pos_(text.data()), end_(text.data() + text.size())
{
}

FaceTokenizer::~FaceTokenizer()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FaceTokenizer::refill(const char*& keep)
{
    if (endOfInput_)
        return false;
    // Move the unfinished token or line to the front; grow when it fills most of the block.
    const std::size_t pending = static_cast<std::size_t>(end_ - keep);
    std::memmove(storage_.data(), keep, pending);
    if (storage_.size() - pending < kBlockSize / 2)
        storage_.resize(storage_.size() * 2);
    char* const base = storage_.data();
    const std::ptrdiff_t shift = base - keep;
    keep = base;
    pos_ += shift;
    end_ = base + pending;

    const std::ptrdiff_t n = read_(base + pending, storage_.size() - pending);
    if (n > 0) {
        end_ += n;
        return true;
    }
    if (n < 0)
        failed_ = true;  // a read error ends the input like its end
    endOfInput_ = true;
    return false;
}

std::string_view FaceTokenizer::nextName(bool& quoted)
{
    quoted = false;
    const std::string_view token = nextToken();
    if (token.empty() || token.front() != '"')
        return token;
    // The quoted text may run past the token: scan on from just after the opening quote,
    // keeping the token in the buffer in case the quote is not closed on its line.
    const char* start = token.data();
    const std::size_t tokenSize = token.size();
    const char* p = start + 1;
    name_.clear();
    bool escaped = false;
    for (;;) {
        if (p == end_) {
            const std::ptrdiff_t offset = p - start;
            pos_ = p;
            if (!refill(start))
                break;
            p = start + offset;
        }
        const char c = *p++;
        if (c == '\n')
            break;
        if (escaped) {
            if (c != '"' && c != '\\')
                name_.push_back('\\');
            name_.push_back(c);
            escaped = false;
        } else if (c == '\\') {
            escaped = true;
        } else if (c == '"') {
            pos_ = p;
            atLineStart_ = false;
            quoted = true;
            return name_;
        } else {
            name_.push_back(c);
        }
    }
    // No closing quote on the line: the token stands for itself, as in files of old.
    pos_ = start + tokenSize;
    atLineStart_ = false;
    return {start, tokenSize};
}

std::string_view FaceTokenizer::nextToken()
{
    for (;;) {
        if (failed_)
            return {};
        // Locals, not members: reads through char pointers would otherwise force the
        // compiler to reload every member after each character.
        const char* const end = end_;
        bool lineStart = atLineStart_;
        const char* p = skipSeparators(pos_, end, lineStart);
        atLineStart_ = lineStart;
        pos_ = p;
        if (p == end) {
            if (!refill(p))
                return {};
            continue;
        }

        if (atLineStart_ && (*p == '#' || *p == '\0')) {
            // A comment line, or a line that is empty as a C string: skip it whole.
            for (;;) {
                const void* lf = std::memchr(pos_, '\n', static_cast<std::size_t>(end_ - pos_));
                if (lf) {
                    pos_ = static_cast<const char*>(lf);
                    break;
                }
                pos_ = end_;
                const char* nothing = end_;
                if (!refill(nothing))
                    return {};
            }
            continue;
        }

        const char* const q = skipToken(p, end);
        if (q == end && !endOfInput_) {
            // The token may go on in the next block.
            refill(p);
            continue;
        }
        atLineStart_ = false;
        pos_ = q;
        return {p, static_cast<std::size_t>(q - p)};
    }
}

}  // namespace mw
