#pragma once
// The comparison face: a second face shown over the current one while a morph is created from
// the difference between the two.

#include "authoring/document.h"

namespace mw {

// Drops the comparison face, its placement and its difference highlight; the head is placed
// by the edit handler again. The current face stays as it is. Nothing happens while no
// comparison face is loaded.
void cancelMorphTarget(Document& doc);

}  // namespace mw
