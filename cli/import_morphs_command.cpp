// mienwright-cli import-morphs: the editor's "Import Morphs".

#include <iostream>
#include <memory>

#include "authoring/morph_import.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/document_files.h"

namespace mw::cli {
namespace {

struct ImportMorphsArgs {
    std::string base;
    std::string source;
    std::string output;
    bool neckVertices = false;
};

int importMorphsInto(const ImportMorphsArgs& args)
{
    if (!isWritableOutput(args.output))
        return kUnwritableFormat;
    CliPrompt prompt;
    const std::unique_ptr<Document> doc = openDocument(args.base, prompt);
    if (!doc)
        return kLoadFailed;
    const osg::ref_ptr<TarvFaceObject> source = loadInput(args.source);
    if (!source)
        return kLoadFailed;
    const int added = importMorphs(*doc, *source, args.neckVertices);
    const int status = saveDocument(*doc, args.output, args.output);
    if (status == kOk)  // said only once it is saved
        std::cout << "imported " << added << (added == 1 ? " morph\n" : " morphs\n");
    return status;
}

}  // namespace

void addImportMorphsCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand(
        "import-morphs", "Add to BASE the morphs of SOURCE that fit it (targets go to the geometry at the "
                         "position of SOURCE's geometry of the same name)");
    auto args = std::make_shared<ImportMorphsArgs>();
    cmd->add_option("BASE", args->base, "face to add the morphs to")->required();
    cmd->add_option("SOURCE", args->source, "face whose morphs are imported")->required();
    cmd->add_option("-o,--output", args->output, outputHelp())->required();
    cmd->add_flag("--neck", args->neckVertices, "also replace the neck vertices by SOURCE's");
    cmd->callback([args, &status] { status = importMorphsInto(*args); });
}

}  // namespace mw::cli
