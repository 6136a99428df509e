#include "model/line_scanner.h"

#include <climits>
#include <cstring>

#include "model/number_scan.h"

namespace mw {
namespace {

inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when [p, end) starts with `word`, ignoring case.
bool startsWithWord(const char* p, const char* end, std::string_view word)
{
    if (static_cast<std::size_t>(end - p) < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(p[i]) != word[i])
            return false;
    return true;
}

// The characters sscanf's "%f" consumes at `p`, or nullptr when it reports a matching
// failure before converting. sscanf cannot put back more than one character, so a number
// that breaks off ("1e+", "0x1p") keeps what was read and leaves the rest for strtof.
const char* floatExtent(const char* p, const char* end, bool& hexadecimal)
{
    const char* const start = p;
    hexadecimal = false;
    bool gotSign = false;
    if (*p == '+' || *p == '-') {
        gotSign = true;
        if (++p == end)
            return nullptr;
    }
    if (lower(*p) == 'n')
        return startsWithWord(p, end, "nan") ? p + 3 : nullptr;
    if (lower(*p) == 'i') {
        if (!startsWithWord(p, end, "inf"))
            return nullptr;
        p += 3;
        if (p == end || lower(*p) != 'i')
            return p;
        // Once the "i" of "infinity" has been taken, only the whole word converts.
        return startsWithWord(p, end, "inity") ? p + 5 : nullptr;
    }

    bool gotDigit = false;
    bool gotDot = false;
    bool gotExponent = false;
    char exponentChar = 'e';
    if (*p == '0') {
        ++p;
        if (p != end && lower(*p) == 'x') {
            hexadecimal = true;
            exponentChar = 'p';
            ++p;
        } else {
            gotDigit = true;
        }
    }
    for (; p != end; ++p) {
        const char c = *p;
        if (isDigit(c) || (!gotExponent && hexadecimal && isHexDigit(c)))
            gotDigit = true;
        else if (gotExponent && lower(p[-1]) == exponentChar && (c == '+' || c == '-'))
            continue;
        else if (gotDigit && !gotExponent && lower(c) == exponentChar)
            gotExponent = gotDot = true;
        else if (!gotDot && c == '.')
            gotDot = true;
        else
            break;
    }
    const std::ptrdiff_t taken = p - start;
    if (taken == (gotSign ? 1 : 0) || (hexadecimal && taken == (gotSign ? 3 : 2)))
        return nullptr;
    return p;
}

}  // namespace

LineScanner::LineScanner(std::string_view line) : p_(line.data()), end_(line.data() + line.size())
{
    if (const void* nul = std::memchr(line.data(), '\0', line.size()))
        end_ = static_cast<const char*>(nul);
}

void LineScanner::skipSpace()
{
    while (p_ != end_ && isSpace(*p_))
        ++p_;
}

bool LineScanner::readInt(std::int32_t& out)
{
    skipSpace();
    const char* p = p_;
    bool negative = false;
    if (p != end_ && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Accumulate the magnitude, saturating just past the range of long.
    constexpr std::uint64_t kLimit = std::uint64_t{LLONG_MAX} + 1;
    std::uint64_t magnitude = 0;
    const char* digits = p;
    for (; p != end_ && isDigit(*p); ++p) {
        if (magnitude > kLimit)
            continue;  // saturated
        magnitude = magnitude > kLimit / 10 ? kLimit + 1 : magnitude * 10 + static_cast<unsigned>(*p - '0');
    }
    if (p == digits)
        return false;
    p_ = p;
    std::uint64_t value;  // two's complement bits of the long that strtol returns
    if (negative)
        value = magnitude >= kLimit ? kLimit : 0 - magnitude;
    else
        value = magnitude >= kLimit ? kLimit - 1 : magnitude;
    out = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return true;
}

bool LineScanner::readFloat(float& out)
{
    skipSpace();
    if (p_ == end_)
        return false;
    bool hexadecimal = false;
    const char* extent = floatExtent(p_, end_, hexadecimal);
    if (!extent)
        return false;
    float value = 0.0f;
    if (!scanFloat(std::string_view(p_, static_cast<std::size_t>(extent - p_)), value))
        return false;
    p_ = extent;
    out = value;
    return true;
}

}  // namespace mw
