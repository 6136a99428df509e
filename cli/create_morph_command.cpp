// mienwright-cli create-morph: the editor's "Create Morph" and "Generate morph target", for one
// expression or many.

#include <cmath>
#include <iostream>
#include <map>
#include <set>
#include <memory>
#include <string_view>
#include <vector>

#include "authoring/morph_batch.h"
#include "authoring/morph_extraction.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/document_files.h"
#include "cli/named_option.h"

namespace mw::cli {
namespace {

struct CreateMorphArgs {
    std::string base;
    std::vector<std::string> others;
    std::string output;
    std::string name;
    bool named = false;  // --name was given, perhaps empty
    float threshold = kDefaultMorphThreshold;
    ComparisonAlignment alignment = ComparisonAlignment::Fit;
};

void reportStep(std::size_t done, std::size_t total, const MorphFromFile& step)
{
    for (const std::string& change : step.repairs.changes)
        std::cerr << "warning: " << step.file.string() << ": " << change << '\n';
    std::cerr << '[' << done << '/' << total << "] " << step.file.string() << ": " << step.movedVertices
              << (step.movedVertices == 1 ? " vertex moved" : " vertices moved");
    if (!step.alignmentNote.empty())
        std::cerr << "; " << step.alignmentNote;
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
        std::cerr << "error: --threshold: " << args.threshold << " is not a distance of 0 or more\n";
        return kInvalidArgument;
    }
    if (args.named && args.others.size() > 1) {
        std::cerr << "error: --name names a single morph; with several OTHER files each morph is named after its file\n";
        return kInvalidArgument;
    }
    const std::string single = args.named ? args.name : std::string(kExtractedMorphName);
    if (const auto refusal = morphNameRefusal(single)) {
        std::cerr << "error: --name: " << *refusal << '\n';
        return kInvalidArgument;
    }
    CliPrompt prompt;
    const std::unique_ptr<Document> doc = openDocument(args.base, prompt);
    if (!doc)
        return kLoadFailed;
    setMorphThreshold(*doc, args.threshold);

    const std::vector<std::filesystem::path> files(args.others.begin(), args.others.end());
    // Weights and morph operations find a morph by its name: two of one name would leave one
    // of them out of reach.
    std::set<std::string> taken;
    for (const auto& morph : doc->face->morphs)
        taken.insert(morph->name);
    for (const auto& file : files) {
        const std::string name = files.size() == 1 ? single : morphNameForFile(file);
        if (!taken.insert(name).second) {
            std::cerr << "A morph named \"" << name << "\" already exists\n";
            return kBadArgument;
        }
    }
    const MorphBatchResult result = createMorphsFromFiles(
        *doc, files, args.alignment, [](std::size_t done, std::size_t total, const MorphFromFile& step) {
            reportStep(done, total, step);
            return true;
        });
    if (result.status != MorphBatchResult::Status::Done) {
        std::cerr << oneLine(result.error) << '\n';
        return kLoadFailed;
    }
    // One file keeps the editor's naming: "morph", or the name given.
    if (files.size() == 1)
        doc->face->morphs.back()->name = single;

    const std::size_t first = doc->face->morphs.size() - result.morphs.size();
    const int status = saveDocument(*doc, args.output, args.output);
    if (status != kOk)
        return status;
    for (std::size_t i = 0; i < result.morphs.size(); ++i) {
        const std::string& name = doc->face->morphs[first + i]->name;
        const std::size_t moved = result.morphs[i].movedVertices;
        std::cout << "morph \"" << name << "\": " << moved << (moved == 1 ? " vertex moved\n" : " vertices moved\n");
        if (moved == 0)
            std::cerr << "warning: morph \"" << name << "\" is empty: no vertex moved by " << args.threshold
                      << " or more\n";
    }
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
    CLI::Option* name = cmd->add_option("--name", args->name,
                                        "name of the morph when there is one OTHER (default: morph); one word, "
                                        "without braces, not taken");
    cmd->add_option("--threshold", args->threshold, "smallest distance at which a vertex counts as moved")
        ->capture_default_str();
    addNamedOption(*cmd, "--align", args->alignment,
                   {{"fit", ComparisonAlignment::Fit}, {"seed", ComparisonAlignment::Seed}, {"none", ComparisonAlignment::None}},
                   "placing OTHER onto BASE: fit (default; least squares over the vertices that did not move, seed "
                   "when fewer than 12 vertices or when it leaves most of them apart), seed (same width and lowest "
                   "point) or none");
    cmd->callback([args, name, &status] {
        args->named = name->count() > 0;
        status = createMorphs(*args);
    });
}

}  // namespace mw::cli
