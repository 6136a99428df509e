#pragma once
// Splitting a morph sculpted on both sides of the face at once into its left and right halves,
// with a smooth falloff across the face's mirror plane, so that lips and brows do not tear at
// the midline.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "authoring/document.h"
#include "model/face.h"

namespace mw {

// The default width of the falloff, as a share of the face's width.
inline constexpr float kDefaultSplitWidthShare = 0.15f;

// The face's width: the extent of its bounding box along x (every finite rest-pose vertex of
// every geometry); 0 for a face without vertices.
float faceWidth(const TarvFaceObject& face);

// The share of an offset at x that belongs to the face's own left half (which lies at -x):
// 1 at and beyond planeX - width/2, 0 at and beyond planeX + width/2, 1/2 on the plane, and a
// smooth step (3t² - 2t³) in between. A width of 0 (or less) is a hard cut at the plane.
double leftShare(double x, double planeX, double width);

// NAME_L and NAME_R; a name ARKit uses itself (browInnerUp) gets ARKit's NAMELeft and NAMERight.
std::pair<std::string, std::string> splitMorphNames(const std::string& name);

// The left and right halves of `morph` on `face`: each entry's offset is divided by
// leftShare at its vertex's rest position, the larger part computed by multiplication and the
// smaller as the rest, so that the two halves' offsets add up to the original exactly. Entries
// that come out as exactly zero are left out. An entry whose vertex has no position (its
// geometry is missing, the index is out of range, the position is not finite) is shared half
// and half, as if it lay on the plane.
std::pair<osg::ref_ptr<FaceMorph>, osg::ref_ptr<FaceMorph>> splitMorphHalves(const TarvFaceObject& face,
                                                                             const FaceMorph& morph, float planeX,
                                                                             float width);

struct SplitResult {
    std::size_t left = 0;   // positions of the two halves in the list
    std::size_t right = 0;
};

// Replaces the morph at `index` by its two halves named by splitMorphNames, left then right,
// at its place. None for an index outside the list or when another morph already carries one
// of the two names.
std::optional<SplitResult> splitMorph(TarvFaceObject& face, std::size_t index, float planeX, float width);
// The same on the document, across the face's mirror plane; records that the list changed.
std::optional<SplitResult> splitMorph(Document& doc, int index, float width);

}  // namespace mw
