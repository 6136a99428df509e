#include "cli/document_files.h"

#include <iostream>

#include "authoring/document_writing.h"
#include "authoring/view_document.h"
#include "cli/commands.h"
#include "model/write_failure.h"
#include "import/save_face_file.h"

namespace mw::cli {

std::unique_ptr<Document> openDocument(const std::filesystem::path& base, Prompt& prompt)
{
    auto doc = std::make_unique<Document>();
    // As loadIntoView, but each repair is a warning line of its own, as every command prints them.
    FaceRead read = prepareFaceRead(base);
    readPreparedFace(read);
    if (read.face) {
        for (const std::string& change : read.report.changes)
            std::cerr << "warning: " << change << '\n';
        read.report.changes.clear();
    }
    const bool loaded = !base.empty() && installFaceRead(*doc, read, prompt);
    return loaded ? std::move(doc) : nullptr;
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
    const DocumentWrite write = writeDocument(doc, output);
    for (const std::string& warning : write.warnings)
        std::cerr << "warning: " << warning << '\n';
    if (!write.written) {
        std::cerr << saveFailureMessage(shownName, write.failure.empty() ? writeFailureReason(write.error) : write.failure)
                  << '\n';
        return kWriteFailed;
    }
    return kOk;
}

}  // namespace mw::cli
