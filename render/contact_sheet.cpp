#include "render/contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/bitmap_text.h"
#include "render/lit_scene.h"

namespace mw {
namespace {

constexpr unsigned kGap = 2;
constexpr unsigned char kSheetGrey = 48;   // between the tiles and under the labels
constexpr unsigned char kEmptyGrey = 80;   // a tile without a picture

int labelScale(unsigned tile) { return tile >= 192 ? 2 : 1; }

// The label as it fits into `width` pixels: cut short with ".." when too long.
std::string fitted(const std::string& label, int width, int scale)
{
    if (textWidth(label, scale) <= width)
        return label;
    std::string cut = label;
    while (!cut.empty() && textWidth(cut + "..", scale) > width)
        cut.pop_back();
    return cut + "..";
}

void fill(osg::Image& sheet, unsigned x, unsigned yTop, unsigned width, unsigned height, unsigned char grey)
{
    const unsigned rows = static_cast<unsigned>(sheet.t());
    for (unsigned y = yTop; y < yTop + height && y < rows; ++y)
        std::memset(sheet.data(x, rows - 1 - y), grey, std::min<unsigned>(width, sheet.s() - x) * 3);
}

// Copies an RGB or RGBA picture (bottom row first) into the sheet with its top-left at (x, yTop).
void paste(osg::Image& sheet, const osg::Image& picture, unsigned x, unsigned yTop)
{
    const unsigned rows = static_cast<unsigned>(sheet.t());
    const unsigned channels = picture.getPixelFormat() == GL_RGBA ? 4 : 3;
    for (int py = 0; py < picture.t(); ++py) {
        const unsigned y = yTop + static_cast<unsigned>(picture.t() - 1 - py);  // picture row from the top
        if (y >= rows)
            continue;
        const unsigned char* from = picture.data(0, py);
        unsigned char* to = sheet.data(x, rows - 1 - y);
        for (int px = 0; px < picture.s() && x + static_cast<unsigned>(px) < static_cast<unsigned>(sheet.s()); ++px)
            std::memcpy(to + 3 * px, from + channels * px, 3);
    }
}

}  // namespace

int sheetLabelHeight(unsigned tile) { return kGlyphHeight * labelScale(tile) + 6; }

SheetLayout sheetLayout(std::size_t tiles, unsigned tile, unsigned columns)
{
    SheetLayout layout;
    layout.tile = tile;
    const auto count = static_cast<unsigned>(std::max<std::size_t>(tiles, 1));
    layout.columns = columns > 0 ? columns : static_cast<unsigned>(std::ceil(std::sqrt(static_cast<double>(count))));
    layout.columns = std::min(layout.columns, count);
    layout.rows = (count + layout.columns - 1) / layout.columns;
    layout.width = layout.columns * (tile + kGap) + kGap;
    layout.height = layout.rows * (tile + static_cast<unsigned>(sheetLabelHeight(tile)) + kGap) + kGap;
    return layout;
}

osg::ref_ptr<osg::Image> drawContactSheet(OffscreenRenderer& renderer, TarvFaceRenderer& node,
                                          const std::vector<SheetTile>& tiles, unsigned columns)
{
    const unsigned tile = renderer.width();
    const SheetLayout layout = sheetLayout(tiles.size(), tile, columns);
    osg::ref_ptr<osg::Image> sheet = new osg::Image;
    sheet->allocateImage(static_cast<int>(layout.width), static_cast<int>(layout.height), 1, GL_RGB, GL_UNSIGNED_BYTE);
    sheet->setInternalTextureFormat(GL_RGB);
    std::memset(sheet->data(), kSheetGrey, sheet->getTotalSizeInBytes());

    // One framing for every tile, that of the rest pose, so that tiles compare at a glance.
    renderer.setScene(makeLitScene(&node).get());
    renderer.setCamera(headCamera(node.getBound(), 1.0, ViewDirection::Front, UpAxis::Y));
    const int scale = labelScale(tile);
    const unsigned label = static_cast<unsigned>(sheetLabelHeight(tile));
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const unsigned x = kGap + static_cast<unsigned>(i % layout.columns) * (tile + kGap);
        const unsigned y = kGap + static_cast<unsigned>(i / layout.columns) * (tile + label + kGap);
        if (!tiles[i].morphs.empty()) {
            node.resetMorphWeights();
            for (const std::size_t morph : tiles[i].morphs)
                node.setMorphWeight(static_cast<int>(morph), 1.0f);
            const osg::ref_ptr<osg::Image> picture = renderer.capture();
            if (!picture) {
                node.resetMorphWeights();
                return nullptr;
            }
            paste(*sheet, *picture, x, y);
        } else {
            fill(*sheet, x, y, tile, tile, kEmptyGrey);
        }
        const std::string text = fitted(tiles[i].label, static_cast<int>(tile) - 4, scale);
        const int left = static_cast<int>(x) + (static_cast<int>(tile) - textWidth(text, scale)) / 2;
        drawText(*sheet, left, static_cast<int>(y + tile + 3), text, scale, osg::Vec3(1, 1, 1));
    }
    node.resetMorphWeights();
    return sheet;
}

}  // namespace mw
