#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/float_format.h"

namespace mw {
namespace {

std::string viaPrintf(float v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

std::string viaFormatter(float v)
{
    char text[32];
    return {text, formatGeneral6(text, v)};
}

TEST(FloatFormat, MatchesPrintfG)
{
    // Special values, both notations and the switch between them, exact ties (integers with
    // seven digits ending in 5 are exactly representable), and random bit patterns.
    std::vector<float> values = {0.0f, -0.0f, 1.0f, -1.0f, 0.1f, 0.25f, 1e-4f, 9.99999e-5f, 1e-5f,
                                 99999.9f, 999999.0f, 999999.5f, 1e6f, 1234565.0f, 1234575.0f,
                                 100000.5f, 3.4028235e38f, -3.4028235e38f, 1.17549435e-38f, 1e-45f,
                                 INFINITY, -INFINITY, NAN, -NAN, 16777215.0f, 0.000123456789f};
    for (float p = 1e-38f; p < 1e38f; p *= 10.0f)
        for (float v : {p, std::nextafter(p, 0.0f), std::nextafter(p, INFINITY)})
            values.push_back(v);
    for (std::uint32_t i = 1000005; i < 16777216; i += 1370)
        values.push_back(static_cast<float>(i - i % 10 + 5));
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::uint32_t> bits;
    while (values.size() < 300000) {
        const std::uint32_t b = bits(rng);
        float f;
        std::memcpy(&f, &b, sizeof f);
        if (!std::isnan(f))
            values.push_back(f);
    }
    for (float v : values)
        ASSERT_EQ(viaFormatter(v), viaPrintf(v)) << "bits of the value: " << std::hexfloat << v;
}

}  // namespace
}  // namespace mw
