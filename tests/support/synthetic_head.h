#pragma once
// Heads of made-up people for the morph transfer: an ellipsoid with a nose, eye sockets, brow
// ridges, lips, a chin and cheekbones, built on a latitude-longitude grid of canonical
// coordinates. A person's proportions (face width, nose length, mouth width, eye distance,
// lower face) bend the canonical grid onto the surface, so the vertex at one canonical point
// is the same feature on every person. The expressions are offsets given on the canonical
// coordinates in the model's frame, so the truth of a transferred expression is known at every
// vertex, as for face models built from scans.

#include <vector>

#include <osg/Vec2d>
#include <osg/Vec3>
#include <osg/ref_ptr>

#include "model/face.h"

namespace mw::test {

struct Person {
    double width = 0.8, height = 1.0, depth = 0.9;
    double nose = 1.0;         // nose length (1 = the first person's)
    double mouthWidth = 0.0;   // extra width at the mouth, as a share
    double eyeDistance = 0.0;  // extra width at the eyes, as a share
    double lowerFace = 0.0;    // how far mouth and chin sit lower, as a share of the usual
};

struct SyntheticHead {
    osg::ref_ptr<TarvFaceObject> face;  // one geometry "skin"; `expressions` morphs when asked
    std::vector<osg::Vec2d> canonical;  // per vertex: canonical latitude and longitude
};

// The number of expressions there are: five named ones (jaw_open, smile, blink, brows_up,
// pucker), then made-up bumps over the face.
SyntheticHead makeSyntheticHead(const Person& person, int rings, int segments, int expressions);

// Expression `k`'s offset at canonical coordinates.
osg::Vec3 expressionOffset(int k, const osg::Vec2d& canonical);

}  // namespace mw::test
