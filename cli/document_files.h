#pragma once
// Opening a face file as a document and writing it back, for the subcommands that run the
// editor's authoring operations exactly as the editor does, without any view.

#include <filesystem>
#include <memory>
#include <string>

#include "authoring/document.h"
#include "authoring/prompt.h"

namespace mw::cli {

// A document with `base` loaded as the editor loads a face; "Failed to load: ", the path and the
// reason are said through `prompt` when it cannot be read, and the result is null. What the
// loader repaired is printed as one "warning: " line each.
std::unique_ptr<Document> openDocument(const std::filesystem::path& base, Prompt& prompt);

// The help of an output option: the formats by extension.
std::string outputHelp();

// False, after "error: cannot write OUTPUT: Mienwright writes .tvf, … files" on stderr, when
// `output` names a format the program does not write. Commands ask before loading anything.
bool isWritableOutput(const std::string& output);

// Writes the document's face as the editor saves it (writeDocument: the head placement baked
// in, the format the name asks for). Returns kOk, or kWriteFailed after "Failed to save: ",
// `shownName` (the path as the user gave it) and the reason. What the format could not hold is
// printed as one "warning: " line each.
int saveDocument(Document& doc, const std::filesystem::path& output, const std::string& shownName);

}  // namespace mw::cli
