#pragma once
// Managing the list of morphs: delete, duplicate, move, mirror to the other side, and a new
// morph from the current mix of weights.

#include <optional>
#include <string>

#include "authoring/mirror_map.h"
#include "authoring/view_state.h"
#include "model/face.h"
#include "render/tarv_face_renderer.h"

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

// A morph that at weight 1, all others at 0, draws what the node draws now: every vertex the
// current weights move, by the difference between its drawn and its rest position. Appended
// under uniqueMorphName(name); returns its index. Vertices that end up non-finite are left out.
std::size_t addMorphFromMix(TarvFaceRenderer& node, const std::string& name);

// Shading of the view's faces, now and for every face it loads later: normals that follow
// the morph (on) or the rest pose's normals.
void setMorphedNormals(ViewState& state, bool on);

// The same operations on the editor's view: each keeps the drawn morphs in step with the
// face's list and marks the face modified when it changed something.
bool deleteMorph(ViewState& state, int index);
std::optional<std::size_t> duplicateMorph(ViewState& state, int index);
std::optional<std::size_t> moveMorph(ViewState& state, int index, int to);
std::optional<MirrorResult> mirrorMorph(ViewState& state, int index, const std::string& name = {});
std::optional<std::size_t> addMorphFromMix(ViewState& state, const std::string& name = "mix");

}  // namespace mw
