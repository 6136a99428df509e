#pragma once
// The older plain-text face format (.txt): numbered "*" sections describing one skin mesh
// ("face") and one mouth mesh ("mouth") over a shared vertex list, and one morph per morph
// section ("morph_0").

#include <filesystem>
#include <string_view>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

// Reads a legacy face; it is repaired and welded before it is returned. What the repair
// changed is added to `report` when one is given. Returns no face when the file cannot be read
// or holds no section of the format.
osg::ref_ptr<TarvFaceObject> readLegacyFace(const std::filesystem::path& path, RepairReport* report = nullptr);

// Same format over text in memory; no face when the text holds no numbered section ("*1" to
// "*9" at the start of a line), since then it is no legacy face but any other text.
osg::ref_ptr<TarvFaceObject> readLegacyText(std::string_view text, RepairReport* report = nullptr);

}  // namespace mw
