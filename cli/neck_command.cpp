// mienwright-cli neck: the editor's "Compute neck vertices".

#include <iostream>
#include <memory>

#include "authoring/neck_vertices.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/document_files.h"

namespace mw::cli {
namespace {

struct NeckArgs {
    std::string base;
    std::string output;
    int geometry = -1;  // none selected: the geometry with the most triangle corners
    bool yes = false;
};

int computeNeck(const NeckArgs& args)
{
    if (!isWritableOutput(args.output))
        return kUnwritableFormat;
    CliPrompt prompt(args.yes);
    const std::unique_ptr<Document> doc = openDocument(args.base, prompt);
    if (!doc)
        return kLoadFailed;
    const std::size_t geometries = doc->face->geometries.size();
    if (geometries == 0) {
        std::cerr << "The face has no geometries.\n";
        return kBadArgument;
    }
    if (args.geometry >= 0 && static_cast<std::size_t>(args.geometry) >= geometries) {
        std::cerr << "No geometry " << args.geometry << ": the face has " << geometries << " geometries\n";
        return kBadArgument;
    }
    const int computed = computeNeckVertices(*doc, args.geometry, prompt);
    if (computed < 0) {
        std::cerr << "Nothing written: pass --yes to compute the neck vertices of geometry " << args.geometry << '\n';
        return kBadArgument;
    }
    const FaceGeom& geometry = *doc->face->geometries[static_cast<std::size_t>(computed)];
    std::cout << "geometry " << computed << " \"" << geometry.name << "\": " << geometry.clampIndices.size()
              << " neck vertices\n";
    return saveDocument(*doc, args.output, args.output);
}

}  // namespace

void addNeckCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand(
        "neck", "Compute neck vertices: replace a geometry's neck vertices by the vertices of its open border "
                "(those in at most four triangle corners)");
    auto args = std::make_shared<NeckArgs>();
    cmd->add_option("BASE", args->base, "face to compute the neck vertices of")->required();
    cmd->add_option("-o,--output", args->output, outputHelp())->required();
    cmd->add_option("--geometry", args->geometry,
                    "geometry index (default: the one with the most triangle corners); another geometry "
                    "than that one needs --yes")
        ->check(CLI::NonNegativeNumber);
    cmd->add_flag("-y,--yes", args->yes,
                  "answer Yes to \"Are you sure the currently selected geometry contains the neck vertices?\"");
    cmd->callback([args, &status] { status = computeNeck(*args); });
}

}  // namespace mw::cli
