#pragma once
// Managing the list of morphs: delete, duplicate, move, mirror to the other side, and a new
// morph from the current mix of weights.

#include <optional>
#include <string>

#include "authoring/document.h"
#include "authoring/mirror_map.h"
#include "model/face.h"

namespace mw {

// `name` when no morph of the face carries it; otherwise the name without a trailing
// ".NNN" followed by the first of ".001", ".002", … that no morph carries.
std::string uniqueMorphName(const TarvFaceObject& face, const std::string& name);

// The name of a morph's mirror: every side marker swapped (`_L`/`_R`, `.L`/`.R`,
// `Left`/`Right`, in the case they are written in), or `_mirror` appended when it has none.
std::string mirroredMorphName(const std::string& name);

// Index of the first morph called `name`, or none.
std::optional<std::size_t> findMorph(const TarvFaceObject& face, const std::string& name);

// The operations on the face's data alone. Indices are positions in face.morphs; an index
// outside the list changes nothing and gives false / no index. New morphs have weight 0.
bool deleteMorph(TarvFaceObject& face, std::size_t index);
// A deep copy right after the original, named by uniqueMorphName; returns its index.
std::optional<std::size_t> duplicateMorph(TarvFaceObject& face, std::size_t index);
// Moves the morph to position `to` (clamped to the list), the others keeping their order.
std::optional<std::size_t> moveMorph(TarvFaceObject& face, std::size_t index, std::size_t to);

struct MirrorResult {
    std::size_t index = 0;          // of the new morph, right after the original
    std::size_t unmatched = 0;      // moved vertices without a partner, left out of the mirror
};

// Appends after the original a morph that moves each partner (see MirrorMap) of every vertex
// the original moves, by the original offset with its x negated. The name is `name` when
// given, otherwise mirroredMorphName; either way made unique. Targets go to the geometry of
// the partner, so a morph of a left eye geometry mirrors onto the right eye's geometry.
std::optional<MirrorResult> mirrorMorph(TarvFaceObject& face, const MirrorMap& map, std::size_t index,
                                        const std::string& name = {});

// A morph that at weight 1, all others at 0, gives the face as the current weights deform it:
// every vertex they move, by the difference between its morphed and its rest position, with
// each geometry's targets applied in the order the face draws them (morphs in order, a target
// reaching the geometry that bears its name, the later one when two share it). Appended under
// uniqueMorphName(name); returns its index. Vertices that end up non-finite are left out.
std::size_t addMorphFromMix(TarvFaceObject& face, const std::string& name);

// The same operations on the document: each records that the list of morphs changed when it
// changed something.
bool deleteMorph(Document& doc, int index);
std::optional<std::size_t> duplicateMorph(Document& doc, int index);
std::optional<std::size_t> moveMorph(Document& doc, int index, int to);
std::optional<MirrorResult> mirrorMorph(Document& doc, int index, const std::string& name = {});
std::optional<std::size_t> addMorphFromMix(Document& doc, const std::string& name = "mix");
// Appends `morphs` (made for this face) at the end of the list; the index of the first, or none
// when there were none.
std::optional<std::size_t> appendMorphs(Document& doc, const std::vector<osg::ref_ptr<FaceMorph>>& morphs);

}  // namespace mw
