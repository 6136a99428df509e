#include "authoring/view_document.h"

#include <system_error>

#include "authoring/comparison_face.h"
#include "authoring/face_reading.h"
#include "import/load_face.h"
#include "render/file_directory.h"

namespace mw {

namespace {

std::filesystem::path absoluteFrom(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal();
}

void hideSelection(ViewState& state)
{
    state.scene.selectionBox->hide();
    osg::Geode& markers = *state.scene.markers;
    markers.removeDrawables(0, markers.getNumDrawables());
}

}  // namespace

bool loadIntoView(ViewState& state, const std::filesystem::path& path, Prompt& prompt)
{
    if (path.empty())
        return false;
    FaceRead read = prepareFaceRead(path);
    readPreparedFace(read);
    return installFaceRead(state, read, prompt);
}

FaceRead prepareFaceRead(const std::filesystem::path& path)
{
    FaceRead read;
    read.shownName = path;
    if (path.empty())
        return read;
    read.fileName = absoluteFrom(path);
    changeToFileDirectory(read.fileName);
    return read;
}

void readPreparedFace(FaceRead& read)
{
    if (!read.fileName.empty())
        read.face = readAnyFace(read.fileName, read.report);
}

bool installFaceRead(ViewState& state, FaceRead& read, Prompt& prompt)
{
    if (read.fileName.empty())
        return false;
    if (!read.face) {
        prompt.failure(loadFailureMessage(read.shownName, read.report));
        return false;
    }

    closeFace(state);
    state.face = read.face;
    state.fileName = read.fileName;
    state.faceNode = new TarvFaceRenderer(read.face.get());
    state.faceNode->setMorphedNormals(state.morphedNormals);
    state.scene.headTransform->addChild(state.faceNode.get());
    state.scene.headTransform->setMatrix(osg::Matrixd::identity());
    state.editHandler->resetTransform();
    // Hidden before the camera frames the scene, so the old face's selection is not framed.
    hideSelection(state);
    state.camera->resetView();

    if (!read.report.empty())
        prompt.message(repairSummary(read.shownName, read.report));
    return true;
}

void closeFace(ViewState& state)
{
    cancelMorphTarget(state);
    if (state.faceNode) {
        state.scene.headTransform->removeChild(state.faceNode.get());
        state.faceNode = nullptr;
    }
    state.face = nullptr;
    state.modified = false;
    state.fileName.clear();
    clearHistory(state);
}

}  // namespace mw
