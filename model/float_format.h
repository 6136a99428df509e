#pragma once
// Writes a float the way printf's "%g" does: 6 significant digits, fixed notation for decimal
// exponents from -4 to 5, scientific otherwise, trailing zeros and point dropped.

namespace mw {

// Writes at most 16 characters at `out` and returns the end of what was written.
char* formatGeneral6(char* out, float value);

}  // namespace mw
