#pragma once
// Geometry indices as the commands pass them: -1 (or any other index outside the face) means none.

#include "authoring/document.h"

namespace mw {

// Geometry `index` of the current face, or null without a face or for an index outside it.
inline FaceGeom* currentGeometry(const Document& doc, int index)
{
    if (!hasFace(doc) || index < 0 || static_cast<std::size_t>(index) >= doc.face->geometries.size())
        return nullptr;
    return doc.face->geometries[static_cast<std::size_t>(index)].get();
}

}  // namespace mw
