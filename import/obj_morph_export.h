#pragma once
// Exports a face's morphs the way face kits ship expressions: one OBJ per morph, each the
// face with that morph at weight 1 and the same vertex list, beside one OBJ of the face at
// rest. All of them name the rest file's material library.

#include <filesystem>
#include <string>
#include <vector>

#include "model/face.h"

namespace mw {

struct MorphExportReport {
    std::vector<std::filesystem::path> written;  // the OBJ files, the rest pose first
    std::vector<std::string> warnings;
    std::string failure;  // why the export stopped
};

// Writes `folder`/`restName`.obj (with `restName`.mtl) and `folder`/MORPH.obj for every morph,
// creating the folder when needed. Morph names become file names (blanks, slashes and control
// characters turn into '_'; a name already taken gets "_2", "_3", ...). Texture names that are
// not absolute are looked up in `textureDir`. Stops at the first file that cannot be written
// and returns false; the files written before it stay.
bool exportMorphsAsObj(const TarvFaceObject& face, const std::filesystem::path& folder, const std::string& restName,
                       const std::filesystem::path& textureDir, MorphExportReport* report = nullptr);

// The file name (without ".obj") that morph `index` named `name` gets; `taken` holds the names
// given so far, compared without regard to case, and receives this one.
std::string morphFileStem(const std::string& name, std::size_t index, std::vector<std::string>& taken);

}  // namespace mw
