// File > Export glTF, Export OBJ and Export Morphs as OBJ Files: the face as it stands in the
// view, through the document's one write path.

#include "app/command_handlers.h"
#include "authoring/document_writing.h"
#include "import/obj_reader.h"
#include "import/save_face_file.h"

namespace mw::handlers {

namespace {

// What went wrong (`failed`: what follows "Failed to save: "), or what was written differently,
// in one message.
void reportExport(Prompt& prompt, const DocumentWrite& write, const std::string& failed, const std::string& exported)
{
    if (!write.written) {
        prompt.failure("Failed to save: " + failed);
        return;
    }
    if (write.warnings.empty())
        return;
    std::string text = "Exported " + exported + " with these changes:";
    for (const std::string& warning : write.warnings)
        text += "\n" + warning;
    prompt.message(text);
}

// Writes the document to the chosen file, `extension` added when the name lacks it.
void exportFile(CommandScope& scope, const std::optional<std::filesystem::path>& chosen,
                bool (*hasExtension)(const std::filesystem::path&), const char* extension)
{
    if (!chosen)
        return;
    std::filesystem::path path = *chosen;
    if (!hasExtension(path))
        path += extension;
    // The head as it stands in the view, as saving writes it.
    const DocumentWrite write = writeDocument(scope.doc, path);
    reportExport(scope.prompt, write, path.string() + (write.failure.empty() ? "" : "\n" + write.failure), path.string());
}

}  // namespace

void fileExportGltf(CommandScope& scope)
{
    if (hasFace(scope.doc))
        exportFile(scope, scope.prompt.chooseExportFile(), &isGltfPath, ".glb");
}

void fileExportObj(CommandScope& scope)
{
    if (hasFace(scope.doc))
        exportFile(scope, scope.prompt.chooseObjExportFile(), &isObjPath, ".obj");
}

void fileExportMorphsObj(CommandScope& scope)
{
    if (!hasFace(scope.doc))
        return;
    const auto folder = scope.prompt.chooseMorphExportFolder();
    if (!folder)
        return;
    std::vector<std::filesystem::path> written;
    const DocumentWrite write = writeDocumentMorphs(scope.doc, *folder, &written);
    // The exporter's failure already names the file it could not write.
    reportExport(scope.prompt, write, write.failure, std::to_string(written.size()) + " OBJ files to " + folder->string());
}

}  // namespace mw::handlers
