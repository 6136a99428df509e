#include <iostream>

#include "cli/commands.h"
#include "import/load_face.h"

namespace mw::cli {

osg::ref_ptr<TarvFaceObject> loadInput(const std::filesystem::path& path, RepairReport* report)
{
    RepairReport repairs;
    osg::ref_ptr<TarvFaceObject> face = loadFace(path, &repairs);
    if (!face) {
        std::cerr << loadFailureMessage(path, repairs) << '\n';
        return face;
    }
    for (const std::string& change : repairs.changes)
        std::cerr << "warning: " << change << '\n';
    if (report)
        report->changes.insert(report->changes.end(), repairs.changes.begin(), repairs.changes.end());
    return face;
}

}  // namespace mw::cli
