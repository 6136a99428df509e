#include "authoring/document_lifecycle.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <utility>

#include "authoring/comparison_loading.h"
#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "authoring/face_reading.h"
#include "authoring/morph_import.h"
#include "authoring/view_document.h"
#include "import/embedded_images.h"
#include "import/load_face.h"
#include "model/face_file.h"
#include "model/write_failure.h"

namespace mw {

namespace {

bool hasFaceExtension(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".tvf";
}

// Reads the face file the view is about to take, off the view.
bool loadChosenFace(Document& doc, const std::filesystem::path& path)
{
    if (path.empty())
        return false;
    FaceRead read = prepareFaceRead(path);
    doc.work.run("Loading " + path.string(), [&read] { readPreparedFace(read); });
    if (!installFaceRead(doc.state, read, doc.prompt))
        return false;
    doc.panes.setFaceNode(doc.state.faceNode.get());
    return true;
}

// A second face for importing from or comparing with; says why when there is none.
osg::ref_ptr<TarvFaceObject> readOtherFace(Document& doc, const std::filesystem::path& path)
{
    RepairReport report;
    osg::ref_ptr<TarvFaceObject> face;
    doc.work.run("Loading " + path.string(), [&] { face = readAnyFace(path, report); });
    if (!face)
        doc.prompt.failure(loadFailureMessage(path, report));
    else if (!report.empty())
        doc.prompt.message(repairSummary(path, report));
    return face;
}

}  // namespace

bool isModified(const Document& doc)
{
    return hasFace(doc.state) && (doc.state.modified || doc.panes.modified());
}

std::string saveFailureReason(const std::error_code& error)
{
    // The command-line tool's words, as a sentence.
    std::string sentence = writeFailureReason(error) + ".";
    sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
    return sentence;
}

bool saveFace(Document& doc, const std::filesystem::path& path)
{
    ViewState& state = doc.state;
    if (!hasFace(state))
        return false;
    std::filesystem::path target = path;
    if (!hasFaceExtension(target)) {
        std::optional<std::filesystem::path> chosen = doc.prompt.chooseSaveFile();
        if (!chosen || chosen->empty())
            return false;
        target = std::move(*chosen);
    }

    commitHeadTransform(state);
    const osg::ref_ptr<TarvFaceObject> face = state.face;
    // Images that came embedded in the opened file (a .glb) get files beside the saved face.
    std::string imageFailure;
    if (!keepEmbeddedTextures(*face, target, &imageFailure)) {
        doc.prompt.failure("Could not save " + target.string() + "\n" + imageFailure);
        return false;
    }
    std::error_code error;
    bool written = false;
    doc.work.run("Saving " + target.string(), [&] { written = writeFaceFile(target, *face, error); });
    if (!written) {
        doc.prompt.failure("Could not save " + target.string() + "\n" + saveFailureReason(error));
        return false;
    }
    state.fileName = target;
    state.modified = false;
    markSaved(state);
    doc.panes.clearModified();
    return true;
}

bool saveCurrentFace(Document& doc)
{
    return saveFace(doc, doc.state.fileName);
}

bool saveFaceAs(Document& doc)
{
    if (!hasFace(doc.state))
        return false;
    const std::optional<std::filesystem::path> chosen = doc.prompt.chooseSaveFile();
    return chosen && !chosen->empty() && saveFace(doc, *chosen);
}

bool maySetFaceAside(Document& doc)
{
    if (!isModified(doc))
        return true;
    switch (doc.prompt.questionWithCancel(std::string(kModifiedQuestion))) {
    case Answer::Yes:
        return saveCurrentFace(doc);
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

bool openFace(Document& doc, const std::filesystem::path& path)
{
    return maySetFaceAside(doc) && loadChosenFace(doc, path);
}

bool openWithDialog(Document& doc)
{
    const std::optional<OpenFaceChoice> choice = doc.prompt.chooseOpenFace(hasFace(doc.state));
    return choice && openChoice(doc, *choice);
}

bool openChoice(Document& doc, const OpenFaceChoice& choice)
{
    switch (choice.option) {
    case OpenFaceChoice::OpenFile: {
        if (!maySetFaceAside(doc))
            return false;
        const std::optional<std::filesystem::path> path = doc.prompt.chooseOpenFile();
        return path && loadChosenFace(doc, *path);
    }
    case OpenFaceChoice::ImportMorphs:
        return importMorphsFromChosenFile(doc, choice.importNeckVertices) > 0;
    case OpenFaceChoice::CreateMorph:
        return compareWithChosenFile(doc);
    }
    return false;
}

int importMorphsFromChosenFile(Document& doc, bool withNeckVertices)
{
    if (!hasFace(doc.state))
        return 0;
    const std::optional<std::filesystem::path> path = doc.prompt.chooseOpenFile();
    if (!path || path->empty())
        return 0;
    const osg::ref_ptr<TarvFaceObject> source = readOtherFace(doc, *path);
    if (!source)
        return 0;
    int added = 0;
    {
        const UndoStep step(doc.state, "Import Morphs");
        added = importMorphs(doc.state, *source, withNeckVertices);
    }
    doc.panes.appendMorphs(added);
    return added;
}

bool compareWithChosenFile(Document& doc)
{
    if (!hasFace(doc.state))
        return false;
    const std::optional<std::filesystem::path> path = doc.prompt.chooseOpenFile();
    if (!path || path->empty())
        return false;
    osg::ref_ptr<TarvFaceObject> other = readOtherFace(doc, *path);
    if (!other)
        return false;
    installComparisonFace(doc.state, std::move(other), doc.prompt);
    return true;
}

}  // namespace mw
