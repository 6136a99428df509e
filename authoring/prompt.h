#pragma once
// What the view asks of the user: messages, yes/no questions and file choosers. The editor
// answers with real dialogs; tests answer from a script.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mw {

// The title of every message box.
inline constexpr std::string_view kApplicationTitle = "Mienwright";

class Prompt {
public:
    virtual ~Prompt() = default;

    // A modal message with an OK button.
    virtual void message(const std::string& text) = 0;
    // A modal question with Yes and No buttons; true for Yes.
    virtual bool question(const std::string& text) = 0;
    // Chooses an existing file of any kind; nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseOpenFile() = 0;
    // Chooses a face file to write ("Face (*.tvf)", default extension tvf, asking before
    // overwriting an existing file); nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseSaveFile() = 0;
    // Chooses a glTF file to export to ("glTF (*.glb *.gltf)", default extension glb, asking
    // before overwriting an existing file); nothing when cancelled or not offered.
    virtual std::optional<std::filesystem::path> chooseExportFile() { return std::nullopt; }
};

}  // namespace mw
