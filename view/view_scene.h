#pragma once
// The fixed scene of the 3D view: light, ground grid, scene root with the head transform,
// neck markers, selection box, and the 2D overlay for the lasso.
//
//   light source (the scene data the viewer draws)
//     grid node
//     scene root
//       head transform
//         marker node
//         geode with the selection box
//         (face node, while a face is loaded)
//       overlay projection
//         overlay transform
//           geode with the overlay drawable
//       (comparison transform, while a comparison is pending)

#include <osg/Drawable>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Group>
#include <osg/LightSource>
#include <osg/MatrixTransform>
#include <osg/Projection>
#include <osg/Vec4>
#include <osg/ref_ptr>

#include "model/face.h"
#include "render/face_geom_box.h"

namespace mw {

// The view's clear colour: mid-grey.
inline const osg::Vec4 kViewBackground{0.5f, 0.5f, 0.5f, 1.0f};

struct ViewScene {
    osg::ref_ptr<osg::LightSource> light;  // top of the scene; lights everything below it
    osg::ref_ptr<osg::Geode> grid;
    osg::ref_ptr<osg::Group> root;
    osg::ref_ptr<osg::MatrixTransform> headTransform;
    osg::ref_ptr<osg::Geode> markers;
    osg::ref_ptr<FaceGeomBox> selectionBox;
    osg::ref_ptr<osg::Projection> overlayProjection;
    osg::ref_ptr<osg::MatrixTransform> overlayTransform;
    osg::ref_ptr<osg::Geode> overlay;
};

// Builds the whole fixed scene; `overlayDrawable` (the lasso) goes into the overlay geode.
ViewScene buildViewScene(osg::Drawable* overlayDrawable);

// A dark-green 21 x 21 line grid over -1 … 1 in x and z on the plane y = 0, and the x and z
// axes three pixels wide, unlit.
osg::ref_ptr<osg::Geode> makeGridNode();

// Green points at the rest-pose positions of the geometry's neck vertices, in clampIndices
// order (repeats included). Entries that name no vertex are left out.
osg::ref_ptr<osg::Geometry> makeNeckMarkers(const FaceGeom& geometry);

}  // namespace mw
