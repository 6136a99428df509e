#pragma once
// Text drawn straight into an image's pixels with a small built-in 5×7 font (and descenders),
// for labels in pictures written without a display (no font files, no text in OpenGL).

#include <string_view>

#include <osg/Image>
#include <osg/Vec3>

namespace mw {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 9;  // 7 above the baseline, 2 for descenders
inline constexpr int kGlyphAdvance = 6;  // one blank column between letters

// Width in pixels of `text` at `scale` (each font pixel becomes scale × scale).
int textWidth(std::string_view text, int scale);

// Draws `text` with its top-left corner at (x, top), top counted from the image's top row,
// into an 8-bit RGB or RGBA image stored bottom row first (as OpenGL reads it back). Bytes
// outside printable ASCII are drawn as '?'; pixels outside the image are skipped. `colour` is
// 0…1 per channel.
void drawText(osg::Image& image, int x, int top, std::string_view text, int scale, const osg::Vec3& colour);

}  // namespace mw
