#pragma once
// Lining a comparison face up with the current face: a uniform scale and a translation.
//
// The fit brings the comparison's paired vertices onto the current face's in the least-squares
// sense, recomputed on the half that agrees best until that half no longer changes, so the
// vertices an expression moves do not drag the rest along. The seed is the quick placement
// "Auto Scale" makes (the same width along x, the same lowest point).

#include <optional>
#include <span>

#include <osg/Vec3>
#include <osg/Vec3d>

#include "authoring/document.h"
#include "authoring/geometry_pairing.h"
#include "authoring/prompt.h"
#include "model/face.h"

namespace mw {

// p -> scale * p + translation, with a positive scale.
struct Similarity {
    double scale = 1.0;
    osg::Vec3d translation;

    osg::Vec3 apply(const osg::Vec3& p) const { return osg::Vec3(osg::Vec3d(p) * scale + translation); }
};

// The similarity that carries `from` onto `to` (same length) robustly, as described above;
// nothing when the points do not span any distance or no positive scale fits. `start`, when
// given, is tried besides the plain least-squares solution and the identity.
std::optional<Similarity> fitSimilarity(std::span<const osg::Vec3> from, std::span<const osg::Vec3> to,
                                        const std::optional<Similarity>& start = std::nullopt);

// Calls visit(comparisonPosition, ownPosition) for every vertex of `current` that the pairing
// gives a partner.
template <class Visit>
void forEachPairedVertex(const TarvFaceObject& current, const FacePairing& pairing, Visit&& visit)
{
    for (std::size_t g = 0; g < pairing.geometries.size() && g < current.geometries.size(); ++g) {
        const GeometryPairing& paired = pairing.geometries[g];
        const osg::Vec3Array& own = *current.geometries[g]->vertices;
        for (std::size_t j = 0; j < own.size() && j < paired.positions.size(); ++j)
            if (paired.paired[j])
                visit(paired.positions[j], own[j]);
    }
}

// The fit of the paired comparison positions onto the vertices of `current`.
std::optional<Similarity> fitPairing(const TarvFaceObject& current, const FacePairing& pairing,
                                     const std::optional<Similarity>& start = std::nullopt);

// Scales `comparison` to the width along x of `current` and moves its lowest point to theirs;
// nothing when either has no width along x.
std::optional<Similarity> seedSimilarity(const TarvFaceObject& current, const TarvFaceObject& comparison);

// Moves the paired positions (and only those) by `similarity`.
void transformPairing(FacePairing& pairing, const Similarity& similarity);

// "Fit Comparison Face": bakes the comparison face's placement, fits it onto the current
// face, makes the fit the comparison placement (the edit handler can go on from there) and
// highlights the difference again. A pairing or fit that fails is said through `prompt`
// and changes nothing. Nothing without a face and a comparison face.
bool fitComparisonFace(Document& doc, Prompt& prompt);

}  // namespace mw
