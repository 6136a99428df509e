#include <iostream>

#include "cli/commands.h"
#include "import/save_face_file.h"
#include "model/write_failure.h"

namespace mw::cli {

void addConvertCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("convert", "Load any face file and write it as .tvf, .glb, .gltf or .obj");
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    cmd->add_option("IN", *in, "face to read")->required();
    cmd->add_option("OUT", *out, "file to write: .glb or .gltf for glTF 2.0, .obj for Wavefront OBJ (with its .mtl), anything else .tvf")->required();
    cmd->callback([in, out, &status] {
        const osg::ref_ptr<TarvFaceObject> face = loadInput(*in);
        if (!face) {
            status = kLoadFailed;
            return;
        }
        std::vector<std::string> warnings;
        std::string failure;
        std::filesystem::path textureDir = std::filesystem::path(*in).parent_path();
        if (textureDir.empty())
            textureDir = ".";
        const bool written = saveFaceFile(*out, *face, textureDir, &warnings, &failure);
        for (const std::string& warning : warnings)
            std::cerr << "warning: " << warning << '\n';
        if (!written) {
            std::cerr << saveFailureMessage(*out, failure) << '\n';
            status = kWriteFailed;
            return;
        }
        status = kOk;
    });
}

}  // namespace mw::cli
