#include "model/number_scan.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fast_float/fast_float.h>

namespace mw {
namespace {

bool startsWithHexPrefix(std::string_view s)
{
    return s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
}

// Hexadecimal floats are rare in face files; the C library handles them exactly.
bool scanHexFloat(std::string_view token, float& out)
{
    std::string copy(token);
    char* end = nullptr;
    const float value = std::strtof(copy.c_str(), &end);
    if (end == copy.c_str())
        return false;
    out = value;
    return true;
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Accumulates digits of `base` from the front of `s`, saturating at the top of uint64.
// Returns the number of digits consumed.
std::size_t accumulate(std::string_view s, unsigned base, std::uint64_t& value, bool& overflow)
{
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        const int d = digitValue(s[i]);
        if (d >= static_cast<int>(base))
            break;
        if (value > (UINT64_MAX - static_cast<unsigned>(d)) / base)
            overflow = true;
        else
            value = value * base + static_cast<unsigned>(d);
    }
    return i;
}

// Plain decimals such as "-12.375" with at most 24 bits of digits and at most ten digits after
// the point: the digits and the power of ten are both exact floats, so one division gives the
// correctly rounded value. Returns false for every other form.
bool scanSimpleDecimal(std::string_view token, float& out)
{
    static constexpr float kPow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    if (token.empty() || token.size() > 12)
        return false;
    const char* p = token.data();
    const char* const end = p + token.size();
    const bool negative = *p == '-';
    p += negative;
    // At most 11 characters remain, so at most 11 digits: the mantissa fits in 64 bits.
    std::uint64_t mantissa = 0;
    const char* const intStart = p;
    unsigned d;
    while (p != end && (d = static_cast<unsigned>(*p - '0')) < 10) {
        mantissa = mantissa * 10 + d;
        ++p;
    }
    std::ptrdiff_t digits = p - intStart;
    std::ptrdiff_t fraction = 0;
    if (p != end && *p == '.') {
        const char* const fracStart = ++p;
        while (p != end && (d = static_cast<unsigned>(*p - '0')) < 10) {
            mantissa = mantissa * 10 + d;
            ++p;
        }
        fraction = p - fracStart;
        digits += fraction;
    }
    if (p != end || digits == 0 || mantissa > (1u << 24) || fraction > 10)
        return false;
    const float value = static_cast<float>(mantissa) / kPow10[fraction];
    out = negative ? -value : value;
    return true;
}

}  // namespace

bool scanFloat(std::string_view token, float& out)
{
    if (scanSimpleDecimal(token, out))
        return true;
    std::string_view body = token;
    bool negative = false;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (body.empty() || body.front() == '+' || body.front() == '-')
        return false;
    if (startsWithHexPrefix(body))
        return scanHexFloat(token, out);

    float value = 0.0f;
    const auto result = fast_float::from_chars(body.data(), body.data() + body.size(), value);
    if (result.ec != std::errc() && result.ptr == body.data())
        return false;
    // Out-of-range decimals: fast_float still yields the correctly rounded infinity or zero.
    out = negative ? -value : value;
    return true;
}

bool scanUnsigned(std::string_view token, std::uint32_t& out)
{
    // Up to nine plain digits cannot overflow; that covers nearly every index in a file.
    if (!token.empty() && token.size() <= 9) {
        std::uint32_t value = 0;
        bool plain = true;
        for (char c : token) {
            const unsigned d = static_cast<unsigned>(c - '0');
            plain &= d < 10;
            value = value * 10 + d;
        }
        if (plain) {
            out = value;
            return true;
        }
    }
    bool negative = false;
    if (!token.empty() && (token.front() == '+' || token.front() == '-')) {
        negative = token.front() == '-';
        token.remove_prefix(1);
    }
    std::uint64_t value = 0;
    bool overflow = false;
    if (accumulate(token, 10, value, overflow) == 0)
        return false;
    // C's unsigned conversion saturates at ULONG_MAX, negates in unsigned arithmetic and the
    // store into a 32-bit unsigned keeps the low bits.
    if (overflow)
        value = UINT64_MAX;
    else if (negative)
        value = 0 - value;
    out = static_cast<std::uint32_t>(value);
    return true;
}

bool scanInteger(std::string_view token, std::int32_t& out)
{
    bool negative = false;
    if (!token.empty() && (token.front() == '+' || token.front() == '-')) {
        negative = token.front() == '-';
        token.remove_prefix(1);
    }
    unsigned base = 10;
    if (startsWithHexPrefix(token) && token.size() > 2 && digitValue(token[2]) < 16) {
        base = 16;
        token.remove_prefix(2);
    } else if (!token.empty() && token.front() == '0') {
        base = 8;
    }
    std::uint64_t magnitude = 0;
    bool overflow = false;
    if (accumulate(token, base, magnitude, overflow) == 0)
        return false;

    // Clamp to long as strtol does, then keep the low 32 bits as the store into int does.
    std::int64_t value;
    if (negative)
        value = (overflow || magnitude > static_cast<std::uint64_t>(LLONG_MAX) + 1)
                    ? LLONG_MIN
                    : static_cast<std::int64_t>(0 - magnitude);
    else
        value = (overflow || magnitude > static_cast<std::uint64_t>(LLONG_MAX))
                    ? LLONG_MAX
                    : static_cast<std::int64_t>(magnitude);
    out = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
    return true;
}

}  // namespace mw
