// mienwright-cli create-morph: the editor's "Create Morph" and "Generate morph target", for one
// expression or many.

#include <cmath>
#include <iostream>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "authoring/morph_batch.h"
#include "authoring/morph_extraction.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/document_files.h"

namespace mw::cli {
namespace {

struct CreateMorphArgs {
    std::string base;
    std::vector<std::string> others;
    std::string output;
    std::string name;
    float threshold = kDefaultMorphThreshold;
    ComparisonAlignment alignment = ComparisonAlignment::Fit;
};

// A name the .tvf format can hold: one token that neither opens nor closes a block.
bool isStorableName(std::string_view name)
{
    return !name.empty() && name.find_first_of(" \t\r\n") == std::string_view::npos && name != "{" && name != "}";
}

void reportStep(std::size_t done, std::size_t total, const MorphFromFile& step)
{
    for (const std::string& change : step.repairs.changes)
        std::cerr << "warning: " << step.file.string() << ": " << change << '\n';
    std::cerr << '[' << done << '/' << total << "] " << step.file.string() << ": " << step.movedVertices
              << " vertices moved";
    if (step.spreadVertices > 0)
        std::cerr << "; " << step.spreadVertices << " vertices had several positions, their mean was used (largest "
                  << "distance from the mean " << step.largestSpread << ')';
    std::cerr << '\n';
}

int createMorphs(const CreateMorphArgs& args)
{
    if (!isWritableOutput(args.output))
        return kUnwritableFormat;
    if (!std::isfinite(args.threshold) || args.threshold < 0.0f) {
        std::cerr << "Invalid threshold: " << args.threshold << " (a distance of 0 or more)\n";
        return kBadArgument;
    }
    if (!args.name.empty() && args.others.size() > 1) {
        std::cerr << "--name names a single morph; with several OTHER files each morph is named after its file\n";
        return kBadArgument;
    }
    const std::string single = args.name.empty() ? std::string(kExtractedMorphName) : args.name;
    if (args.others.size() == 1 && !isStorableName(single)) {
        std::cerr << "Invalid morph name: \"" << single << "\" (no blanks, not { or })\n";
        return kBadArgument;
    }
    CliPrompt prompt;
    const std::unique_ptr<Document> doc = openDocument(args.base, prompt);
    if (!doc)
        return kLoadFailed;
    setMorphThreshold(*doc, args.threshold);

    const std::vector<std::filesystem::path> files(args.others.begin(), args.others.end());
    const MorphBatchResult result = createMorphsFromFiles(
        *doc, files, args.alignment, [](std::size_t done, std::size_t total, const MorphFromFile& step) {
            reportStep(done, total, step);
            return true;
        });
    if (result.status != MorphBatchResult::Status::Done) {
        std::cerr << result.error << '\n';
        return kLoadFailed;
    }
    // One file keeps the editor's naming: "morph", or the name given.
    if (files.size() == 1)
        doc->face->morphs.back()->name = single;

    const std::size_t first = doc->face->morphs.size() - result.morphs.size();
    const int status = saveDocument(*doc, args.output, args.output);
    if (status != kOk)
        return status;
    for (std::size_t i = 0; i < result.morphs.size(); ++i)
        std::cout << "morph \"" << doc->face->morphs[first + i]->name << "\": " << result.morphs[i].movedVertices
                  << " vertices moved\n";
    return kOk;
}

}  // namespace

void addCreateMorphCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand(
        "create-morph", "Add to BASE one morph per OTHER file, each the difference to that face of the same "
                        "topology in another expression, lined up with BASE first; all files or none");
    auto args = std::make_shared<CreateMorphArgs>();
    cmd->add_option("BASE", args->base, "face to add the morphs to")->required();
    cmd->add_option("OTHER", args->others, "the same face in other expressions; each morph is named after its file")
        ->required();
    cmd->add_option("-o,--output", args->output, outputHelp())->required();
    cmd->add_option("--name", args->name, "name of the morph when there is one OTHER (default: morph)");
    cmd->add_option("--threshold", args->threshold, "smallest distance at which a vertex counts as moved")
        ->capture_default_str();
    const std::map<std::string, ComparisonAlignment> alignments{
        {"fit", ComparisonAlignment::Fit}, {"seed", ComparisonAlignment::Seed}, {"none", ComparisonAlignment::None}};
    cmd->add_option("--align", args->alignment,
                    "placing OTHER onto BASE: fit (least squares over the vertices that did not move), seed (same "
                    "width and lowest point) or none")
        ->transform(CLI::CheckedTransformer(alignments, CLI::ignore_case))
        ->default_str("fit");
    cmd->callback([args, &status] { status = createMorphs(*args); });
}

}  // namespace mw::cli
