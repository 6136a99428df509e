#pragma once
// Which tiles a contact sheet of a face's morphs shows, for the command line and the editor.

#include <vector>

#include "model/face.h"
#include "model/sheet_tile.h"

namespace mw {

// Every morph in the face's order, labelled with its name; with `arkitOrder`, ARKit's 52
// shapes in ARKit's order (a shape the face has only as halves shows both at once, a missing
// one an empty tile), then the extras under their own names.
std::vector<SheetTile> morphSheetTiles(const TarvFaceObject& face, bool arkitOrder);

}  // namespace mw
