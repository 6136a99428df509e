#pragma once
// Adding morphs together into one: what two halves of a shape sculpted apart draw together.

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "model/face.h"

namespace mw {

// A morph that at weight 1 moves every vertex by the sum of the offsets the given morphs give
// it. Targets are matched by the geometry they name, entries by vertex index; targets and
// entries keep the order in which they first appear. Entries whose sum is exactly zero are left
// out, as are targets left empty.
osg::ref_ptr<FaceMorph> sumOfMorphs(std::span<const FaceMorph* const> morphs, const std::string& name);

// Replaces the morphs at `indices` (each once, at least two) by their sum, called `name`, at
// the place of the one that comes first in the face's list. Returns that position; none for an index
// outside the list, one given twice, fewer than two, or a name another morph carries.
std::optional<std::size_t> joinMorphs(TarvFaceObject& face, std::span<const std::size_t> indices,
                                      const std::string& name);

}  // namespace mw
