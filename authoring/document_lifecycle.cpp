#include "authoring/document_lifecycle.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "authoring/comparison_loading.h"
#include "authoring/document_writing.h"
#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "authoring/face_reading.h"
#include "authoring/morph_import.h"
#include "authoring/view_document.h"
#include "import/load_face.h"

namespace mw {

namespace {

bool hasFaceExtension(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".tvf";
}

// Reads the face file the document is about to take, off the GUI thread.
bool loadChosenFace(DocumentSession& session, const std::filesystem::path& path)
{
    if (path.empty())
        return false;
    FaceRead read = prepareFaceRead(path);
    session.work.run("Loading " + path.string(), [&read] { readPreparedFace(read); });
    return installFaceRead(session.doc, read, session.prompt);
}

// A second face for importing from or comparing with; says why when there is none.
osg::ref_ptr<TarvFaceObject> readOtherFace(DocumentSession& session, const std::filesystem::path& path)
{
    RepairReport report;
    osg::ref_ptr<TarvFaceObject> face;
    session.work.run("Loading " + path.string(), [&] { face = readAnyFace(path, report); });
    if (!face)
        session.prompt.failure(loadFailureMessage(path, report));
    else if (!report.empty())
        session.prompt.message(repairSummary(path, report));
    return face;
}

}  // namespace

bool saveFace(DocumentSession& session, const std::filesystem::path& path)
{
    Document& doc = session.doc;
    if (!hasFace(doc))
        return false;
    std::filesystem::path target = path;
    if (!hasFaceExtension(target)) {
        std::optional<std::filesystem::path> chosen = session.prompt.chooseSaveFile();
        if (!chosen || chosen->empty())
            return false;
        target = std::move(*chosen);
        // A bare name takes the dialog's extension; one the program does not write is refused
        // by the write, with the formats it does write.
        if (!target.has_extension())
            target += ".tvf";
    }
    // Baked here, so that the write, off the GUI thread, changes nothing but the file.
    commitHeadTransform(doc);
    DocumentWrite write;
    session.work.run("Saving " + target.string(), [&] { write = writeDocument(doc, target); });
    if (!write.written) {
        session.prompt.failure("Could not save " + target.string() + "\n" + writeFailureReason(write));
        return false;
    }
    doc.fileName = target;
    markSaved(doc);
    return true;
}

bool saveCurrentFace(DocumentSession& session)
{
    return saveFace(session, session.doc.fileName);
}

bool saveFaceAs(DocumentSession& session)
{
    if (!hasFace(session.doc))
        return false;
    const std::optional<std::filesystem::path> chosen = session.prompt.chooseSaveFile();
    return chosen && !chosen->empty() && saveFace(session, *chosen);
}

bool maySetFaceAside(DocumentSession& session)
{
    if (!isModified(session.doc))
        return true;
    switch (session.prompt.questionWithCancel(std::string(kModifiedQuestion))) {
    case Answer::Yes:
        return saveCurrentFace(session);
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

bool openFace(DocumentSession& session, const std::filesystem::path& path)
{
    return maySetFaceAside(session) && loadChosenFace(session, path);
}

bool openWithDialog(DocumentSession& session)
{
    const std::optional<OpenFaceChoice> choice = session.prompt.chooseOpenFace(hasFace(session.doc));
    return choice && openChoice(session, *choice);
}

bool openChoice(DocumentSession& session, const OpenFaceChoice& choice)
{
    switch (choice.option) {
    case OpenFaceChoice::OpenFile: {
        if (!maySetFaceAside(session))
            return false;
        const std::optional<std::filesystem::path> path = session.prompt.chooseOpenFile();
        return path && loadChosenFace(session, *path);
    }
    case OpenFaceChoice::ImportMorphs:
        return importMorphsFromChosenFile(session, choice.importNeckVertices) > 0;
    case OpenFaceChoice::CreateMorph:
        return compareWithChosenFile(session);
    }
    return false;
}

int importMorphsFromChosenFile(DocumentSession& session, bool withNeckVertices)
{
    if (!hasFace(session.doc))
        return 0;
    const std::optional<std::filesystem::path> path = session.prompt.chooseOpenFile();
    if (!path || path->empty())
        return 0;
    const osg::ref_ptr<TarvFaceObject> source = readOtherFace(session, *path);
    if (!source)
        return 0;
    const UndoStep step(session.doc, "Import Morphs");
    return importMorphs(session.doc, *source, withNeckVertices);
}

bool compareWithChosenFile(DocumentSession& session)
{
    if (!hasFace(session.doc))
        return false;
    const std::optional<std::filesystem::path> path = session.prompt.chooseOpenFile();
    if (!path || path->empty())
        return false;
    osg::ref_ptr<TarvFaceObject> other = readOtherFace(session, *path);
    if (!other)
        return false;
    installComparisonFace(session.doc, std::move(other), session.prompt);
    return true;
}

}  // namespace mw
