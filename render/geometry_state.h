#pragma once
// The render state of one drawn geometry: its texture and its material colours.

#include <filesystem>

#include <osg/StateSet>

#include "model/face.h"

namespace mw {

// Binds the geometry's texture (shared through the texture cache) on unit 0 when it names
// one that can be read, a relative name being a file in `folder`, the folder of the face's
// file (resolveTextureName); always sets a material with colour mode off whose front and back
// diffuse and specular colours are the geometry's. Ambient, emission and shininess keep
// their defaults. The state is not refreshed when the geometry changes later.
void applyGeometryState(osg::StateSet& state, const FaceGeom& geometry, const std::filesystem::path& folder);

}  // namespace mw
