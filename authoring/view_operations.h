#pragma once
// What the commands do to the 3D view's scene: render mode, the displayed geometry, the edit
// mode and quarter turns of the head.

#include "authoring/view_state.h"

namespace mw {

// Switches the polygons under the scene root between filled and wireframe (the first call
// after start-up gives wireframe). Lines, points and the grid are not affected.
void toggleRenderMode(ViewState& state);

// Makes geometry `index` the displayed one: brackets around its rest-pose box and green points
// on its neck vertices. Any other index (-1 for none) hides both. Nothing without a face.
void showGeometrySelection(ViewState& state, int index);

// Rebuilds the neck-vertex points for geometry `index`; none for an index outside the face.
void showNeckMarkers(ViewState& state, int index);

// 0 navigation, 1 translate, 2 scale, 3 vertex; the camera orbits with a plain left drag only
// in navigation mode. Other values change nothing.
void setEditMode(ViewState& state, int mode);
int getEditMode(const ViewState& state);

// Quarter turns of the edited transform about the vertical axis (seen from above, clockwise)
// and about the x axis; each marks the face modified. Nothing without a face.
void turnRight(ViewState& state);
void turnUp(ViewState& state);

}  // namespace mw
