#pragma once
// The one way every face enters the program: the reader is chosen by the file's extension.

#include <filesystem>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

// ".tvf" (any case) reads the native format, ".txt" (any case) the legacy text format,
// ".gltf" and ".glb" (any case) glTF 2.0 and ".obj" (any case) Wavefront OBJ (for both, the
// reason for a refusal goes to report->failure), and
// everything else, a name without extension included, goes to the model importer. Whatever
// the reader, the face is repaired before it is returned, and what the repair changed is
// added to `report` when one is given. No face when the reader gives none.
osg::ref_ptr<TarvFaceObject> loadFace(const std::filesystem::path& path, RepairReport* report = nullptr);

}  // namespace mw
