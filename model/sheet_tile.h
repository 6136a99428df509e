#pragma once
// One tile of a contact sheet of a face's morphs: which morphs it shows and its label.

#include <cstddef>
#include <string>
#include <vector>

namespace mw {

struct SheetTile {
    std::string label;
    // Drawn together at weight 1 (the two halves of a shape); none: an empty tile with its label,
    // for a shape the face lacks.
    std::vector<std::size_t> morphs;
};

}  // namespace mw
