#pragma once
// The one way every face enters the program: the reader is chosen by the file's extension.

#include <filesystem>
#include <string>
#include <string_view>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

// The repair line for a native face whose text stops before the face's closing brace.
inline constexpr std::string_view kEndsEarly = "the file ends early: the face may be incomplete";

// ".tvf" (any case) reads the native format, ".txt" (any case) the legacy text format,
// ".gltf" and ".glb" (any case) glTF 2.0, ".obj" (any case) Wavefront OBJ, and everything else, a name without extension
// included, goes to the model importer. Whatever the reader, the face is repaired before it
// is returned, and what the repair changed is added to `report` when one is given (a native
// face that ends early is kept as far as it goes, with kEndsEarly among the changes). No face
// when the reader gives none; report->failure then says why in a few words: "no such file",
// "no permission", "is a folder", "not a face file", or the reader's own reason.
osg::ref_ptr<TarvFaceObject> loadFace(const std::filesystem::path& path, RepairReport* report = nullptr);

// "Failed to load: PATH", with the reason of `report` in parentheses when there is one.
std::string loadFailureMessage(const std::filesystem::path& shown, const RepairReport& report);

}  // namespace mw
