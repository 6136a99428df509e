#pragma once
// The window's prompt for the File commands: messages, questions and file choosers go to the
// frame's prompt, and the open-face choice is made in the real open-face dialog.

#include "authoring/prompt.h"

class QWidget;

namespace mw {

class OpenFacePrompt : public Prompt {
public:
    // `inner` must outlive this prompt; the dialog is modal over `parent`.
    OpenFacePrompt(Prompt& inner, QWidget* parent) : inner_(inner), parent_(parent) {}

    void message(const std::string& text) override { inner_.message(text); }
    bool question(const std::string& text) override { return inner_.question(text); }
    Answer questionWithCancel(const std::string& text) override { return inner_.questionWithCancel(text); }
    std::optional<std::filesystem::path> chooseOpenFile() override { return inner_.chooseOpenFile(); }
    std::optional<std::filesystem::path> chooseSaveFile() override { return inner_.chooseSaveFile(); }
    // COpenFace; "Import Morphs" and "Create Morph" only when `faceLoaded`.
    std::optional<OpenFaceChoice> chooseOpenFace(bool faceLoaded) override;

private:
    Prompt& inner_;
    QWidget* parent_;
};

}  // namespace mw
