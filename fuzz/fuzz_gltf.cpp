// The glTF reader on any bytes, as .gltf or .glb (told by the first bytes), without external
// files: the face it gives, if any, must keep every invariant and need no repair.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/face_invariants.h"
#include "import/gltf_reader.h"
#include "model/repair_face.h"

using mw::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    mw::GltfReadOptions options;
    options.externalFiles = false;
    options.embeddedImages = false;
    options.maxVertices = 1u << 20;
    std::string failure;
    const osg::ref_ptr<mw::TarvFaceObject> face =
        mw::readGltfBytes(std::span(data, size), "/nonexistent", options, nullptr, &failure);
    if (!face) {
        require(!failure.empty(), "a refused file has no reason");
        return 0;
    }
    mw::fuzz::requireValid(*face);
    require(mw::repairFace(*face).empty(), "a face read from glTF needs repair again");
    return 0;
}
