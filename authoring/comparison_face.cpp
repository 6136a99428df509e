#include "authoring/comparison_face.h"

namespace mw {

void cancelMorphTarget(ViewState& state)
{
    if (!state.comparisonTransform)
        return;
    state.editHandler->targetTransform = state.scene.headTransform;
    state.editHandler->resetTransform();
    state.scene.root->removeChild(state.comparisonTransform.get());
    state.comparisonTransform = nullptr;
    state.comparisonRenderer = nullptr;
    state.comparisonFace = nullptr;
    state.differenceHighlight = nullptr;
}

}  // namespace mw
