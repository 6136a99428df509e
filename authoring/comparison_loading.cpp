#include "authoring/comparison_loading.h"

#include "authoring/comparison_face.h"
#include "authoring/comparison_style.h"
#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/face_reading.h"
#include "import/load_face.h"

namespace mw {

void installComparisonFace(ViewState& state, osg::ref_ptr<TarvFaceObject> face, Prompt& prompt)
{
    if (!hasFace(state) || !face)
        return;
    commitHeadTransform(state);
    cancelMorphTarget(state);

    state.comparisonFace = std::move(face);
    state.comparisonRenderer = new TarvFaceRenderer(state.comparisonFace.get());
    state.comparisonRenderer->setMorphedNormals(state.morphedNormals);
    state.comparisonTransform = new osg::MatrixTransform(osg::Matrixd::identity());
    state.scene.root->addChild(state.comparisonTransform.get());
    state.editHandler->targetTransform = state.comparisonTransform;
    state.comparisonTransform->addChild(state.comparisonRenderer.get());
    applyComparisonStyle(*state.comparisonRenderer->getOrCreateStateSet(), kComparisonColour,
                         kComparisonOffsetFactor);

    state.camera->resetView();
    autoScale(state, prompt);
    highlightDifference(state);
}

bool loadComparisonFace(ViewState& state, const std::filesystem::path& fileName, Prompt& prompt)
{
    if (!hasFace(state))
        return false;
    RepairReport report;
    osg::ref_ptr<TarvFaceObject> face = readAnyFace(fileName, report);
    if (!face) {
        prompt.failure(loadFailureMessage(fileName, report));
        return false;
    }
    if (!report.empty())
        prompt.message(repairSummary(fileName, report));
    installComparisonFace(state, std::move(face), prompt);
    return true;
}

}  // namespace mw
