#pragma once
// Opening, saving and closing the face being edited, and the question that keeps unsaved work
// from being thrown away. The window supplies the dialogs (Prompt), a way to read and write
// files while it stays responsive (BackgroundWork); everything decided here works and is
// tested without a window or a view. What the operations change is recorded in the document
// (document_change.h), for whatever shows it.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include "authoring/document.h"
#include "authoring/prompt.h"

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

// What the file operations work with.
struct DocumentSession {
    Document& doc;
    Prompt& prompt;
    BackgroundWork& work;
};

// Writes the face as .tvf to `path` (writeDocument). A path that does not end in .tvf (any
// case) asks for a face file name first; a chosen name without an extension gets ".tvf", one
// with an extension the program does not write is not written. On success the path becomes
// the file name and the face is no longer modified. A write that fails (or is refused) says
// "Could not save PATH" and why; the face keeps its file name and stays modified. False
// without a face, when the name was not given or when the write failed.
bool saveFace(DocumentSession& session, const std::filesystem::path& path);

// "Save": saveFace with the current file name. "Save As": asks for a face file name first;
// nothing happens when it is not given.
bool saveCurrentFace(DocumentSession& session);
bool saveFaceAs(DocumentSession& session);

// Asks whether to save a modified face before it is put aside. True when it may go: it was not
// modified, the answer was No, or it was Yes and the save succeeded. Cancel, or a save that was
// not done, keeps it.
bool maySetFaceAside(DocumentSession& session);

// Loads the face file at `path` into the document, after maySetFaceAside. A file that cannot
// be read says so and leaves everything as it was.
bool openFace(DocumentSession& session, const std::filesystem::path& path);

// The open-face dialog and the choice made in it: opening a face (maySetFaceAside, then a file
// chooser, then openFace), importing the morphs of a face, or loading a face to create a
// morph from. True when something was opened, imported or loaded.
bool openWithDialog(DocumentSession& session);
// The same for a choice already made in the open-face dialog.
bool openChoice(DocumentSession& session, const OpenFaceChoice& choice);

// "Import Morphs": chooses a face file and appends its morphs that fit the current face (with
// its neck vertices when asked), as one undo step. A file that cannot be read says so. The
// number of morphs added.
int importMorphsFromChosenFile(DocumentSession& session, bool withNeckVertices);

// "Create Morph": chooses a face file and shows it over the current face for comparison.
bool compareWithChosenFile(DocumentSession& session);

}  // namespace mw
