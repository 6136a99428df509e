#pragma once
// "Create Morph": bringing a second face into the view to compare the current face with.

#include <filesystem>

#include <osg/ref_ptr>

#include "authoring/document.h"
#include "authoring/prompt.h"
#include "model/face.h"

namespace mw {

// Makes `face` the comparison face, in place of any earlier one; the translate and scale
// modes now place it. The head placement is baked into the current face first. The camera is
// to frame the scene, the comparison face is scaled onto the current face (autoScale) and the
// difference is highlighted. Nothing without a current face.
void installComparisonFace(Document& doc, osg::ref_ptr<TarvFaceObject> face, Prompt& prompt);

// Reads the comparison face from `fileName` (any format the editor opens) and installs it.
// A file that cannot be read shows "Failed to load: " and the file name and leaves the
// document as it was, an earlier comparison face included; what had to be repaired in a readable file
// is said. True when the comparison face was installed.
bool loadComparisonFace(Document& doc, const std::filesystem::path& fileName, Prompt& prompt);

}  // namespace mw
