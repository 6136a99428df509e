// The OBJ reader on any bytes, without material files: the face it gives, if any, must keep
// every invariant and need no repair; a refusal must say why.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/face_invariants.h"
#include "import/obj_reader.h"
#include "model/repair_face.h"

using mw::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string failure;
    mw::RepairReport report;
    const osg::ref_ptr<mw::TarvFaceObject> face =
        mw::readObjText(text, "/nonexistent/fuzz.obj", {.materialFiles = false}, &report, &failure);
    if (!face) {
        require(!failure.empty(), "a refused file has no reason");
        return 0;
    }
    require(!face->geometries.empty(), "a face without geometries");
    mw::fuzz::requireValid(*face);
    require(mw::repairFace(*face).empty(), "a face read from OBJ needs repair again");
    return 0;
}
