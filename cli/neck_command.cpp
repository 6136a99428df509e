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
    long long geometry = -1;
    bool geometryGiven = false;  // without one: the geometry with the most triangle corners
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
        std::cerr << "The face has no geometries\n";
        return kBadArgument;
    }
    const std::string range = geometries == 1 ? "only geometry 0" : "geometries 0 to " + std::to_string(geometries - 1);
    if (args.geometryGiven && args.geometry < 0) {
        std::cerr << "error: --geometry: " << args.geometry << " is not a geometry index (the face has " << range
                  << ")\n";
        return kInvalidArgument;
    }
    if (args.geometryGiven && static_cast<unsigned long long>(args.geometry) >= geometries) {
        std::cerr << "No geometry " << args.geometry << ": the face has " << range << '\n';
        return kBadArgument;
    }
    const int chosen = args.geometryGiven ? static_cast<int>(args.geometry) : -1;
    const int computed = computeNeckVertices(*doc, chosen, prompt);
    if (computed < 0) {
        std::cerr << "Nothing written: pass --yes to compute the neck vertices of geometry " << chosen << '\n';
        return kInvalidArgument;
    }
    const int status = saveDocument(*doc, args.output, args.output);
    if (status != kOk)
        return status;
    // Said only once it is saved.
    const FaceGeom& geometry = *doc->face->geometries[static_cast<std::size_t>(computed)];
    std::cout << "geometry " << computed << " \"" << geometry.name << "\": " << geometry.clampIndices.size()
              << (geometry.clampIndices.size() == 1 ? " neck vertex\n" : " neck vertices\n");
    return kOk;
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
    CLI::Option* geometry = cmd->add_option("--geometry", args->geometry,
                                            "geometry index, 0 for the first (default: the one with the most "
                                            "triangle corners); another geometry than that one needs --yes");
    cmd->add_flag("-y,--yes", args->yes,
                  "answer Yes to \"Are you sure the currently selected geometry contains the neck vertices?\"");
    cmd->callback([args, geometry, &status] {
        args->geometryGiven = geometry->count() > 0;
        status = computeNeck(*args);
    });
}

}  // namespace mw::cli
