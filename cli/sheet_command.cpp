// mienwright-cli sheet: a contact sheet of a face's morphs, each drawn at weight 1 and labelled.

#include <iostream>
#include <sstream>

#include <osgDB/FileNameUtils>
#include <osgDB/Registry>

#include "authoring/morph_sheet.h"
#include "cli/commands.h"
#include "cli/picture_file.h"
#include "model/atomic_file.h"
#include "model/face_operations.h"
#include "model/file_directory.h"
#include "model/write_failure.h"
#include "render/contact_sheet.h"
#include "render/offscreen_render.h"
#include "render/tarv_face_renderer.h"

namespace mw::cli {
namespace {

struct SheetArgs {
    std::string file;
    std::string output;
    unsigned tile = 160;
    unsigned columns = 0;
    bool arkit = false;
};

int writeSheet(const SheetArgs& args)
{
    if (!canWritePicture(args.output))
        return kWriteFailed;
    const osg::ref_ptr<TarvFaceObject> face = loadInput(args.file);
    if (!face)
        return kLoadFailed;
    const std::vector<SheetTile> tiles = morphSheetTiles(*face, args.arkit);
    if (tiles.empty()) {
        std::cerr << args.file << " has no morphs\n";
        return kBadArgument;
    }
    std::string error;
    const std::unique_ptr<OffscreenRenderer> renderer = openOffscreenRenderer(args.tile, args.tile, error);
    if (!renderer) {
        std::cerr << "Cannot render " << args.file << ": " << error << '\n';
        return kNoDisplay;
    }
    resetMorphWeights(*face);
    const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get(), faceFolder(args.file));
    const osg::ref_ptr<osg::Image> sheet = drawContactSheet(*renderer, *node, tiles, args.columns);
    if (!sheet) {
        std::cerr << "Cannot render " << args.file << ": OpenGL returned no image\n";
        return kNoDisplay;
    }
    return writePicture(*sheet, args.output);
}

}  // namespace

void addSheetCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("sheet", "Write a contact sheet of a face's morphs: each at weight 1 from the front, "
                                            "labelled, in a grid; drawn without a display when there is none");
    auto args = std::make_shared<SheetArgs>();
    cmd->add_option("FACE", args->file, "face whose morphs are drawn")->required();
    cmd->add_option("OUT", args->output, "image to write (.png)")->required();
    cmd->add_option("--tile", args->tile, "side of each tile's picture in pixels, 32 to 1024")
        ->capture_default_str()
        ->check(CLI::Range(32u, 1024u));
    cmd->add_option("--columns", args->columns, "tiles across (default: about as many as down)")
        ->check(CLI::Range(1u, 1000u));
    cmd->add_flag("--arkit", args->arkit,
                  "ARKit's 52 shapes in ARKit's order, empty labelled tiles for the missing ones, then the extras");
    cmd->callback([args, &status] { status = writeSheet(*args); });
}

}  // namespace mw::cli
