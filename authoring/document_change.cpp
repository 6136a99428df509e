#include "authoring/document_change.h"

#include <algorithm>

namespace mw {

void Change::addGeometry(std::size_t index, unsigned parts)
{
    if (geometries.size() <= index)
        geometries.resize(index + 1, 0u);
    geometries[index] |= parts;
}

void Change::addAllGeometries(std::size_t count, unsigned parts)
{
    for (std::size_t i = 0; i < count; ++i)
        addGeometry(i, parts);
}

bool Change::any() const
{
    return document != 0 || std::any_of(geometries.begin(), geometries.end(), [](unsigned g) { return g != 0; });
}

Change& Change::operator|=(const Change& other)
{
    document |= other.document;
    for (std::size_t i = 0; i < other.geometries.size(); ++i)
        if (other.geometries[i])
            addGeometry(i, other.geometries[i]);
    return *this;
}

}  // namespace mw
