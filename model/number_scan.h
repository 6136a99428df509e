#pragma once
// Number conversions with the rules of C formatted input, applied to one whole token.
// Each returns false when the token does not start with a number, leaving `out` unchanged.

#include <cstdint>
#include <string_view>

namespace mw {

// "%f": the longest prefix that forms a floating-point number (optional sign, decimal or
// hexadecimal digits, exponent, "inf", "infinity", "nan"), rounded once to float.
bool scanFloat(std::string_view token, float& out);

// "%u": optional sign and decimal digits, wrapped to 32 bits as C's unsigned conversion does
// ("-1" gives 4294967295).
bool scanUnsigned(std::string_view token, std::uint32_t& out);

// "%i": optional sign, then hexadecimal after "0x", octal after a leading 0, decimal otherwise;
// the value is clamped to the range of long, then wrapped to 32 bits.
bool scanInteger(std::string_view token, std::int32_t& out);

}  // namespace mw
