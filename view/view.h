#pragma once
// The view of a document: its fixed scene, the camera and handlers that drive it, and the scene
// nodes that draw the document's face and, while a morph is being created, its comparison face.
// Plain data; the operations are free functions (view_setup.h, view_operations.h,
// update_view.h). After every edit of the document, updateView brings it up to date.

#include <osg/Camera>
#include <osg/Geode>
#include <osg/MatrixTransform>
#include <osg/observer_ptr>
#include <osg/ref_ptr>

#include "authoring/document.h"
#include "interaction/camera_manipulator.h"
#include "interaction/edit_handler.h"
#include "interaction/focus_handler.h"
#include "interaction/screen_draw.h"
#include "render/tarv_face_renderer.h"
#include "view/view_scene.h"

namespace mw {

struct View {
    View() = default;
    // The handlers call back into the view they belong to, so it never moves.
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // The document shown; it outlives the view (buildView).
    Document* doc = nullptr;

    // The fixed scene and what drives it (buildView).
    ViewScene scene;
    osg::ref_ptr<MienwrightCamera> camera;
    osg::ref_ptr<MienwrightHandler> editHandler;
    osg::ref_ptr<FocusHandler> focusHandler;
    osg::ref_ptr<ScreenDraw> lasso;
    // The camera the scene is drawn with, once a viewer shows it (attachViewer): its view and
    // projection matrices and viewport place scene points on the screen.
    osg::observer_ptr<osg::Camera> viewCamera;

    // The document's face, hung under the head transform; null without a face.
    osg::ref_ptr<TarvFaceRenderer> faceNode;

    // The comparison face, yellow lines under its own transform, with the difference highlight.
    osg::ref_ptr<TarvFaceRenderer> comparisonRenderer;
    osg::ref_ptr<osg::MatrixTransform> comparisonTransform;
    osg::ref_ptr<osg::Geode> differenceHighlight;

    // Whether the faces of this view are shaded with normals that follow the morph.
    bool morphedNormals = true;
};

// True while the view shows a face.
inline bool hasFace(const View& view) { return view.faceNode.valid() && view.faceNode->face(); }

// True while the view shows a comparison face.
inline bool hasComparison(const View& view) { return view.comparisonRenderer.valid(); }

}  // namespace mw
