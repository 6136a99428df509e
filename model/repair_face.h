#pragma once
// Makes a face safe to use whatever the file held: everything that breaks an invariant of the
// face model is dropped or zeroed, and what was changed is reported.

#include <string>
#include <vector>

#include "model/face.h"

namespace mw {

struct RepairReport {
    std::vector<std::string> changes;  // one short sentence per kind of repair, per geometry or target
    bool empty() const { return changes.empty(); }
};

// Changes nothing in a face that is already valid (and then returns an empty report).
RepairReport repairFace(TarvFaceObject& face);

}  // namespace mw
