#include "import/load_face.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <osgDB/FileNameUtils>

#include "import/gltf_reader.h"
#include "import/import_model_file.h"
#include "import/obj_reader.h"
#include "model/face_file.h"
#include "model/legacy_face.h"

namespace mw {
namespace {

constexpr const char* kNotAFace = "not a face file";

// Why `path` cannot be opened for reading at all, in the words the user knows; nothing when it can.
std::optional<std::string> unreadable(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
            return "no such file";
        case EACCES:
        case EPERM:
            return "no permission";
        case EISDIR:
            return "is a folder";
        default:
            return std::strerror(errno);
        }
    }
    struct stat info {};
    const bool folder = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(fd);
    if (folder)
        return "is a folder";
    return std::nullopt;
}

void addChanges(RepairReport* report, const RepairReport& repairs)
{
    if (report)
        report->changes.insert(report->changes.end(), repairs.changes.begin(), repairs.changes.end());
}

osg::ref_ptr<TarvFaceObject> loadNativeFace(const std::filesystem::path& path, RepairReport* report)
{
    FaceTextEnd end;
    osg::ref_ptr<TarvFaceObject> face = readFaceFile(path, &end);
    if (!face) {
        if (report)
            report->failure = end.readError ? "the file could not be read to its end" : kNotAFace;
        return face;
    }
    // What is there is kept, as the format's readers always have; the user must know it is not all.
    if (end.early && report)
        report->changes.push_back(std::string(kEndsEarly));
    addChanges(report, repairFace(*face));
    return face;
}

}  // namespace

osg::ref_ptr<TarvFaceObject> loadFace(const std::filesystem::path& path, RepairReport* report)
{
    if (const std::optional<std::string> why = unreadable(path)) {
        if (report)
            report->failure = *why;
        return nullptr;
    }
    const std::string name = path.string();
    const std::string extension = osgDB::getFileExtension(name);
    osg::ref_ptr<TarvFaceObject> face;
    if (osgDB::equalCaseInsensitive(extension, "tvf"))
        return loadNativeFace(path, report);
    if (osgDB::equalCaseInsensitive(extension, "txt"))
        face = readLegacyFace(path, report);
    else if (osgDB::equalCaseInsensitive(extension, "gltf") || osgDB::equalCaseInsensitive(extension, "glb"))
        face = readGltfFile(path, report, report ? &report->failure : nullptr);
    else if (osgDB::equalCaseInsensitive(extension, "obj"))
        face = readObjFile(path, report, report ? &report->failure : nullptr);
    else
        face = importModelFile(path, report);
    if (!face && report && report->failure.empty())
        report->failure = kNotAFace;
    return face;
}

std::string loadFailureMessage(const std::filesystem::path& shown, const RepairReport& report)
{
    std::string text = "Failed to load: " + shown.string();
    if (!report.failure.empty())
        text += " (" + report.failure + ")";
    return text;
}

}  // namespace mw
