#pragma once
// Bringing a face into the document and dropping it.

#include <filesystem>

#include <osg/ref_ptr>

#include "authoring/document.h"
#include "authoring/prompt.h"
#include "model/face.h"
#include "model/repair_face.h"

namespace mw {

// Loads the face file at `path` (any format loadFace reads) into the document. The path made
// absolute becomes the file name; its folder is where the face's relative texture names point
// (faceFolder), whatever the working directory. On failure "Failed to load: " and the path is
// shown once and everything stays as it was. On success the previous face is closed, the new
// one stands at the reset head placement, it is recorded as opened (the view frames it and
// hides the selection), and what the loader had to repair in the file (if anything) is shown.
bool loadIntoView(Document& doc, const std::filesystem::path& path, Prompt& prompt);

// loadIntoView in three steps, so that the reading, which can take long, may run on another
// thread while only the first and last steps touch the document and the process.
struct FaceRead {
    std::filesystem::path shownName;  // the path as it was given
    std::filesystem::path fileName;   // the same, absolute
    osg::ref_ptr<TarvFaceObject> face;  // none when the file could not be read
    RepairReport report;
};
// Makes the path absolute. Nothing is read.
FaceRead prepareFaceRead(const std::filesystem::path& path);
// Reads and repairs the face. Touches nothing but `read`; safe on any thread.
void readPreparedFace(FaceRead& read);
// Installs the face read as loadIntoView does, or says "Failed to load: " and the path.
bool installFaceRead(Document& doc, FaceRead& read, Prompt& prompt);

// Drops the comparison face and the current face and forgets the undo history; the file name
// becomes empty and the face unmodified.
void closeFace(Document& doc);

}  // namespace mw
