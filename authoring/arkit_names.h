#pragma once
// Apple ARKit's 52 standard face blend shapes, and how a face's morph names map onto them:
// which shapes the face has, which it has only as left and right halves, which are missing
// and which morphs are something else. Rigs spell the names their own way (`eyeBlink_L`,
// `EyeBlinkLeft`, `eye_blink_left`, `L_eyeBlink`), so recognition ignores case and separators.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "authoring/document.h"
#include "model/face.h"

namespace mw {

inline constexpr std::size_t kArkitShapeCount = 52;

// The shapes as ARKit lists them (eyes, jaw, mouth, brows, cheeks, nose, tongue); engines that
// bind blend shapes by index expect this order.
const std::array<std::string_view, kArkitShapeCount>& arkitShapeNames();

// Position of a name spelled exactly as ARKit spells it, or none.
std::optional<std::size_t> arkitShapeIndex(std::string_view exactName);

// Which part of a shape a morph is. Left is the face's own left, as in ARKit.
enum class ArkitPart { Whole, LeftHalf, RightHalf };

struct ArkitMatch {
    std::size_t shape = 0;  // into arkitShapeNames()
    ArkitPart part = ArkitPart::Whole;
    friend bool operator==(const ArkitMatch&, const ArkitMatch&) = default;
};

// The ARKit shape a morph name stands for, or none (see the rules in the source).
std::optional<ArkitMatch> recogniseArkitName(std::string_view name);

struct ArkitHalves {
    std::size_t left = 0;   // morph indices
    std::size_t right = 0;
};

// How a face's morphs cover the standard set. Per shape at most one of `present` and `halves`
// is set; a shape with neither is missing. Every morph not used there is an extra.
struct ArkitReport {
    std::array<std::optional<std::size_t>, kArkitShapeCount> present;  // the morph that is the shape
    std::array<std::optional<ArkitHalves>, kArkitShapeCount> halves;   // only when not present
    std::vector<std::size_t> extra;                                     // morph indices, in the face's order

    bool missing(std::size_t shape) const { return !present[shape] && !halves[shape]; }
};

ArkitReport arkitReport(const TarvFaceObject& face);

struct ArkitRenameResult {
    std::size_t renamed = 0;  // whole shapes now spelled as ARKit spells them
    std::size_t joined = 0;   // shapes made from their two halves
};

// Brings the face's morphs into ARKit's form: every recognised whole shape takes ARKit's
// spelling, each pair of halves becomes the whole shape (their sum, see joinMorphs), the
// standard shapes come first in ARKit's order and the extras follow in their order under their
// own names (a name a standard shape now carries gets a count, as uniqueMorphName gives).
ArkitRenameResult renameToArkit(TarvFaceObject& face);
// The same on the document, which records that the morph names and list changed.
ArkitRenameResult renameToArkit(Document& doc);

}  // namespace mw
