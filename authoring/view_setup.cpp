#include "authoring/view_setup.h"

namespace mw {

void buildView(ViewState& state, ViewHooks hooks)
{
    state.lasso = new ScreenDraw;
    state.scene = buildViewScene(state.lasso.get());

    state.camera = new MienwrightCamera(std::move(hooks.altKeyDown));

    state.editHandler = new MienwrightHandler(std::move(hooks.toPixels));
    state.editHandler->targetTransform = state.scene.headTransform;
    state.editHandler->lasso = state.lasso;
    state.editHandler->enabled = true;
    state.editHandler->onTransformEdited = [&state] {
        if (hasFace(state) && !hasComparison(state))
            state.modified = true;
    };
    // A whole drag of the head, from the first press to the last release, is one undo step; the
    // step is dropped when the pointer did not move the head.
    state.editHandler->onPointerPressed = [&state] {
        const EditMode mode = state.editHandler->mode;
        if ((mode == EditMode::Translate || mode == EditMode::Scale) && hasFace(state) && !hasComparison(state) &&
            !state.history.open)
            beginUndoStep(state, mode == EditMode::Translate ? kMoveHeadStep : kScaleHeadStep);
    };
    state.editHandler->onPointerReleased = [&state](int heldButtons) {
        if (heldButtons == 0)
            endUndoStep(state);
    };

    state.focusHandler = new FocusHandler(std::move(hooks.giveFocus));

    // Navigation mode first; the default view until the scene has something to frame.
    state.camera->freeRotate = true;
    state.camera->resetView();
    state.camera->setHomeNode(state.scene.root.get());
}

void attachViewer(ViewState& state, osgViewer::Viewer& viewer)
{
    viewer.setSceneData(state.scene.light.get());
    viewer.setLightingMode(osg::View::NO_LIGHT);
    viewer.getCamera()->setClearColor(kViewBackground);
    viewer.setKeyEventSetsDone(0);
    viewer.setQuitEventSetsDone(false);
    viewer.setCameraManipulator(state.camera.get(), false);
    viewer.addEventHandler(state.editHandler.get());
    viewer.addEventHandler(state.focusHandler.get());
    state.viewCamera = viewer.getCamera();
}

}  // namespace mw
