#include "authoring/arkit_names.h"

#include <algorithm>
#include <set>

#include "authoring/morph_join.h"
#include "authoring/morph_management.h"

namespace mw {
namespace {

// How names are recognised, and how ambiguity is settled:
//  - Case and the separators `_`, `.`, `-` and blanks do not count: `eye_blink_left`,
//    `EyeBlinkLeft` and `EYE-BLINK-LEFT` are all `eyeBlinkLeft`.
//  - A side is a single L or R after a separator at the end (`_L`, `.R`, `-l`), or before one
//    at the start (`L_`, `r.`), or the word Left/Right at either end: after a separator, or
//    capitalised after a lower-case letter or digit (`browInnerUpLeft`), or at the start before
//    a separator (`Left_brow`). "Left" is the face's own left, as in ARKit and in most rigs.
//  - The whole name is tried first, so a shape whose own name ends in a side word stays whole:
//    `jawLeft`, `mouthRight`, `mouth_right` are those shapes, never halves of a "jaw" or
//    "mouth" that ARKit does not have.
//  - Then the name without its side: if the stem and side together spell a shape
//    (`eyeBlink_L` → eyeBlinkLeft, `L_jaw` → jawLeft), that shape is meant whole; if the stem
//    alone spells one (`browInnerUp_L`, `cheekPuff_R`, `jawOpen.L`), the morph is that shape's
//    half. So `mouthLeft_L` is the left half of mouthLeft.
//  - In the report, when several morphs stand for one shape, the one spelled exactly as ARKit
//    spells it is taken, otherwise the first; the others are extras. Halves count only in pairs
//    and only where the shape is not present whole; an unpaired or surplus half is an extra.
constexpr std::array<std::string_view, kArkitShapeCount> kShapes = {
    "eyeBlinkLeft",     "eyeLookDownLeft",   "eyeLookInLeft",     "eyeLookOutLeft",   "eyeLookUpLeft",
    "eyeSquintLeft",    "eyeWideLeft",       "eyeBlinkRight",     "eyeLookDownRight", "eyeLookInRight",
    "eyeLookOutRight",  "eyeLookUpRight",    "eyeSquintRight",    "eyeWideRight",     "jawForward",
    "jawLeft",          "jawRight",          "jawOpen",           "mouthClose",       "mouthFunnel",
    "mouthPucker",      "mouthLeft",         "mouthRight",        "mouthSmileLeft",   "mouthSmileRight",
    "mouthFrownLeft",   "mouthFrownRight",   "mouthDimpleLeft",   "mouthDimpleRight", "mouthStretchLeft",
    "mouthStretchRight", "mouthRollLower",   "mouthRollUpper",    "mouthShrugLower",  "mouthShrugUpper",
    "mouthPressLeft",   "mouthPressRight",   "mouthLowerDownLeft", "mouthLowerDownRight", "mouthUpperUpLeft",
    "mouthUpperUpRight", "browDownLeft",     "browDownRight",     "browInnerUp",      "browOuterUpLeft",
    "browOuterUpRight", "cheekPuff",         "cheekSquintLeft",   "cheekSquintRight", "noseSneerLeft",
    "noseSneerRight",   "tongueOut",
};

bool isSeparator(char c) { return c == '_' || c == '.' || c == '-' || c == ' '; }
bool isLowerOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The name in lower case without separators: the form names are compared in.
std::string key(std::string_view name)
{
    std::string out;
    for (char c : name)
        if (!isSeparator(c))
            out += lower(c);
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::size_t> shapeWithKey(std::string_view k)
{
    for (std::size_t i = 0; i < kShapes.size(); ++i)
        if (key(kShapes[i]) == k)
            return i;
    return std::nullopt;
}

struct Sided {
    std::string_view stem;
    ArkitPart side;
};

// The name split into its stem and side marker (see the rules above), or none.
std::optional<Sided> splitSide(std::string_view name)
{
    const std::size_t n = name.size();
    auto sideOf = [](char c) { return lower(c) == 'l' ? ArkitPart::LeftHalf : ArkitPart::RightHalf; };
    auto isSideLetter = [](char c) { return lower(c) == 'l' || lower(c) == 'r'; };
    // `_L` at the end, `L_` at the start.
    if (n >= 3 && isSeparator(name[n - 2]) && isSideLetter(name[n - 1]))
        return Sided{name.substr(0, n - 2), sideOf(name[n - 1])};
    if (n >= 3 && isSideLetter(name[0]) && isSeparator(name[1]))
        return Sided{name.substr(2), sideOf(name[0])};
    for (const std::string_view word : {std::string_view("left"), std::string_view("right")}) {
        const ArkitPart side = word == "left" ? ArkitPart::LeftHalf : ArkitPart::RightHalf;
        const std::size_t w = word.size();
        if (n > w && equalsIgnoringCase(name.substr(n - w), word)) {
            const char before = name[n - w - 1];
            if (isSeparator(before) && n > w + 1)
                return Sided{name.substr(0, n - w - 1), side};
            if (name[n - w] == (word == "left" ? 'L' : 'R') && isLowerOrDigit(before))
                return Sided{name.substr(0, n - w), side};
        }
        if (n > w + 1 && equalsIgnoringCase(name.substr(0, w), word) && isSeparator(name[w]))
            return Sided{name.substr(w + 1), side};
    }
    return std::nullopt;
}

}  // namespace

const std::array<std::string_view, kArkitShapeCount>& arkitShapeNames() { return kShapes; }

std::optional<std::size_t> arkitShapeIndex(std::string_view exactName)
{
    const auto found = std::find(kShapes.begin(), kShapes.end(), exactName);
    return found == kShapes.end() ? std::nullopt : std::optional<std::size_t>(found - kShapes.begin());
}

std::optional<ArkitMatch> recogniseArkitName(std::string_view name)
{
    if (const auto whole = shapeWithKey(key(name)))
        return ArkitMatch{*whole, ArkitPart::Whole};
    const auto sided = splitSide(name);
    if (!sided)
        return std::nullopt;
    const std::string stem = key(sided->stem);
    if (stem.empty())
        return std::nullopt;
    if (const auto whole = shapeWithKey(stem + (sided->side == ArkitPart::LeftHalf ? "left" : "right")))
        return ArkitMatch{*whole, ArkitPart::Whole};
    if (const auto half = shapeWithKey(stem))
        return ArkitMatch{*half, sided->side};
    return std::nullopt;
}

ArkitReport arkitReport(const TarvFaceObject& face)
{
    ArkitReport report;
    std::array<std::optional<std::size_t>, kArkitShapeCount> left, right;
    for (std::size_t m = 0; m < face.morphs.size(); ++m) {
        const std::string& name = face.morphs[m]->name;
        const auto match = recogniseArkitName(name);
        if (!match)
            continue;
        if (match->part == ArkitPart::Whole) {
            auto& chosen = report.present[match->shape];
            // The exact spelling wins over an earlier variant of it.
            if (!chosen || (name == kShapes[match->shape] && face.morphs[*chosen]->name != name))
                chosen = m;
        } else {
            auto& half = match->part == ArkitPart::LeftHalf ? left[match->shape] : right[match->shape];
            if (!half)
                half = m;
        }
    }
    std::set<std::size_t> used;
    for (std::size_t k = 0; k < kArkitShapeCount; ++k) {
        if (report.present[k])
            used.insert(*report.present[k]);
        else if (left[k] && right[k]) {
            report.halves[k] = ArkitHalves{*left[k], *right[k]};
            used.insert({*left[k], *right[k]});
        }
    }
    for (std::size_t m = 0; m < face.morphs.size(); ++m)
        if (!used.count(m))
            report.extra.push_back(m);
    return report;
}

ArkitRenameResult renameToArkit(TarvFaceObject& face)
{
    const ArkitReport report = arkitReport(face);
    ArkitRenameResult result;
    std::vector<osg::ref_ptr<FaceMorph>> morphs;
    for (std::size_t k = 0; k < kArkitShapeCount; ++k) {
        if (report.present[k]) {
            osg::ref_ptr<FaceMorph> morph = face.morphs[*report.present[k]];
            if (morph->name != kShapes[k]) {
                morph->name = std::string(kShapes[k]);
                ++result.renamed;
            }
            morphs.push_back(morph);
        } else if (report.halves[k]) {
            const FaceMorph* halves[] = {face.morphs[report.halves[k]->left].get(),
                                         face.morphs[report.halves[k]->right].get()};
            morphs.push_back(sumOfMorphs(halves, std::string(kShapes[k])));
            ++result.joined;
        }
    }
    std::vector<osg::ref_ptr<FaceMorph>> extras;
    for (const std::size_t m : report.extra)
        extras.push_back(face.morphs[m]);
    face.morphs = std::move(morphs);
    for (const auto& extra : extras) {
        if (arkitShapeIndex(extra->name) && findMorph(face, extra->name))
            extra->name = uniqueMorphName(face, extra->name);
        face.morphs.push_back(extra);
    }
    return result;
}

ArkitRenameResult renameToArkit(Document& doc)
{
    if (!hasFace(doc))
        return {};
    const ArkitRenameResult result = renameToArkit(*doc.face);
    doc.changes.add(document_change::kNames | document_change::kMorphList);
    return result;
}

}  // namespace mw
