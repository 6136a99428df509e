#include "view/view_setup.h"

#include "authoring/face_history.h"
#include "view/update_view.h"

namespace mw {

void buildView(View& view, Document& doc, ViewHooks hooks)
{
    view.doc = &doc;
    view.lasso = new ScreenDraw;
    view.scene = buildViewScene(view.lasso.get());

    view.camera = new MienwrightCamera(std::move(hooks.altKeyDown));

    view.editHandler = new MienwrightHandler(std::move(hooks.toPixels));
    view.editHandler->targetTransform = view.scene.headTransform;
    view.editHandler->lasso = view.lasso;
    view.editHandler->enabled = true;
    // A drag places the document's head, or its comparison face while one is loaded.
    view.editHandler->onTransformEdited = [&view] {
        Document& shown = *view.doc;
        if (!hasFace(shown))
            return;
        HeadPlacement& placement = hasComparison(shown) ? shown.comparison.placement : shown.head;
        placement.scale = view.editHandler->scale;
        placement.translation = view.editHandler->translation;
        placement.rotation = view.editHandler->rotation;
    };
    // A whole drag of the head, from the first press to the last release, is one undo step; the
    // step is dropped when the pointer did not move the head.
    view.editHandler->onPointerPressed = [&view] {
        Document& shown = *view.doc;
        const EditMode mode = view.editHandler->mode;
        if ((mode == EditMode::Translate || mode == EditMode::Scale) && hasFace(shown) && !hasComparison(shown) &&
            !shown.history.open)
            beginUndoStep(shown, mode == EditMode::Translate ? kMoveHeadStep : kScaleHeadStep);
    };
    view.editHandler->onPointerReleased = [&view](int heldButtons) {
        if (heldButtons == 0)
            endUndoStep(*view.doc);
    };

    view.focusHandler = new FocusHandler(std::move(hooks.giveFocus));

    // Navigation mode first; the default view until the scene has something to frame.
    view.camera->freeRotate = true;
    view.camera->resetView();
    view.camera->setHomeNode(view.scene.root.get());

    if (hasFace(doc)) {
        Change everything;
        everything.add(document_change::kFace | document_change::kOpened | document_change::kComparison);
        updateView(view, everything);
    }
}

void attachViewer(View& view, osgViewer::Viewer& viewer)
{
    viewer.setSceneData(view.scene.light.get());
    viewer.setLightingMode(osg::View::NO_LIGHT);
    viewer.getCamera()->setClearColor(kViewBackground);
    viewer.setKeyEventSetsDone(0);
    viewer.setQuitEventSetsDone(false);
    viewer.setCameraManipulator(view.camera.get(), false);
    viewer.addEventHandler(view.editHandler.get());
    viewer.addEventHandler(view.focusHandler.get());
    view.viewCamera = viewer.getCamera();
}

}  // namespace mw
