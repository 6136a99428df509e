// mienwright-cli render: draws a face offscreen with the editor's renderer and writes an image.

#include <charconv>
#include <cmath>
#include <iostream>
#include <map>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include <osgDB/FileNameUtils>
#include <osgDB/Registry>

#include "cli/commands.h"
#include "cli/named_option.h"
#include "cli/picture_file.h"
#include "model/atomic_file.h"
#include "model/face_operations.h"
#include "model/file_directory.h"
#include "model/write_failure.h"
#include "render/offscreen_render.h"
#include "render/tarv_face_renderer.h"

namespace mw::cli {
namespace {

constexpr unsigned kMaxSide = 8192;

struct RenderArgs {
    std::string file;
    std::string output;
    std::string size = "512x512";
    std::vector<std::string> weights;
    UpAxis up = UpAxis::Y;
    ViewDirection view = ViewDirection::Front;
    bool restNormals = false;
};

bool parseUnsigned(std::string_view text, unsigned& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseSize(std::string_view text, unsigned& width, unsigned& height)
{
    const auto x = text.find_first_of("xX");
    return x != std::string_view::npos && parseUnsigned(text.substr(0, x), width) &&
           parseUnsigned(text.substr(x + 1), height) && width > 0 && height > 0 && width <= kMaxSide &&
           height <= kMaxSide;
}

// NAME=W, split at the last '=' so that a morph name may itself contain one.
bool parseWeight(std::string_view text, std::string& name, float& weight)
{
    const auto eq = text.rfind('=');
    if (eq == std::string_view::npos)
        return false;
    const std::string_view value = text.substr(eq + 1);
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), weight);
    if (ec != std::errc() || end != value.data() + value.size() || !std::isfinite(weight))
        return false;
    name = text.substr(0, eq);
    return true;
}

// Sets every morph named like a requested weight; false (after a message) for a name no
// morph carries, since a silently neutral picture would hide the typing mistake.
bool applyWeights(TarvFaceObject& face, const RenderArgs& args)
{
    for (const std::string& request : args.weights) {
        std::string name;
        float weight = 0.0f;
        parseWeight(request, name, weight);
        bool found = false;
        for (std::size_t i = 0; i < face.morphs.size(); ++i)
            if (face.morphs[i]->name == name) {
                setMorphWeight(face, static_cast<int>(i), weight);
                found = true;
            }
        if (!found) {
            std::cerr << "No morph named \"" << name << "\" in " << args.file << '\n';
            return false;
        }
    }
    return true;
}

int renderFace(const RenderArgs& args)
{
    unsigned width = 0, height = 0;
    parseSize(args.size, width, height);
    if (!canWritePicture(args.output))
        return kWriteFailed;

    const osg::ref_ptr<TarvFaceObject> face = loadInput(args.file);
    if (!face)
        return kLoadFailed;
    if (!applyWeights(*face, args))
        return kBadArgument;
    // Without OpenGL there is nothing to draw with: say so before textures are read.
    std::string error;
    const std::unique_ptr<OffscreenRenderer> renderer = openOffscreenRenderer(width, height, error);
    if (!renderer) {
        std::cerr << "Cannot render " << args.file << ": " << error << '\n';
        return kNoDisplay;
    }

    // Texture names in a face file are relative to the file, as in the editor.
    const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get(), faceFolder(args.file));
    node->setMorphedNormals(!args.restNormals);
    const osg::ref_ptr<osg::Image> image = captureHead(*renderer, node.get(), args.view, args.up);
    if (!image) {
        std::cerr << "Cannot render " << args.file << ": OpenGL returned no image\n";
        return kNoDisplay;
    }

    return writePicture(*image, args.output);
}

// --up and --view, shared by render and thumbnail.
void addCameraOptions(CLI::App& cmd, RenderArgs& args)
{
    addNamedOption(cmd, "--up", args.up, {{"y", UpAxis::Y}, {"z", UpAxis::Z}},
                   "the up axis of the face as loaded: y (default; the editor's world: .tvf, glTF and OBJ faces) or z (faces "
                   "that stand along +Z, as some plugin formats load)");
    addNamedOption(cmd, "--view", args.view,
                   {{"front", ViewDirection::Front},
                    {"side", ViewDirection::Side},
                    {"top", ViewDirection::Top},
                    {"three-quarter", ViewDirection::ThreeQuarter}},
                   "where the picture is taken from: front (default), side, top or three-quarter");
}

}  // namespace

void addRenderCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("render", "Draw a face offscreen with the editor's renderer and write a PNG");
    auto args = std::make_shared<RenderArgs>();
    cmd->add_option("FILE", args->file, "face to draw")->required();
    cmd->add_option("-o,--output", args->output, "image to write (.png)")->required();
    cmd->add_option("--size", args->size, "image size WxH, each side 1 to 8192")
        ->capture_default_str()
        ->check(CLI::Validator(
            [](std::string& text) {
                unsigned w = 0, h = 0;
                return parseSize(text, w, h) ? std::string() : "expected WxH with sides from 1 to 8192, got " + text;
            },
            "WxH"));
    cmd->add_option("--weight", args->weights, "NAME=W: weight W for every morph named NAME (repeatable)")
        ->allow_extra_args(false)
        ->check(CLI::Validator(
            [](std::string& text) {
                std::string name;
                float weight = 0.0f;
                return parseWeight(text, name, weight) ? std::string() : "expected NAME=W with a finite number W, got " + text;
            },
            "NAME=W"));
    cmd->add_flag("--rest-normals", args->restNormals,
                  "shade with the rest pose's normals instead of the morphed surface's, as the editor does with "
                  "View > Morphed Normals off");
    addCameraOptions(*cmd, *args);
    cmd->callback([args, &status] { status = renderFace(*args); });
}

void addThumbnailCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("thumbnail", "Write a file manager's thumbnail of a face: a SIZE x SIZE PNG "
                                                "of its front, drawn without a display when there is none");
    auto args = std::make_shared<RenderArgs>();
    auto side = std::make_shared<unsigned>(0);
    cmd->add_option("IN", args->file, "face to draw")->required();
    cmd->add_option("OUT", args->output, "image to write (.png)")->required();
    cmd->add_option("SIZE", *side, "width and height in pixels, 1 to 8192")
        ->required()
        ->check(CLI::Range(1u, kMaxSide));
    addCameraOptions(*cmd, *args);
    cmd->callback([args, side, &status] {
        args->size = std::to_string(*side) + "x" + std::to_string(*side);
        status = renderFace(*args);
    });
}

}  // namespace mw::cli
