#pragma once
// "Create Morph": bringing a second face into the view to compare the current face with.

#include <filesystem>

#include <osg/ref_ptr>

#include "authoring/prompt.h"
#include "authoring/view_state.h"
#include "model/face.h"

namespace mw {

// Shows `face` over the current face as the comparison face, in place of any earlier one:
// yellow lines, unlit, under a comparison transform that the translate and scale modes now
// move. The head transform is baked into the current face first. The camera is reset, the
// comparison face is scaled onto the current face (autoScale) and the difference is
// highlighted. Nothing without a current face.
void installComparisonFace(ViewState& state, osg::ref_ptr<TarvFaceObject> face, Prompt& prompt);

// Reads the comparison face from `fileName` (any format the editor opens) and installs it.
// A file that cannot be read shows "Failed to load: " and the file name and leaves the view
// as it was, an earlier comparison face included; what had to be repaired in a readable file
// is said. True when the comparison face was installed.
bool loadComparisonFace(ViewState& state, const std::filesystem::path& fileName, Prompt& prompt);

}  // namespace mw
