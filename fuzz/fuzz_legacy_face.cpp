// The legacy text reader on any bytes (it repairs and welds), then a write of the result.
// Each line is also converted both by LineScanner and by the C library's sscanf, which
// define the format's numbers; the two must agree.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/face_invariants.h"
#include "model/face_file.h"
#include "model/legacy_face.h"
#include "model/line_scanner.h"
#include "model/weld.h"

using mw::fuzz::require;

namespace {

bool sameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0; }

void compareWithSscanf(std::string_view line)
{
    const std::string cLine(line);  // sscanf sees the line up to its first NUL, as LineScanner does
    {
        int i = 0;
        float f[3] = {};
        const int expected = std::max(std::sscanf(cLine.c_str(), "%d %f %f %f", &i, &f[0], &f[1], &f[2]), 0);
        mw::LineScanner s(line);
        std::int32_t mi = 0;
        float mf[3] = {};
        int got = 0;
        if (s.readInt(mi)) {
            ++got;
            while (got < 4 && s.readFloat(mf[got - 1]))
                ++got;
        }
        require(got == expected, "\"%d %f %f %f\" field count differs from sscanf");
        require(got == 0 || mi == i, "\"%d\" value differs from sscanf");
        for (int k = 0; k + 1 < got; ++k)
            require(sameFloat(f[k], mf[k]), "\"%f\" value differs from sscanf");
    }
    int i[3] = {};
    const int expected = std::max(std::sscanf(cLine.c_str(), "%d %d %d", &i[0], &i[1], &i[2]), 0);
    mw::LineScanner s(line);
    std::int32_t mi[3] = {};
    int got = 0;
    while (got < 3 && s.readInt(mi[got]))
        ++got;
    require(got == expected, "\"%d %d %d\" field count differs from sscanf");
    for (int k = 0; k < got; ++k)
        require(mi[k] == i[k], "\"%d\" value differs from sscanf");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < text.size() && lines < 64; ++lines) {
        const std::size_t lf = std::min(text.find('\n', pos), text.size());
        compareWithSscanf(text.substr(pos, lf - pos));
        pos = lf + 1;
    }

    mw::RepairReport report;
    const osg::ref_ptr<mw::TarvFaceObject> face = mw::readLegacyText(text, &report);
    if (!face)
        return 0;  // no section of the format in it
    require(face->geometries.size() == 2, "a legacy face has two geometries");
    mw::fuzz::requireValid(*face);
    const std::uint64_t read = mw::fuzz::faceDigest(*face);
    mw::weldFace(*face);
    require(mw::fuzz::faceDigest(*face) == read, "the reader's face changed when welded again");
    require(mw::repairFace(*face).empty(), "the reader's face needs repair");
    mw::formatFace(*face);
    return 0;
}
