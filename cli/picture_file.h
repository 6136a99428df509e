#pragma once
// Pictures the commands draw (render, thumbnail, sheet), written in the format their name asks for.

#include <string>

#include <osg/Image>

namespace mw::cli {

// True when the scene-graph library writes images of the output's extension; otherwise says
// "Failed to save: OUTPUT (…)" on stderr, so that a command can refuse before it draws anything.
bool canWritePicture(const std::string& output);

// Encodes `image` for the output's extension and replaces the file only once every byte is
// written. kOk, or kWriteFailed after "Failed to save: OUTPUT (reason)".
int writePicture(const osg::Image& image, const std::string& output);

}  // namespace mw::cli
