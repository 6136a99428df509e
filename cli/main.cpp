// mienwright-cli: the editor's file operations without a display.

#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "import/library_messages.h"
#include "mienwright_version.h"

int main(int argc, char** argv)
{
    // Standard output carries the command's own result only.
    mw::sendLibraryMessagesToStandardError("warning: ");
    CLI::App app{"Mienwright command-line tool: inspect, convert and author face files."};
    app.require_subcommand(1);
    app.footer("Exit status: 0 success; 1 the input could not be loaded, an argument is malformed or a value is "
               "outside its domain, or another error; 2 the output could not be written; 3 no OpenGL to draw "
               "with; 4 an argument names a morph, geometry or position the face does not have, or a morph "
               "name it has already taken.");
    app.set_version_flag("--version", std::string("mienwright-cli ") + MIENWRIGHT_VERSION);
    int status = mw::cli::kOk;
    mw::cli::addInfoCommand(app, status);
    mw::cli::addConvertCommand(app, status);
    mw::cli::addRenderCommand(app, status);
    mw::cli::addThumbnailCommand(app, status);
    mw::cli::addCreateMorphCommand(app, status);
    mw::cli::addImportMorphsCommand(app, status);
    mw::cli::addNeckCommand(app, status);
    mw::cli::addMorphsCommand(app, status);
    mw::cli::addArkitCommand(app, status);
    mw::cli::addSheetCommand(app, status);
    mw::cli::addExportMorphsCommand(app, status);
    mw::cli::addTransferMorphsCommand(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);  // --help and --version print their text on standard output
        // Malformed arguments are an error like any other: one line, status 1.
        std::cerr << "error: " << e.what() << " (see --help)\n";
        return mw::cli::kLoadFailed;
    } catch (const std::exception& e) {
        // Whatever a subcommand did not handle ends in one line, never in an abort.
        std::cerr << "error: " << e.what() << '\n';
        return mw::cli::kLoadFailed;
    } catch (...) {
        std::cerr << "error: an unexpected failure\n";
        return mw::cli::kLoadFailed;
    }
    return status;
}
