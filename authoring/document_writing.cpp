#include "authoring/document_writing.h"

#include <cerrno>

#include "authoring/face_editing.h"
#include "import/save_face_file.h"
#include "model/file_directory.h"

namespace mw {

DocumentWrite writeDocument(Document& doc, const std::filesystem::path& path)
{
    DocumentWrite write;
    if (!hasFace(doc)) {
        write.failure = "No face is open.";
        return write;
    }
    commitHeadTransform(doc);
    write.written =
        saveFaceFile(path, *doc.face, faceFolder(doc.fileName), &write.warnings, &write.failure, &write.error);
    return write;
}

std::string writeFailureReason(const DocumentWrite& write)
{
    // The writer's stock words for a file it could not write give way to the system's reason.
    if (write.error || write.failure.empty() || write.failure == "the file cannot be written")
        return saveFailureReason(write.error);
    return write.failure;
}

std::string saveFailureReason(const std::error_code& error)
{
    switch (error.value()) {
    case ENOSPC:
    case EDQUOT:
        return "The disk is full.";
    case EACCES:
    case EPERM:
        return "You do not have permission to write there.";
    case EROFS:
        return "The disk is read-only.";
    case ENOENT:
    case ENOTDIR:
        return "The folder does not exist.";
    case EISDIR:
        return "A folder has that name.";
    default:
        return error ? error.message() + "." : "The file could not be written.";
    }
}

}  // namespace mw
