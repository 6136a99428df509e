#include "import/import_model_file.h"

#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include "import/face_converter_visitor.h"
#include "import/standard_output_guard.h"
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
    // The OBJ reader would otherwise rebuild its triangles into strips, in an order that depends
    // on which positions coincide; expressions of one rig then list their triangles differently
    // and cannot be paired corner by corner. Strips gain nothing here: everything is triangles.
    const osgDB::Options* defaults = osgDB::Registry::instance()->getOptions();
    const osg::ref_ptr<osgDB::Options> options = defaults ? defaults->cloneOptions() : new osgDB::Options;
    const std::string given = options->getOptionString();
    options->setOptionString(given.empty() ? "noTriStripPolygons" : given + " noTriStripPolygons");
    osg::ref_ptr<osg::Node> root;
    {
        const StandardOutputToError quiet;  // plug-ins that print do so on standard error
        root = osgDB::readRefNodeFile(path.string(), options.get());
    }
    if (!root)
        return nullptr;
    return importSceneGraph(*root, report);
}

}  // namespace mw
