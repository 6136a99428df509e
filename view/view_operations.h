#pragma once
// What the commands do to the view alone: render mode, the displayed geometry, the edit mode,
// shading, hidden geometries, and the lasso's part in editing neck vertices.

#include "authoring/neck_vertices.h"
#include "view/view.h"

namespace mw {

// Switches the polygons under the scene root between filled and wireframe (the first call
// after start-up gives wireframe). Lines, points and the grid are not affected.
void toggleRenderMode(View& view);

// Makes geometry `index` the displayed one: brackets around its rest-pose box and green points
// on its neck vertices. Any other index (-1 for none) hides both. Nothing without a face.
void showGeometrySelection(View& view, int index);

// Rebuilds the neck-vertex points for geometry `index`; none for an index outside the face.
void showNeckMarkers(View& view, int index);

// The camera orbits with a plain left drag only in navigation mode.
void setEditMode(View& view, EditMode mode);
EditMode getEditMode(const View& view);

// Shading of the view's faces, now and for every face it shows later: normals that follow
// the morph (on) or the rest pose's normals.
void setMorphedNormals(View& view, bool on);

// Shows or hides geometry `index`; nothing for an index outside the face.
void setGeometryVisible(View& view, int index, bool visible);

// True when geometry `index` is drawn with a texture image.
bool geometryTextureShown(const View& view, int index);

// True when the lasso commands may run: a face, vertex mode, a closed lasso, a displayed
// geometry of the face and a camera that places it on the screen.
bool canEditNeckVertices(const View& view);

// Keeps, discards or adds the displayed geometry's vertices that the closed lasso surrounds
// on screen (rest pose, through the head transform and the camera), as an edit of the
// document (editNeckVertices). Nothing happens unless canEditNeckVertices.
void editNeckVertices(View& view, NeckEdit mode);

}  // namespace mw
