// mienwright-cli export-morphs: one OBJ per morph, as face kits ship expressions.

#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "import/obj_morph_export.h"

namespace mw::cli {
namespace {

struct ExportMorphsArgs {
    std::string face;
    std::string folder;
};

int exportMorphs(const ExportMorphsArgs& args)
{
    const osg::ref_ptr<TarvFaceObject> face = loadInput(args.face);
    if (!face)
        return kLoadFailed;
    std::filesystem::path textureDir = std::filesystem::path(args.face).parent_path();
    if (textureDir.empty())
        textureDir = ".";
    MorphExportReport report;
    const bool done =
        exportMorphsAsObj(*face, args.folder, std::filesystem::path(args.face).stem().string(), textureDir, &report);
    for (const std::string& warning : report.warnings)
        std::cerr << "warning: " << warning << '\n';
    if (!done) {
        std::cerr << "Failed to save: " << report.failure << '\n';
        return kWriteFailed;
    }
    std::cout << "wrote " << report.written.size() << " OBJ files (" << face->morphs.size() << " morphs)\n";
    return kOk;
}

}  // namespace

void addExportMorphsCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("export-morphs",
                                   "Write DIR/FACE.obj (the face at rest) and DIR/MORPH.obj for every morph (the face "
                                   "with that morph at weight 1, same vertex list), as face kits ship expressions");
    auto args = std::make_shared<ExportMorphsArgs>();
    cmd->add_option("FACE", args->face, "face whose morphs are exported")->required();
    cmd->add_option("DIR", args->folder, "folder to write the OBJ files into (made when missing)")->required();
    cmd->callback([args, &status] { status = exportMorphs(*args); });
}

}  // namespace mw::cli
