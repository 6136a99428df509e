#include "import/import_model_file.h"

#include <osgDB/ReadFile>

#include "import/face_converter_visitor.h"
#include "model/weld.h"

namespace mw {

osg::ref_ptr<TarvFaceObject> importSceneGraph(osg::Node& root, RepairReport* report)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    osg::ref_ptr<FaceConverterVisitor> visitor = new FaceConverterVisitor(*face);
    root.accept(*visitor);
    if (face->geometries.empty())
        return nullptr;
    // Malformed index arrays can leave corners that point nowhere; they go before welding.
    RepairReport repairs = repairFace(*face);
    if (report)
        report->changes.insert(report->changes.end(), repairs.changes.begin(), repairs.changes.end());
    weldFace(*face);
    return face;
}

osg::ref_ptr<TarvFaceObject> importModelFile(const std::filesystem::path& path, RepairReport* report)
{
    const osg::ref_ptr<osg::Node> root = osgDB::readRefNodeFile(path.string());
    if (!root)
        return nullptr;
    return importSceneGraph(*root, report);
}

}  // namespace mw
