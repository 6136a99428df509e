#pragma once
// Bringing the view up to date with its document after an edit.

#include "authoring/document_change.h"
#include "view/view.h"

namespace mw {

// Redoes what `change` (taken from the document, takeChanges) needs of the view, and no more:
// the face node is built anew for another face or another number of geometries (hidden
// geometries and the corner drawer carry over unless a face was opened), a geometry's normals,
// texture coordinates or drawing state are rebuilt when its shape, texturing or material
// changed, renamed geometries and changed morph lists reach the drawn targets, the head and
// comparison transforms follow the placements (and the edit handler the one it places), the
// comparison face and its highlight follow the comparison session, the selection box and neck
// markers follow the displayed geometry (hidden when a face was opened or closed, or when it
// is gone), and the camera frames the scene when a face was opened or the edit asks for it.
void updateView(View& view, const Change& change);

// The highlight node for `corners` (triangles), drawn over the comparison face.
osg::ref_ptr<osg::Geode> makeHighlight(osg::Vec3Array* corners);

}  // namespace mw
