#pragma once
// The host application's folder, announced through the TARVEL20_PATH environment variable.

namespace mw {

// Looks for TARVEL20_PATH and returns true when it is set. When it is not, writes one
// "** ERROR: " line to standard error and returns false; the program carries on either way.
bool lookupHostPath();

}  // namespace mw
