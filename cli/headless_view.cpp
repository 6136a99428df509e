#include "cli/headless_view.h"

#include <iostream>
#include <system_error>

#include "authoring/face_editing.h"
#include "authoring/view_document.h"
#include "authoring/view_setup.h"
#include "cli/commands.h"
#include "import/embedded_images.h"
#include "model/face_file.h"
#include "model/write_failure.h"

namespace mw::cli {

std::unique_ptr<ViewState> openView(const std::filesystem::path& base, Prompt& prompt)
{
    auto state = std::make_unique<ViewState>();
    buildView(*state, {});
    std::error_code error;
    const std::filesystem::path workingDirectory = std::filesystem::current_path(error);
    // As loadIntoView, but each repair is a warning line of its own, as every command prints them.
    FaceRead read = prepareFaceRead(base);
    readPreparedFace(read);
    if (read.face) {
        for (const std::string& change : read.report.changes)
            std::cerr << "warning: " << change << '\n';
        read.report.changes.clear();
    }
    const bool loaded = !base.empty() && installFaceRead(*state, read, prompt);
    if (!error)
        std::filesystem::current_path(workingDirectory, error);
    return loaded ? std::move(state) : nullptr;
}

int saveView(ViewState& state, const std::filesystem::path& output, const std::string& shownName)
{
    commitHeadTransform(state);
    std::string failure;
    std::error_code error;
    if (!keepEmbeddedTextures(*state.face, output, &failure) || !writeFaceFile(output, *state.face, error)) {
        std::cerr << saveFailureMessage(shownName, failure.empty() ? writeFailureReason(error) : failure) << '\n';
        return kWriteFailed;
    }
    return kOk;
}

}  // namespace mw::cli
