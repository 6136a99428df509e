#pragma once
// Reads any model file that OpenSceneGraph's plugins understand and converts it into a face.

#include <filesystem>

#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace osg {
class Node;
}

namespace mw {

// Converts a scene graph already in memory; no face when it holds no convertible geometry.
// The face is repaired (what changed goes to `report` when given) and welded.
osg::ref_ptr<TarvFaceObject> importSceneGraph(osg::Node& root, RepairReport* report = nullptr);

// Reads the file with the plugin its extension selects, then converts it as above. No face
// when the file cannot be read or holds no convertible geometry.
osg::ref_ptr<TarvFaceObject> importModelFile(const std::filesystem::path& path, RepairReport* report = nullptr);

}  // namespace mw
