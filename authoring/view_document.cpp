#include "authoring/view_document.h"

#include <system_error>

#include "authoring/comparison_face.h"
#include "authoring/face_reading.h"
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
    const std::filesystem::path absolute = absoluteFrom(path);
    changeToFileDirectory(absolute);

    RepairReport report;
    osg::ref_ptr<TarvFaceObject> face = readAnyFace(absolute, report);
    if (!face) {
        prompt.message("Failed to load: " + path.string());
        return false;
    }

    closeFace(state);
    state.face = face;
    state.fileName = absolute;
    state.faceNode = new TarvFaceRenderer(face.get());
    state.faceNode->setMorphedNormals(state.morphedNormals);
    state.scene.headTransform->addChild(state.faceNode.get());
    state.scene.headTransform->setMatrix(osg::Matrixd::identity());
    state.editHandler->resetTransform();
    // Hidden before the camera frames the scene, so the old face's selection is not framed.
    hideSelection(state);
    state.camera->resetView();

    if (!report.empty())
        prompt.message(repairSummary(path, report));
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
}

}  // namespace mw
