#pragma once
// A contact sheet of a face's morphs: one tile per morph, drawn at weight 1 from the front
// with the face's own materials and textures, the morph's name under it, tiles in a grid.

#include <cstddef>
#include <string>
#include <vector>

#include <osg/Image>
#include <osg/ref_ptr>

#include "model/sheet_tile.h"
#include "render/offscreen_render.h"
#include "render/tarv_face_renderer.h"

namespace mw {

// Height of the strip under each picture that holds its label.
int sheetLabelHeight(unsigned tile);

// Where the tiles go: `columns` across (0: as many as make the sheet about square), each
// tile×tile pixels of picture plus the label strip, a small gap around every tile.
struct SheetLayout {
    unsigned tile = 0;
    unsigned columns = 0;
    unsigned rows = 0;
    unsigned width = 0;   // of the whole sheet, in pixels
    unsigned height = 0;
};
SheetLayout sheetLayout(std::size_t tiles, unsigned tile, unsigned columns);

// Draws the sheet with `renderer` (tile × tile pixels): each tile's morphs at weight 1, all
// others at 0, framed like `render` frames the face's front. The node's weights are left at 0.
// Returns an RGB image (bottom row first), or null when OpenGL returned no picture.
osg::ref_ptr<osg::Image> drawContactSheet(OffscreenRenderer& renderer, TarvFaceRenderer& node,
                                          const std::vector<SheetTile>& tiles, unsigned columns);

}  // namespace mw
