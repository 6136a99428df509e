#pragma once
// Geometry indices as the commands pass them: -1 (or any other index outside the face) means none.

#include "authoring/view_state.h"

namespace mw {

// Geometry `index` of the current face, or null without a face or for an index outside it.
inline FaceGeom* currentGeometry(const ViewState& state, int index)
{
    if (!hasFace(state) || index < 0 || static_cast<std::size_t>(index) >= state.face->geometries.size())
        return nullptr;
    return state.face->geometries[static_cast<std::size_t>(index)].get();
}

}  // namespace mw
