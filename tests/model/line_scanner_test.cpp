#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/line_scanner.h"

namespace mw {
namespace {

bool sameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

// Compares LineScanner with sscanf on "%d %f %f %f" and "%f %f %f": fields converted and values.
// sscanf sees the line as a C string, so the scanner must stop at a NUL as well.
::testing::AssertionResult agreesWithSscanf(const std::string& line)
{
    for (const int ints : {1, 0}) {
        std::int32_t i = 0, mi = 0;
        float f[3] = {}, mf[3] = {};
        const int expected = std::max(ints ? std::sscanf(line.c_str(), "%d %f %f %f", &i, &f[0], &f[1], &f[2])
                                           : std::sscanf(line.c_str(), "%f %f %f", &f[0], &f[1], &f[2]), 0);
        LineScanner s(line);
        int got = ints && s.readInt(mi) ? 1 : 0;
        if (got == ints)
            while (got < 3 + ints && s.readFloat(mf[got - ints]))
                ++got;
        if (got != expected || (ints && got > 0 && i != mi))
            return ::testing::AssertionFailure() << ints << " ints on '" << line << "': " << got << " vs " << expected;
        for (int k = 0; k < got - ints; ++k)
            if (!sameFloat(f[k], mf[k]))
                return ::testing::AssertionFailure() << "float " << k << " of '" << line << "': " << mf[k] << " vs " << f[k];
    }
    return ::testing::AssertionSuccess();
}

TEST(LineScanner, AgreesWithSscanfOnCornerCases)
{
    const std::string lines[] = {
        "1 2 3 4", "  -7\t0.5\r\n", "12abc 3 4 5", "+ 1 2 3", "-0 -0 -0 -0", "1e 2 3 4", "1 1e+ 2 3", "1 1ex 2 3",
        "1 0x 1 2", "1 0x. 1 2", "1 0xp3 1 2", "1 0x1p 1 2", "1 0x1.8p+1 2 3", "1 infinity INF -Inf", "1 infx 1 2",
        "1 infix 1 2", "1 nan(12) 1 2", "1 -nan NaN 2", "1 . 1 2", "1 1..2 3", "1 +-1 2 3", "1 1e5e 2 3",
        "1 .e1 2 3", "1 00x1 2 3", "1 1e-50 2 3", "1 1e39 -1e39 3", "0x5 1 2 3", "99999999999 1 2 3",
        "-99999999999999999999 1 2 3", "4294967297 1 2 3", "-2147483649 1 2 3", "9223372036854775807 1 2 3",
        "9223372036854775808 1 2 3", "-9223372036854775808 1 2 3", "-9223372036854775809 1 2 3",
        "1 0.1 0.2 0.30000001", "1 3.4028235e38 3.4028236e38 1.17549435e-38", "1 1.40129846e-45 7e-46 -0.0",
        "1 123456789012345678901234567890 1 2", "1\v2\f3 4", "", "   ", "1",
        std::string("1 2\0 3 4", 8),
    };
    for (const std::string& line : lines)
        EXPECT_TRUE(agreesWithSscanf(line));
}

TEST(LineScanner, AgreesWithSscanfOnRandomLines)
{
    static const char alphabet[] = "0123456789+-.eEpPxXaAnNiIfFtTyY \t,";
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> letter(0, sizeof alphabet - 2), length(0, 24);
    for (int round = 0; round < 20000; ++round) {
        std::string line;
        for (std::size_t n = length(rng); n > 0; --n)
            line += alphabet[letter(rng)];
        ASSERT_TRUE(agreesWithSscanf(line));
    }
}

}  // namespace
}  // namespace mw
