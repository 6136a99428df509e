#pragma once
// Subcommands of mienwright-cli. Each registers itself on the application and stores its
// exit status in `status` when it runs.

#include <filesystem>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>
#include <osg/ref_ptr>

#include "model/face.h"
#include "model/repair_face.h"

namespace mw::cli {

// Exit statuses shared by every subcommand.
enum Status : int {
    kOk = 0,
    kLoadFailed = 1,
    kInvalidArgument = 1,  // a malformed argument or a value outside its domain
    kUnwritableFormat = 1,  // the output names a format the program does not write
    kWriteFailed = 2,
    kNoDisplay = 3,
    kBadArgument = 4,  // an argument names something the face does not have (or a name it has taken)
};

void addInfoCommand(CLI::App& app, int& status);
void addConvertCommand(CLI::App& app, int& status);
void addRenderCommand(CLI::App& app, int& status);
void addThumbnailCommand(CLI::App& app, int& status);
void addCreateMorphCommand(CLI::App& app, int& status);
void addImportMorphsCommand(CLI::App& app, int& status);
void addNeckCommand(CLI::App& app, int& status);
void addMorphsCommand(CLI::App& app, int& status);
void addArkitCommand(CLI::App& app, int& status);
void addSheetCommand(CLI::App& app, int& status);
void addExportMorphsCommand(CLI::App& app, int& status);
void addTransferMorphsCommand(CLI::App& app, int& status);

// Loads any face file the program reads; prints "Failed to load: PATH" on failure. The face
// is repaired before it is returned: each change is printed on stderr as "warning: ..." and,
// when `report` is given, added to it.
osg::ref_ptr<TarvFaceObject> loadInput(const std::filesystem::path& path, RepairReport* report = nullptr);

// Why `name` cannot be given to a new or renamed morph: it is empty, or breaks the editor's
// rule for names (one word, no braces). Nothing when it can.
std::optional<std::string> morphNameRefusal(const std::string& name);

// A message of the editor, which may run over several lines, as the one line an error is here.
std::string oneLine(std::string text);

}  // namespace mw::cli
