#pragma once
// Bringing a face into the view and dropping it.

#include <filesystem>

#include "authoring/prompt.h"
#include "authoring/view_state.h"

namespace mw {

// Loads the face file at `path` (any format loadFace reads) into the view. The working
// directory moves to the file's folder first, so texture names in the file resolve beside it;
// the path is made absolute before that, and the absolute path becomes the file name.
// On failure "Failed to load: " and the path is shown once and the face already in the view
// stays as it was (the working directory stays moved). On success the previous face is closed,
// the new one hangs under a reset head transform, the camera frames the scene, the selection
// is hidden, and what the loader had to repair in the file (if anything) is shown.
bool loadIntoView(ViewState& state, const std::filesystem::path& path, Prompt& prompt);

// Drops the comparison face and the current face and forgets the undo history; the file name
// becomes empty and the face unmodified.
void closeFace(ViewState& state);

}  // namespace mw
