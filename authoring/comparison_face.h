#pragma once
// The comparison face: a second face shown over the current one while a morph is created from
// the difference between the two.

#include "authoring/view_state.h"

namespace mw {

// Drops the comparison face, its node, transform and difference highlight, and gives the edit
// handler back the head transform with a fresh edit transform. The current face and the
// modified flag stay as they are. Nothing happens while no comparison face is loaded.
void cancelMorphTarget(ViewState& state);

}  // namespace mw
