#include <iostream>

#include "cli/commands.h"
#include "model/face_file.h"

namespace mw::cli {

void addConvertCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("convert", "Load any face file and write it as .tvf");
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    cmd->add_option("IN", *in, "face to read")->required();
    cmd->add_option("OUT", *out, ".tvf file to write")->required();
    cmd->callback([in, out, &status] {
        const osg::ref_ptr<TarvFaceObject> face = loadInput(*in);
        if (!face) {
            status = kLoadFailed;
            return;
        }
        if (!writeFaceFile(*out, *face)) {
            std::cerr << "Failed to save: " << *out << '\n';
            status = kWriteFailed;
            return;
        }
        status = kOk;
    });
}

}  // namespace mw::cli
