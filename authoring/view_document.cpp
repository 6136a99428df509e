#include "authoring/view_document.h"

#include <system_error>

#include "authoring/comparison_face.h"
#include "authoring/face_reading.h"
#include "import/load_face.h"
#include "model/file_directory.h"

namespace mw {

namespace {

std::filesystem::path absoluteFrom(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal();
}

}  // namespace

bool loadIntoView(Document& doc, const std::filesystem::path& path, Prompt& prompt)
{
    if (path.empty())
        return false;
    FaceRead read = prepareFaceRead(path);
    readPreparedFace(read);
    return installFaceRead(doc, read, prompt);
}

FaceRead prepareFaceRead(const std::filesystem::path& path)
{
    FaceRead read;
    read.shownName = path;
    if (path.empty())
        return read;
    read.fileName = absoluteFrom(path);
    return read;
}

void readPreparedFace(FaceRead& read)
{
    if (!read.fileName.empty())
        read.face = readAnyFace(read.fileName, read.report);
}

bool installFaceRead(Document& doc, FaceRead& read, Prompt& prompt)
{
    if (read.fileName.empty())
        return false;
    if (!read.face) {
        prompt.failure(loadFailureMessage(read.shownName, read.report));
        return false;
    }
    closeFace(doc);
    doc.face = read.face;
    doc.fileName = read.fileName;
    if (!read.report.empty())
        prompt.message(repairSummary(read.shownName, read.report));
    return true;
}

void closeFace(Document& doc)
{
    cancelMorphTarget(doc);
    doc.face = nullptr;
    doc.fileName.clear();
    doc.head = {};
    clearHistory(doc);
    doc.changes = {};
    doc.changes.add(document_change::kFace | document_change::kOpened | document_change::kPlacement);
}

}  // namespace mw
