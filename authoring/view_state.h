#pragma once
// Everything the 3D view holds: its fixed scene, the camera and handlers that drive it, the
// face being edited and, while a morph is being created, the comparison face. Plain data; the
// operations are free functions (view_setup.h, view_operations.h, view_document.h, …), so
// each of them works and is tested without a window.

#include <filesystem>

#include <osg/Camera>
#include <osg/Geode>
#include <osg/MatrixTransform>
#include <osg/observer_ptr>
#include <osg/ref_ptr>

#include "authoring/face_history.h"
#include "authoring/mirror_map.h"
#include "interaction/camera_manipulator.h"
#include "interaction/edit_handler.h"
#include "interaction/focus_handler.h"
#include "interaction/screen_draw.h"
#include "model/face.h"
#include "render/tarv_face_renderer.h"
#include "render/view_scene.h"

namespace mw {

// The smallest distance at which a vertex of a comparison face counts as moved.
inline constexpr float kDefaultMorphThreshold = 0.001f;

struct ViewState {
    ViewState() = default;
    // The handlers call back into the state they belong to, so it never moves.
    ViewState(const ViewState&) = delete;
    ViewState& operator=(const ViewState&) = delete;

    // The fixed scene and what drives it (buildView).
    ViewScene scene;
    osg::ref_ptr<MienwrightCamera> camera;
    osg::ref_ptr<MienwrightHandler> editHandler;
    osg::ref_ptr<FocusHandler> focusHandler;
    osg::ref_ptr<ScreenDraw> lasso;
    // The camera the scene is drawn with, once a viewer shows it (attachViewer): its view and
    // projection matrices and viewport place scene points on the screen.
    osg::observer_ptr<osg::Camera> viewCamera;

    // The document: a face is loaded exactly when faceNode exists.
    osg::ref_ptr<TarvFaceObject> face;
    osg::ref_ptr<TarvFaceRenderer> faceNode;
    std::filesystem::path fileName;
    bool modified = false;
    // Undo and redo of every change to the face (face_history.h).
    FaceHistory history;

    // A second face shown over the current one while a morph is being created from it; one is
    // loaded exactly when comparisonRenderer exists.
    osg::ref_ptr<TarvFaceObject> comparisonFace;
    osg::ref_ptr<TarvFaceRenderer> comparisonRenderer;
    osg::ref_ptr<osg::MatrixTransform> comparisonTransform;
    osg::ref_ptr<osg::Geode> differenceHighlight;
    float morphThreshold = kDefaultMorphThreshold;
    // Whether the faces of this view are shaded with normals that follow the morph.
    bool morphedNormals = true;

    // The left/right pairing of the face's vertices, rebuilt when the rest pose changes.
    MirrorMapCache mirrorMap;
};

// True while a face is loaded.
inline bool hasFace(const ViewState& state) { return state.faceNode.valid() && state.face.valid(); }

// True while a comparison face is loaded.
inline bool hasComparison(const ViewState& state) { return state.comparisonRenderer.valid(); }

}  // namespace mw
