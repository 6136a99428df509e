#pragma once
// The editor's view without a window, for the subcommands that run its authoring operations
// exactly as the editor does.

#include <filesystem>
#include <memory>
#include <string>

#include "authoring/prompt.h"
#include "authoring/view_state.h"

namespace mw::cli {

// A view with `base` loaded into it as the editor loads a face; "Failed to load: " and the
// path are said through `prompt` when it cannot be read, and the result is null. The editor
// moves the working directory to the face's folder while it loads (so the face's textures are
// found); here it is put back afterwards, so the other path arguments mean what they say.
std::unique_ptr<ViewState> openView(const std::filesystem::path& base, Prompt& prompt);

// Saves the view's face as the editor does: the head transform is baked into it, then it is
// written as .tvf to `output`. Returns kOk, or kWriteFailed after "Failed to save: ",
// `shownName` (the path as the user gave it) and the reason.
int saveView(ViewState& state, const std::filesystem::path& output, const std::string& shownName);

}  // namespace mw::cli
