#pragma once
// How the comparison face and its difference highlight are drawn over the current face:
// unlit and untextured in one colour, back faces as lines, pulled towards the viewer so they
// win the depth test against the surface they lie on.

#include <osg/StateSet>
#include <osg/Vec4>

namespace mw {

inline const osg::Vec4 kComparisonColour{1.0f, 1.0f, 0.0f, 1.0f};  // yellow
inline constexpr float kComparisonOffsetFactor = -1.0f;
inline const osg::Vec4 kHighlightColour{1.0f, 0.0f, 0.0f, 1.0f};   // red, in front of the comparison face
inline constexpr float kHighlightOffsetFactor = -2.0f;

// Sets, overriding everything below: back faces drawn as lines, a material of `colour`, a
// polygon offset of `offsetFactor` (units 0), and texturing and lighting off.
void applyComparisonStyle(osg::StateSet& state, const osg::Vec4& colour, float offsetFactor);

}  // namespace mw
