#pragma once
// Where the scene-graph library's own notifications (plug-in warnings, unhandled lines of a
// model file, missing textures) are written.

#include <string>

namespace mw {

// Sends every notification of the scene-graph library, whatever its severity, to standard
// error, each line prefixed by `prefix`. Standard output is then left to the program.
void sendLibraryMessagesToStandardError(std::string prefix);

}  // namespace mw
