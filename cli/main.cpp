// mienwright-cli: the editor's file operations without a display.

#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv)
{
    CLI::App app{"Mienwright command-line tool: inspect, convert and author face files."};
    app.require_subcommand(1);
    int status = mw::cli::kOk;
    mw::cli::addInfoCommand(app, status);
    mw::cli::addConvertCommand(app, status);
    mw::cli::addRenderCommand(app, status);
    mw::cli::addCreateMorphCommand(app, status);
    mw::cli::addImportMorphsCommand(app, status);
    mw::cli::addNeckCommand(app, status);
    mw::cli::addMorphsCommand(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return status;
}
