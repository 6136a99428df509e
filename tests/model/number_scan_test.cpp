#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/number_scan.h"

namespace mw {
namespace {

// Tokens that exercise signs, bases, prefixes, overflow and junk.
const char* const kTokens[] = {
    "0", "1", "+1", "-1", "+-1", "-+1", "--1", "+", "-", "", "x", "12abc", "007", "010", "08", "0x",
    "0x1F", "0X1f", "-0x10", "0xg", "4294967295", "4294967296", "-4294967296", "-4294967297",
    "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999999999999",
    "-99999999999999999999", "18446744073709551615", "18446744073709551616", "1.5", "1e3", ".5",
    "5.", ".", "e5", "1e", "1e+", "1e-2x", "inf", "-inf", "INF", "infinity", "Infinity", "infx",
    "nan", "-nan", "NaN", "nan(123)", "0x1p3", "0x1.8p1", "-0x.8", "1e39", "-1e39", "1e-50",
    "3.4028235e38", "1.17549435e-38", "1.4e-45", "0.1", "123456789", "0.000123456789", "#5", "}",
};

TEST(NumberScan, AgreesWithTheCLibrary)
{
    for (const char* token : kTokens) {
        SCOPED_TRACE(token);
        unsigned expectedU = 0;
        std::uint32_t u = 0;
        const bool okU = std::sscanf(token, "%u", &expectedU) == 1;
        EXPECT_TRUE(scanUnsigned(token, u) == okU && (!okU || u == expectedU)) << u << " vs " << expectedU;
        int expectedI = 0;
        std::int32_t i = 0;
        const bool okI = std::sscanf(token, "%i", &expectedI) == 1;
        EXPECT_TRUE(scanInteger(token, i) == okI && (!okI || i == expectedI)) << i << " vs " << expectedI;
    }

    // Floats: the longest prefix that is a number, rounded once to float, as strtof does. Besides
    // the tokens: values halfway between two floats, reached through a long decimal expansion
    // (rounding through double first would land on the wrong neighbour), then plain decimals as
    // files hold them: sign, up to twelve digits, a point anywhere.
    std::vector<std::string> texts(std::begin(kTokens), std::end(kTokens));
    char text[64];
    for (std::uint32_t bits = 0x3f800000; bits < 0x3f800000 + 2000; ++bits) {
        float lo;
        std::memcpy(&lo, &bits, sizeof lo);
        std::snprintf(text, sizeof text, "%.20g", (static_cast<double>(lo) + std::nextafter(lo, 2.0f)) / 2);
        texts.push_back(text);
    }
    std::mt19937 rng(3);
    while (texts.size() < 200000) {
        std::string t = (rng() % 2) ? "-" : "";
        const int digits = 1 + static_cast<int>(rng() % 12);
        const int point = static_cast<int>(rng() % static_cast<unsigned>(digits + 2)) - 1;
        for (int k = 0; k < digits; ++k)
            t += std::string(k == point ? "." : "") + static_cast<char>('0' + rng() % 10);
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        char* end = nullptr;
        const float expected = std::strtof(t.c_str(), &end);
        const bool ok = end != t.c_str();
        float f = 42.0f;
        ASSERT_EQ(scanFloat(t, f), ok) << t;
        const bool same = ok ? (std::isnan(f) && std::isnan(expected)) || std::memcmp(&f, &expected, sizeof f) == 0
                             : f == 42.0f;  // untouched when nothing converts
        ASSERT_TRUE(same) << t << ": " << f << " vs " << expected;
    }
}

}  // namespace
}  // namespace mw
