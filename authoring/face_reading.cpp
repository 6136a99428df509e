#include "authoring/face_reading.h"

#include <exception>

#include "import/load_face.h"

namespace mw {

osg::ref_ptr<TarvFaceObject> readAnyFace(const std::filesystem::path& path, RepairReport& report)
{
    try {
        return loadFace(path, &report);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::string repairSummary(const std::filesystem::path& path, const RepairReport& report)
{
    std::string text = "Some parts of " + path.string() + " could not be used and were repaired:";
    for (const std::string& change : report.changes)
        text += "\n- " + change;
    return text;
}

}  // namespace mw
