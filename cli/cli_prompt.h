#pragma once
// The editor's messages and questions on a terminal: messages go to stderr, questions are
// answered from the command line (never with Cancel), file choosers and the open-face dialog are
// cancelled (files are named as arguments).

#include "authoring/prompt.h"

namespace mw::cli {

class CliPrompt : public Prompt {
public:
    // Every question is answered with `answer` (true for Yes); a question answered Yes is shown
    // on stderr with its answer.
    explicit CliPrompt(bool answer = false) : answer_(answer) {}

    void message(const std::string& text) override;
    bool question(const std::string& text) override;
    std::optional<std::filesystem::path> chooseOpenFile() override { return std::nullopt; }
    std::optional<std::filesystem::path> chooseSaveFile() override { return std::nullopt; }
    std::optional<OpenFaceChoice> chooseOpenFace(bool) override { return std::nullopt; }

private:
    bool answer_;
};

}  // namespace mw::cli
