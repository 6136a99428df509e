#pragma once
// The bits by which vertex data is compared and hashed when equal values are merged.

#include <bit>
#include <cstdint>

namespace mw {

// Values are the same when they compare equal, so +0 and -0 fold together. NaN compares equal
// to nothing, which would leave no order at all; it folds onto one NaN here so that every NaN
// is merged consistently.
inline std::uint32_t valueKeyBits(float f)
{
    if (f == 0.0f)
        return 0;
    if (f != f)
        return 0x7FC00000u;
    return std::bit_cast<std::uint32_t>(f);
}

}  // namespace mw
