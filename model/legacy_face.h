#pragma once
// The older plain-text face format (.txt): numbered "*" sections.

#include <filesystem>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

// Reads a legacy face; it is repaired and welded before it is returned. What the repair
// changed is added to `report` when one is given. Returns no face when the file cannot be read.
osg::ref_ptr<TarvFaceObject> readLegacyFace(const std::filesystem::path& path, RepairReport* report = nullptr);

}  // namespace mw
