#pragma once
// Moving a rig's expressions onto a head of another topology. The rig's rest pose is placed
// onto the head (rotation, uniform scale, translation), bent onto the head's shape (non-rigid
// registration), and every head vertex takes the rig's offsets at the closest point of the
// bent rig surface, blended over that triangle. The offsets are turned and scaled by the rigid
// placement only: faces of different people share an expression's offsets in the rig's frame,
// so turning them by the local bending would change the expression.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <osg/ref_ptr>

#include "authoring/nonrigid_registration.h"
#include "authoring/rigid_alignment.h"
#include "model/face.h"

namespace mw {

// Which rig geometries a head geometry takes its offsets from (by name).
struct GeometryPair {
    std::string head;
    std::vector<std::string> rig;
};

// A rig vertex known to sit where a head vertex sits (the tip of the nose, a mouth corner).
struct TransferLandmark {
    std::string rigGeometry;
    std::uint32_t rigVertex = 0;
    std::string headGeometry;
    std::uint32_t headVertex = 0;
};

struct MorphTransferOptions {
    std::vector<std::string> morphs;  // the rig's morphs to transfer; empty for all
    // Pairs that replace the pairing by name for their head geometry.
    std::vector<GeometryPair> pairs;
    std::vector<TransferLandmark> landmarks;
    // Offsets shorter than this (in the head's units) are not stored. Negative: the editor's
    // morph threshold, made smaller with a head smaller than the rig (a rig in centimetres onto
    // a head in metres keeps its subtle shapes).
    float threshold = -1.0f;
    RegistrationOptions registration;
    // Matches the two faces seen from the front before bending the rig (see frontal_guides.h).
    bool frontalGuides = true;
};

enum class TransferPhase { Alignment, Registration, Transfer };

// Told which phase runs and how far it is (0 … 1); false cancels.
using TransferProgress = std::function<bool(TransferPhase, double)>;

struct TransferredMorph {
    std::string name;
    std::size_t vertices = 0;     // head vertices it moves
    double largestOffset = 0.0;   // in the head's units
};

struct MorphTransferReport {
    SimilarityTransform alignment;                     // rig → head
    double meanDistance = 0.0;                // head vertices to the bent rig surface
    double p95Distance = 0.0;
    std::vector<GeometryPair> pairs;          // the pairing used
    std::vector<std::string> unpaired;        // head geometries that got no offsets
    bool registered = false;                  // false when no pair carries any morph offset
    std::size_t fadedVertices = 0;            // head vertices beyond the rig's surface whose offsets fade
    std::size_t oppositeSideVertices = 0;     // head vertices that took the rig surface facing away
    double alignmentSeconds = 0.0, registrationSeconds = 0.0, transferSeconds = 0.0;
    std::vector<TransferredMorph> morphs;
};

struct MorphTransferResult {
    enum class Status {
        Done,
        UnknownName,  // an option names a morph, geometry or vertex the faces lack, or a morph name the head has
        Failed,       // e.g. a rig without morphs
        Cancelled,
    };
    Status status = Status::Done;
    std::string error;                          // one line when not Done
    std::vector<osg::ref_ptr<FaceMorph>> morphs;  // for the head, in the rig's order; one target per head geometry
    MorphTransferReport report;
};

// The rig's morphs for `head`. Neither face is changed.
MorphTransferResult transferMorphs(const TarvFaceObject& rig, const TarvFaceObject& head,
                                   const MorphTransferOptions& options, const TransferProgress& progress = {});

// Reads landmark lines "RIG_GEOM RIG_VERTEX HEAD_GEOM HEAD_VERTEX" ('#' starts a comment);
// false with `error` naming the line when one is malformed.
bool parseLandmarks(std::string_view text, std::vector<TransferLandmark>& landmarks, std::string& error);

}  // namespace mw
