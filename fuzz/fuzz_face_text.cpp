// The .tvf reader on any bytes, then what every reading path does with its face: repair,
// write; and welding, which must be safe even on the face exactly as read.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/face_invariants.h"
#include "model/face_file.h"
#include "model/repair_face.h"
#include "model/weld.h"

using mw::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const osg::ref_ptr<mw::TarvFaceObject> raw = mw::readFaceText(text)) {
        mw::formatFace(*raw);  // writing a damaged face reads nothing outside either
        mw::weldFace(*raw);
    }

    const osg::ref_ptr<mw::TarvFaceObject> face = mw::readFaceText(text);
    if (!face)
        return 0;
    mw::repairFace(*face);
    mw::fuzz::requireValid(*face);
    require(mw::repairFace(*face).empty(), "a repaired face needs repair again");

    mw::weldFace(*face);
    // Geometries sharing a name renumber their targets one after the other, which can leave
    // entries beyond the smaller one; repair settles that, and then all holds again.
    mw::repairFace(*face);
    mw::fuzz::requireValid(*face);
    const std::uint64_t welded = mw::fuzz::faceDigest(*face);
    mw::weldFace(*face);
    require(mw::fuzz::faceDigest(*face) == welded, "welding twice changed the face");
    mw::formatFace(*face);
    return 0;
}
