#pragma once
// The editor's lighting around a subject: light 0 with a white highlight, fixed to the eye
// (absolute reference frame, so it shines from the viewer), re-normalised normals and a
// white root material for anything that brings no material of its own.

#include <osg/Group>
#include <osg/ref_ptr>

namespace mw {

// A light source whose only child is a scene root holding `subject`.
osg::ref_ptr<osg::Group> makeLitScene(osg::Node* subject);

}  // namespace mw
