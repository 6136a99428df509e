#pragma once
// The host application's folder, announced through the TARVEL20_PATH environment variable.

#include <string>

namespace mw {

// Reads TARVEL20_PATH into hostPath() without its trailing backslashes and returns true.
// When the variable is not set, writes one "** ERROR: " line to standard error and
// returns false; the program carries on either way.
bool lookupHostPath();

// The value found by the last lookupHostPath(); empty before it or when the variable is unset.
const std::string& hostPath();

}  // namespace mw
