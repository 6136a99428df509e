#include <iostream>

#include "cli/commands.h"
#include "model/face_file.h"

namespace mw::cli {

osg::ref_ptr<TarvFaceObject> loadInput(const std::filesystem::path& path)
{
    osg::ref_ptr<TarvFaceObject> face = readFaceFile(path);
    if (!face)
        std::cerr << "Failed to load: " << path.string() << '\n';
    return face;
}

}  // namespace mw::cli
