#pragma once
// The one way a face is written to disk: Save, Save As, the exports and every editing command
// of the command-line tool come here, and so does the autosave.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "authoring/document.h"

namespace mw {

struct DocumentWrite {
    bool written = false;
    std::string failure;                // why nothing was written, in the writer's words
    std::error_code error;              // the system's reason, when the file itself failed
    std::vector<std::string> warnings;  // what was written differently from the face
};

// Bakes the head placement into the face (unless a comparison face is pending) and writes it
// to `path` in the format its name asks for (saveFaceFile; a name the program does not write is
// refused); texture names that are not absolute resolve beside the document's file. The file
// is replaced only once it is completely written. The document's file name and saved state are
// left to the caller.
DocumentWrite writeDocument(Document& doc, const std::filesystem::path& path);

// The face's morphs as face kits ship expressions: bakes the head placement as writeDocument
// does, gives embedded textures a file in `folder` as saving an OBJ does, and writes
// `folder`/STEM.obj (the face at rest, STEM the document's file name or "face") and one OBJ per
// morph (exportMorphsAsObj). `written` lists the files written, the rest pose first.
DocumentWrite writeDocumentMorphs(Document& doc, const std::filesystem::path& folder,
                                  std::vector<std::filesystem::path>* written = nullptr);

// Words for the user on why a write failed: the system's reason when there is one, else the
// writer's.
std::string writeFailureReason(const DocumentWrite& write);

// Words for the user on why a file could not be written.
std::string saveFailureReason(const std::error_code& error);

}  // namespace mw
