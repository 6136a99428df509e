#pragma once
// Checks, independently of repairFace, that a face keeps every invariant the renderer relies
// on, and touches every element an index names so that the address sanitizer sees any read
// outside an array. Aborts on the first violation.

#include <cstdint>

#include "model/face.h"

namespace mw::fuzz {

void requireValid(const TarvFaceObject& face);

// A digest of every field but the weights, to tell whether an operation changed a face
// (writing the face out would allocate far more per run).
std::uint64_t faceDigest(const TarvFaceObject& face);

// Aborts with a message when `condition` is false.
void require(bool condition, const char* what);

}  // namespace mw::fuzz
