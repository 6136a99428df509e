#include "cli/document_files.h"

#include <iostream>
#include <system_error>

#include "authoring/document_writing.h"
#include "authoring/view_document.h"
#include "cli/commands.h"

namespace mw::cli {

std::unique_ptr<Document> openDocument(const std::filesystem::path& base, Prompt& prompt)
{
    auto doc = std::make_unique<Document>();
    std::error_code error;
    const std::filesystem::path workingDirectory = std::filesystem::current_path(error);
    const bool loaded = loadIntoView(*doc, base, prompt);
    if (!error)
        std::filesystem::current_path(workingDirectory, error);
    return loaded ? std::move(doc) : nullptr;
}

int saveDocument(Document& doc, const std::filesystem::path& output, const std::string& shownName)
{
    if (!writeDocument(doc, output).written) {
        std::cerr << "Failed to save: " << shownName << '\n';
        return kWriteFailed;
    }
    return kOk;
}

}  // namespace mw::cli
