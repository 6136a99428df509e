#pragma once
// Face-wide operations on morph weights, morph sizes, geometry names and coordinates.
// Indices are positions in face.morphs or face.geometries; an index outside the list
// changes nothing.

#include <string>

#include <osg/Matrixd>

#include "model/face.h"

namespace mw {

// Writes `weight` into every target of the morph.
void setMorphWeight(TarvFaceObject& face, int morphIndex, float weight);

// The weight of the morph's first target; 0 without targets or for an index outside the list.
float getMorphWeight(const TarvFaceObject& face, int morphIndex);

// Sets every weight of every morph to 0.
void resetMorphWeights(TarvFaceObject& face);

// Multiplies every offset component of every target of the morph by `factor`.
void scaleMorph(TarvFaceObject& face, int morphIndex, float factor);

// Gives geometry `geometryIndex` the new name, together with every target of every morph
// that carried its old name.
void renameGeometry(TarvFaceObject& face, unsigned geometryIndex, const std::string& name);

// Applies `matrix` (row-vector convention, v × M) to every morph offset without its
// translation: offsets are displacements, so they turn and scale but never move.
void transformMorphOffsets(TarvFaceObject& face, const osg::Matrixd& matrix);

// Moves every vertex v of every geometry to v × matrix and transforms the morph offsets as
// transformMorphOffsets does. Normals are not the face's: whoever draws it rebuilds them.
void transformFace(TarvFaceObject& face, const osg::Matrixd& matrix);

}  // namespace mw
