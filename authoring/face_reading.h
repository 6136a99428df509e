#pragma once
// Reading a second face into the view (for comparison or to import from) and telling the user
// what had to be repaired in it.

#include <filesystem>
#include <string>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

// Any face file the editor opens, repaired; nothing when it cannot be read, also when reading
// it runs out of memory. What the repair changed is added to `report`.
osg::ref_ptr<TarvFaceObject> readAnyFace(const std::filesystem::path& path, RepairReport& report);

// One message listing what the repair of the face read from `path` changed.
std::string repairSummary(const std::filesystem::path& path, const RepairReport& report);

}  // namespace mw
