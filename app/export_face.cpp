// File > Export glTF: the face as it stands in the view, written as glTF 2.0.

#include "app/command_handlers.h"
#include "authoring/document_writing.h"
#include "import/save_face_file.h"

namespace mw::handlers {

void fileExportGltf(CommandScope& scope)
{
    if (!hasFace(scope.doc))
        return;
    const auto chosen = scope.prompt.chooseExportFile();
    if (!chosen)
        return;
    std::filesystem::path path = *chosen;
    if (!isGltfPath(path))
        path += ".glb";
    // The head as it stands in the view, as saving writes it.
    const DocumentWrite write = writeDocument(scope.doc, path);
    if (!write.written) {
        scope.prompt.message("Failed to save: " + path.string() + (write.failure.empty() ? "" : "\n" + write.failure));
        return;
    }
    if (!write.warnings.empty()) {
        std::string text = "Exported " + path.string() + " with these changes:";
        for (const std::string& warning : write.warnings)
            text += "\n" + warning;
        scope.prompt.message(text);
    }
}

}  // namespace mw::handlers
