#pragma once
// Morph weights taking effect: rest pose plus weight × offset of every attached target.

#include <span>
#include <vector>

#include <osg/Vec3>
#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

using TargetList = std::vector<osg::ref_ptr<FaceTarget>>;

// True when some target's weight is not exactly 0 (a NaN weight counts as set).
bool hasActiveWeight(std::span<const osg::ref_ptr<FaceTarget>> targets);

// Adds weight × offsets[j] to positions[indices[j]] for every target whose weight is not
// exactly 0, component by component, targets in order; repeated indices add up. Entries
// naming a position outside `positions`, or without an offset, are skipped.
void applyMorphTargets(std::span<osg::Vec3> positions, std::span<const osg::ref_ptr<FaceTarget>> targets);

}  // namespace mw
