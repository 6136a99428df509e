#pragma once
// Compacts a face built by an importer: keeps only vertices that triangles use, merges
// vertices with identical positions and texture coordinates with identical values, renumbers
// every index list and drops morph targets and morphs that end up empty.

#include "model/face.h"

namespace mw {

void weldFace(TarvFaceObject& face);

}  // namespace mw
