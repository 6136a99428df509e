// mienwright-cli create-morph: the editor's "Create Morph" and "Generate morph target".

#include <cmath>
#include <iostream>
#include <memory>
#include <string_view>

#include "authoring/comparison_loading.h"
#include "authoring/morph_extraction.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/headless_view.h"

namespace mw::cli {
namespace {

struct CreateMorphArgs {
    std::string base;
    std::string other;
    std::string output;
    std::string name{kExtractedMorphName};
    float threshold = kDefaultMorphThreshold;
};

// A name the .tvf format can hold: one token that neither opens nor closes a block.
bool isStorableName(std::string_view name)
{
    return name.find_first_of(" \t\r\n") == std::string_view::npos && name != "{" && name != "}";
}

std::size_t movedVertices(const FaceMorph& morph)
{
    std::size_t count = 0;
    for (const auto& target : morph.targets)
        count += target->indices.size();
    return count;
}

int createMorph(const CreateMorphArgs& args)
{
    if (!std::isfinite(args.threshold) || args.threshold < 0.0f) {
        std::cerr << "Invalid threshold: " << args.threshold << " (a distance of 0 or more)\n";
        return kBadArgument;
    }
    if (!isStorableName(args.name)) {
        std::cerr << "Invalid morph name: \"" << args.name << "\" (no blanks, not { or })\n";
        return kBadArgument;
    }
    CliPrompt prompt;
    const std::unique_ptr<ViewState> view = openView(args.base, prompt);
    if (!view)
        return kLoadFailed;
    setMorphThreshold(*view, args.threshold);
    if (!loadComparisonFace(*view, args.other, prompt) || !generateMorphTarget(*view, prompt))
        return kLoadFailed;

    FaceMorph& morph = *view->face->morphs.back();
    morph.name = args.name;
    std::cout << "morph \"" << morph.name << "\": " << movedVertices(morph) << " vertices moved\n";
    return saveView(*view, args.output, args.output);
}

}  // namespace

void addCreateMorphCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand(
        "create-morph", "Add a morph to BASE from the difference to OTHER, a face of the same topology in "
                        "another expression, lined up as the editor does (width and lowest point)");
    auto args = std::make_shared<CreateMorphArgs>();
    cmd->add_option("BASE", args->base, "face to add the morph to")->required();
    cmd->add_option("OTHER", args->other, "the same face in another expression")->required();
    cmd->add_option("-o,--output", args->output, ".tvf file to write")->required();
    cmd->add_option("--name", args->name, "name of the new morph")->capture_default_str();
    cmd->add_option("--threshold", args->threshold, "smallest distance at which a vertex counts as moved")
        ->capture_default_str();
    cmd->callback([args, &status] { status = createMorph(*args); });
}

}  // namespace mw::cli
