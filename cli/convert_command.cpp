#include <iostream>

#include "authoring/document_writing.h"
#include "cli/commands.h"
#include "import/save_face_file.h"
#include "model/write_failure.h"
#include "cli/document_files.h"

namespace mw::cli {

void addConvertCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("convert", "Load any face file and write it in the format OUT's extension names");
    auto in = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    cmd->add_option("IN", *in, "face to read")->required();
    cmd->add_option("OUT", *out, outputHelp())->required();
    cmd->callback([in, out, &status] {
        if (!isWritableOutput(*out)) {
            status = kUnwritableFormat;
            return;
        }
        Document doc;
        doc.face = loadInput(*in);
        if (!doc.face) {
            status = kLoadFailed;
            return;
        }
        doc.fileName = *in;
        const DocumentWrite write = writeDocument(doc, *out);
        for (const std::string& warning : write.warnings)
            std::cerr << "warning: " << warning << '\n';
        if (!write.written) {
            std::cerr << saveFailureMessage(*out, write.failure.empty() ? writeFailureReason(write.error) : write.failure)
                      << '\n';
            status = kWriteFailed;
            return;
        }
        status = kOk;
    });
}

}  // namespace mw::cli
