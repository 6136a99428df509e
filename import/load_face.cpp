#include "import/load_face.h"

#include <osgDB/FileNameUtils>

#include "import/gltf_reader.h"
#include "import/import_model_file.h"
#include "import/obj_reader.h"
#include "model/face_file.h"
#include "model/legacy_face.h"

namespace mw {

osg::ref_ptr<TarvFaceObject> loadFace(const std::filesystem::path& path, RepairReport* report)
{
    const std::string name = path.string();
    const std::string extension = osgDB::getFileExtension(name);
    if (osgDB::equalCaseInsensitive(extension, "tvf")) {
        osg::ref_ptr<TarvFaceObject> face = readFaceFile(path);
        if (face) {
            RepairReport repairs = repairFace(*face);
            if (report)
                report->changes.insert(report->changes.end(), repairs.changes.begin(), repairs.changes.end());
        }
        return face;
    }
    if (osgDB::equalCaseInsensitive(extension, "txt"))
        return readLegacyFace(path, report);
    if (osgDB::equalCaseInsensitive(extension, "gltf") || osgDB::equalCaseInsensitive(extension, "glb"))
        return readGltfFile(path, report, report ? &report->failure : nullptr);
    if (osgDB::equalCaseInsensitive(extension, "obj"))
        return readObjFile(path, report, report ? &report->failure : nullptr);
    return importModelFile(path, report);
}

}  // namespace mw
