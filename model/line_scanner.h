#pragma once
// Reads numbers from one line of text the way C's sscanf does with "%d" and "%f" fields
// separated by blanks: each field skips white space, then takes exactly the characters
// sscanf would take. The older text formats are defined by those conversions, including
// their corner cases ("1e" reads as 1, "0x" fails, "1..2" is 1 followed by .2).

#include <cstdint>
#include <string_view>

namespace mw {

class LineScanner {
public:
    // The line ends at its first NUL byte, as a C string would.
    explicit LineScanner(std::string_view line);

    // "%d": optional sign and decimal digits. Values beyond the range of long saturate and
    // the low 32 bits are kept, as the store into an int does.
    bool readInt(std::int32_t& out);

    // "%f": a decimal or hexadecimal float, "inf", "infinity" or "nan", rounded once to float.
    bool readFloat(float& out);

private:
    void skipSpace();

    const char* p_;
    const char* end_;
};

}  // namespace mw
