#pragma once
// What the view asks of the user: messages, yes/no questions and file choosers. The editor
// answers with real dialogs; tests answer from a script.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

// The title of every message box.
inline constexpr std::string_view kApplicationTitle = "Mienwright";

// The answers to a question that can also be called off.
enum class Answer { Yes, No, Cancel };

// What the open-face dialog asks for: a face to edit, the morphs of another face, or a face
// to compare the current one with to create a morph.
struct OpenFaceChoice {
    enum Option { OpenFile = 0, ImportMorphs = 1, CreateMorph = 2 };
    Option option = OpenFile;
    bool importNeckVertices = false;  // with ImportMorphs only
};

class Prompt {
public:
    virtual ~Prompt() = default;

    // A modal message with an OK button.
    virtual void message(const std::string& text) = 0;
    // The same for a failure (a file that could not be read or written): shown with an error
    // sign where the prompt has one.
    virtual void failure(const std::string& text) { message(text); }
    // A modal question with Yes and No buttons; true for Yes.
    virtual bool question(const std::string& text) = 0;
    // Chooses an existing file of any kind; nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseOpenFile() = 0;
    // Chooses any number of existing files; none when cancelled. Without a chooser of its own a
    // prompt offers one file.
    virtual std::vector<std::filesystem::path> chooseOpenFiles()
    {
        std::optional<std::filesystem::path> one = chooseOpenFile();
        return one ? std::vector<std::filesystem::path>{*one} : std::vector<std::filesystem::path>{};
    }
    // Chooses a face file to write ("Face (*.tvf)", default extension tvf, asking before
    // overwriting an existing file); nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseSaveFile() = 0;

    // A modal question with Yes, No and Cancel buttons. Where only Yes and No can be
    // offered, it is question().
    virtual Answer questionWithCancel(const std::string& text) { return question(text) ? Answer::Yes : Answer::No; }
    // The open-face dialog; the options other than OpenFile can be picked only when
    // `faceLoaded`. Nothing when cancelled. Where no such dialog exists, a face is opened.
    virtual std::optional<OpenFaceChoice> chooseOpenFace(bool faceLoaded) { return OpenFaceChoice{}; }
    // Chooses a glTF file to export to ("glTF (*.glb *.gltf)", default extension glb, asking
    // before overwriting an existing file); nothing when cancelled or not offered.
    virtual std::optional<std::filesystem::path> chooseExportFile() { return std::nullopt; }
    // Chooses an OBJ file to export to ("Wavefront OBJ (*.obj)", default extension obj, asking
    // before overwriting an existing file); nothing when cancelled or not offered.
    virtual std::optional<std::filesystem::path> chooseObjExportFile() { return std::nullopt; }
    // Chooses the folder that receives one OBJ file per morph; nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseMorphExportFolder() { return std::nullopt; }
};

}  // namespace mw
