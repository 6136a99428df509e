#pragma once
// Subcommands of mienwright-cli. Each registers itself on the application and stores its
// exit status in `status` when it runs.

#include <filesystem>

#include <CLI/CLI.hpp>
#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw::cli {

// Exit statuses shared by every subcommand.
enum Status : int {
    kOk = 0,
    kLoadFailed = 1,
    kUnwritableFormat = 1,  // the output names a format the program does not write
    kWriteFailed = 2,
    kNoDisplay = 3,
    kBadArgument = 4,  // an argument names something the face does not have
};

void addInfoCommand(CLI::App& app, int& status);
void addConvertCommand(CLI::App& app, int& status);
void addRenderCommand(CLI::App& app, int& status);
void addThumbnailCommand(CLI::App& app, int& status);
void addCreateMorphCommand(CLI::App& app, int& status);
void addImportMorphsCommand(CLI::App& app, int& status);
void addNeckCommand(CLI::App& app, int& status);
void addMorphsCommand(CLI::App& app, int& status);

// Loads any face file the program reads; prints "Failed to load: PATH" on failure. The face
// is repaired before it is returned: each change is printed on stderr as "warning: ..." and,
// when `report` is given, added to it.
osg::ref_ptr<TarvFaceObject> loadInput(const std::filesystem::path& path, RepairReport* report = nullptr);

}  // namespace mw::cli
