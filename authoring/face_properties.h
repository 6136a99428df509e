#pragma once
// Names and materials of the current face, as the panes edit them: renaming geometries and
// morphs, and a geometry's texture and colours. Each marks the face modified when it changed
// something and returns whether it did; an index outside the face changes nothing.

#include <string>

#include <osg/Vec4>

#include "authoring/view_state.h"

namespace mw {

// The geometry's morph targets are renamed with it, so the morphs keep deforming it.
bool renameGeometry(ViewState& state, int geometryIndex, const std::string& name);
bool renameMorph(ViewState& state, int morphIndex, const std::string& name);

// The geometry is drawn with its new texture (none for an empty name) or colour at once.
bool setGeometryTexture(ViewState& state, int geometryIndex, const std::string& texture);
bool setGeometryDiffuse(ViewState& state, int geometryIndex, const osg::Vec4& colour);
bool setGeometrySpecular(ViewState& state, int geometryIndex, const osg::Vec4& colour);

// Builds the drawn geometry's texture and colours afresh from its geometry, after they changed.
void refreshGeometryState(FaceRenderer& renderer);

}  // namespace mw
