#include "model/float_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace mw {
namespace {

constexpr int kMinPow = -50;
constexpr int kMaxPow = 50;

// 10^k for k in [kMinPow, kMaxPow], within a few units in the last place: exact up to 10^22,
// and the callers tolerate far more error than the rest carry.
constexpr auto kPow10 = [] {
    std::array<double, kMaxPow - kMinPow + 1> t{};
    double p = 1.0;
    for (int k = 0; k <= kMaxPow; ++k, p *= 10.0)
        t[static_cast<std::size_t>(k - kMinPow)] = p;
    for (int k = 1; k <= -kMinPow; ++k)
        t[static_cast<std::size_t>(-k - kMinPow)] = 1.0 / t[static_cast<std::size_t>(k - kMinPow)];
    return t;
}();

inline double pow10(int k) { return kPow10[static_cast<std::size_t>(k - kMinPow)]; }

// The exact conversion of the standard library, for the rare values the fast path cannot
// decide.
char* slowPath(char* out, float value)
{
    return std::to_chars(out, out + 16, value, std::chars_format::general, 6).ptr;
}

char* writeExponent(char* out, int exponent)
{
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const unsigned e = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    if (e >= 100)
        *out++ = static_cast<char>('0' + e / 100);
    *out++ = static_cast<char>('0' + e / 10 % 10);
    *out++ = static_cast<char>('0' + e % 10);
    return out;
}

// At most six characters: a loop beats a call to memcpy.
inline char* copyDigits(char* out, const char* digits, int count)
{
    for (int i = 0; i < count; ++i)
        *out++ = digits[i];
    return out;
}

}  // namespace

char* formatGeneral6(char* out, float value)
{
    const double x = std::fabs(static_cast<double>(value));
    if (!std::isfinite(x))
        return slowPath(out, value);
    if (x == 0.0) {
        if (std::signbit(value))
            *out++ = '-';
        *out++ = '0';
        return out;
    }

    // Decimal exponent e with 10^e <= x < 10^(e+1), from the binary exponent: 78913 / 2^18
    // is log10(2) rounded down, so the estimate is e or e - 1.
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int binaryExponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
    int e = (binaryExponent * 78913) >> 18;
    if (x >= pow10(e + 1))
        ++e;

    // Scale to six integer digits. The scaled value carries at most a few units in the last
    // place of error; when it lies that close to a rounding boundary the exact conversion
    // decides instead.
    const double scaled = (5 - e >= 0) ? x * pow10(5 - e) : x / pow10(e - 5);
    const double floorScaled = std::floor(scaled);
    const double fraction = scaled - floorScaled;
    if (scaled < 100000.0 || scaled >= 1000000.0 || std::fabs(fraction - 0.5) < 1e-6)
        return slowPath(out, value);
    if (std::signbit(value))
        *out++ = '-';
    auto digits = static_cast<std::uint32_t>(floorScaled) + (fraction > 0.5 ? 1u : 0u);
    if (digits >= 1000000) {
        digits /= 10;
        ++e;
    }

    char d[6];
    for (int i = 5; i >= 0; --i) {
        const std::uint32_t next = digits / 10;
        d[i] = static_cast<char>('0' + (digits - next * 10));
        digits = next;
    }
    int significant = 6;
    while (significant > 1 && d[significant - 1] == '0')
        --significant;

    if (e < -4 || e >= 6) {
        *out++ = d[0];
        if (significant > 1) {
            *out++ = '.';
            out = copyDigits(out, d + 1, significant - 1);
        }
        return writeExponent(out, e);
    }
    if (e < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int i = -1; i > e; --i)
            *out++ = '0';
        return copyDigits(out, d, significant);
    }
    const int integerDigits = e + 1;
    out = copyDigits(out, d, integerDigits);
    if (significant > integerDigits) {
        *out++ = '.';
        out = copyDigits(out, d + integerDigits, significant - integerDigits);
    }
    return out;
}

}  // namespace mw
