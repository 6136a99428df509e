#include "authoring/document_writing.h"

#include <cctype>

#include "authoring/face_editing.h"
#include "import/embedded_images.h"
#include "import/obj_morph_export.h"
#include "import/save_face_file.h"
#include "model/write_failure.h"
#include "model/file_directory.h"

namespace mw {

namespace {

// Texture names that are not absolute name files beside the document's file.
std::filesystem::path textureFolder(const Document& doc)
{
    return faceFolder(doc.fileName);
}

}  // namespace

DocumentWrite writeDocument(Document& doc, const std::filesystem::path& path)
{
    DocumentWrite write;
    if (!hasFace(doc)) {
        write.failure = "No face is open.";
        return write;
    }
    commitHeadTransform(doc);
    write.written = saveFaceFile(path, *doc.face, textureFolder(doc), &write.warnings, &write.failure, &write.error);
    return write;
}

DocumentWrite writeDocumentMorphs(Document& doc, const std::filesystem::path& folder,
                                  std::vector<std::filesystem::path>* written)
{
    DocumentWrite write;
    if (!hasFace(doc)) {
        write.failure = "No face is open.";
        return write;
    }
    commitHeadTransform(doc);
    const std::string restName = doc.fileName.empty() ? "face" : doc.fileName.stem().string();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // The OBJ files name texture files; images that came inside the face file get one first.
    if (!keepEmbeddedTextures(*doc.face, folder / (restName + ".obj"), &write.failure, true))
        return write;
    MorphExportReport report;
    write.written = exportMorphsAsObj(*doc.face, folder, restName, textureFolder(doc), &report);
    write.failure = std::move(report.failure);
    write.warnings = std::move(report.warnings);
    if (written)
        *written = std::move(report.written);
    return write;
}

std::string writeFailureReason(const DocumentWrite& write)
{
    // The system's reason, when there is one, in a sentence; else the writer's words.
    if (write.error || write.failure.empty())
        return saveFailureReason(write.error);
    return write.failure;
}

std::string saveFailureReason(const std::error_code& error)
{
    // The command-line tool's words, as a sentence.
    std::string sentence = writeFailureReason(error) + ".";
    sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
    return sentence;
}

}  // namespace mw
