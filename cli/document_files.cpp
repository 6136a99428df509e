#include "cli/document_files.h"

#include <iostream>

#include "authoring/document_writing.h"
#include "authoring/view_document.h"
#include "cli/commands.h"
#include "import/save_face_file.h"

namespace mw::cli {

std::unique_ptr<Document> openDocument(const std::filesystem::path& base, Prompt& prompt)
{
    auto doc = std::make_unique<Document>();
    return loadIntoView(*doc, base, prompt) ? std::move(doc) : nullptr;
}

std::string outputHelp()
{
    return "file to write, in the format its extension names (" + writableFormatsSentence() + ")";
}

bool isWritableOutput(const std::string& output)
{
    if (isWritableFacePath(output))
        return true;
    std::cerr << "error: cannot write " << output << ": " << writableFormatsSentence() << '\n';
    return false;
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
