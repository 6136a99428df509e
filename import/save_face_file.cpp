#include "import/save_face_file.h"

#include <array>

#include <osgDB/FileNameUtils>

#include "import/embedded_images.h"
#include "import/gltf_writer.h"
#include "import/obj_reader.h"
#include "import/obj_writer.h"
#include "model/face_file.h"
#include "model/write_failure.h"

namespace mw {

namespace {

// Every format saveFaceFile writes, one entry each.
constexpr std::array<std::string_view, 4> kWritableFormats{
    ".tvf",
    ".glb",
    ".gltf",
    ".obj",
};

}  // namespace

std::span<const std::string_view> writableFaceFormats() { return kWritableFormats; }

bool isWritableFacePath(const std::filesystem::path& path)
{
    const std::string extension = path.extension().string();
    for (const std::string_view format : kWritableFormats)
        if (osgDB::equalCaseInsensitive(extension, std::string(format)))
            return true;
    return false;
}

std::string writableFormatsSentence()
{
    std::string sentence = "Mienwright writes ";
    for (std::size_t i = 0; i < kWritableFormats.size(); ++i) {
        if (i > 0)
            sentence += i + 1 == kWritableFormats.size() ? " and " : ", ";
        sentence += kWritableFormats[i];
    }
    return sentence + " files";
}

bool isGltfPath(const std::filesystem::path& path)
{
    const std::string extension = osgDB::getFileExtension(path.string());
    return osgDB::equalCaseInsensitive(extension, "glb") || osgDB::equalCaseInsensitive(extension, "gltf");
}

bool saveFaceFile(const std::filesystem::path& path, TarvFaceObject& face, const std::filesystem::path& textureDir,
                  std::vector<std::string>* warnings, std::string* failure, std::error_code* error)
{
    std::string why;
    bool written = false;
    if (!isWritableFacePath(path)) {
        why = writableFormatsSentence();
    } else if (isGltfPath(path)) {
        GltfWriteReport report;
        written = writeGltfFile(path, face, textureDir, &report);
        why = report.failure;
        if (warnings)
            warnings->insert(warnings->end(), report.warnings.begin(), report.warnings.end());
    } else if (isObjPath(path)) {
        ObjWriteReport report;
        // An OBJ is always an export, never the face's own file: the texture files it gets are
        // named absolutely, so the face (and the OBJ writer, which looks in `textureDir`) finds them.
        written = keepEmbeddedTextures(face, path, &why, true) && writeObjFile(path, face, textureDir, &report);
        if (why.empty())
            why = report.failure;
        if (warnings)
            warnings->insert(warnings->end(), report.warnings.begin(), report.warnings.end());
    } else {
        std::error_code code;
        written = keepEmbeddedTextures(face, path, &why) && writeFaceFile(path, face, code);
        if (!written && why.empty())
            why = writeFailureReason(code);
        if (!written && error)
            *error = code;
    }
    if (!written && failure)
        *failure = why;
    return written;
}

}  // namespace mw
