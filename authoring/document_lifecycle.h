#pragma once
// Opening, saving and closing the face being edited, and the question that keeps unsaved work
// from being thrown away. The window supplies the dialogs (Prompt), a way to read and write
// files while it stays responsive (BackgroundWork) and the panes beside the view
// (DocumentPanes); everything decided here works and is tested without a window.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "authoring/prompt.h"
#include "authoring/view_state.h"

namespace mw {

inline constexpr std::string_view kModifiedQuestion =
    "The current file has been modified. Would you like to save it first?";

// Runs the reading and writing of files, which touch neither the view nor the scene.
class BackgroundWork {
public:
    virtual ~BackgroundWork() = default;
    // Runs `work` to its end before returning; `activity` says what it does ("Loading PATH").
    // Here it runs at once on the calling thread.
    virtual void run(const std::string& activity, const std::function<void()>& work) { work(); }
};

// The panes that show the face beside the view.
class DocumentPanes {
public:
    virtual ~DocumentPanes() = default;
    // Changes made in the panes themselves (renamed geometries and morphs) that are not saved.
    virtual bool modified() const { return false; }
    virtual void clearModified() {}
    // A new face is in the view.
    virtual void setFaceNode(TarvFaceRenderer* node) {}
    // `count` morphs were appended to the face.
    virtual void appendMorphs(int count) {}
};

// What the document operations work with.
struct Document {
    ViewState& state;
    Prompt& prompt;
    BackgroundWork& work;
    DocumentPanes& panes;
};

// True while a face is loaded and it or the panes hold changes that are not saved.
bool isModified(const Document& doc);

// Words for the user on why a file could not be written.
std::string saveFailureReason(const std::error_code& error);

// Writes the face as .tvf to `path`. A path that does not end in .tvf (any case) asks for a
// face file name first; the head transform is baked into the face (unless a comparison face
// is pending), and the file is replaced only once it is completely written. On success the
// path becomes the file name and the face and the panes are no longer modified. A write that
// fails says "Could not save PATH" and why; the face keeps its file name and stays modified.
// False without a face, when the name was not given or when the write failed.
bool saveFace(Document& doc, const std::filesystem::path& path);

// "Save": saveFace with the current file name. "Save As": asks for a face file name first;
// nothing happens when it is not given.
bool saveCurrentFace(Document& doc);
bool saveFaceAs(Document& doc);

// Asks whether to save a modified face before it is put aside. True when it may go: it was not
// modified, the answer was No, or it was Yes and the save succeeded. Cancel, or a save that was
// not done, keeps it.
bool maySetFaceAside(Document& doc);

// Loads the face file at `path` into the view, after maySetFaceAside. On success the panes get
// the new face node; a file that cannot be read says so and leaves everything as it was (but
// the working directory, which moves to the file's folder first).
bool openFace(Document& doc, const std::filesystem::path& path);

// The open-face dialog and the choice made in it: opening a face (maySetFaceAside, then a file
// chooser, then openFace), importing the morphs of a face, or loading a face to create a
// morph from. True when something was opened, imported or loaded.
bool openWithDialog(Document& doc);
// The same for a choice already made in the open-face dialog.
bool openChoice(Document& doc, const OpenFaceChoice& choice);

// "Import Morphs": chooses a face file and appends its morphs that fit the current face (with
// its neck vertices when asked); the panes hear how many were added. A file that cannot be
// read says so. The number of morphs added.
int importMorphsFromChosenFile(Document& doc, bool withNeckVertices);

// "Create Morph": chooses a face file and shows it over the current face for comparison.
bool compareWithChosenFile(Document& doc);

}  // namespace mw
