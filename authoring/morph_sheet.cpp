#include "authoring/morph_sheet.h"

#include "authoring/arkit_names.h"

namespace mw {

std::vector<SheetTile> morphSheetTiles(const TarvFaceObject& face, bool arkitOrder)
{
    std::vector<SheetTile> tiles;
    if (!arkitOrder) {
        for (std::size_t m = 0; m < face.morphs.size(); ++m)
            tiles.push_back({face.morphs[m]->name, {m}});
        return tiles;
    }
    const ArkitReport report = arkitReport(face);
    for (std::size_t k = 0; k < kArkitShapeCount; ++k) {
        SheetTile tile{std::string(arkitShapeNames()[k]), {}};
        if (report.present[k])
            tile.morphs = {*report.present[k]};
        else if (report.halves[k])
            tile.morphs = {report.halves[k]->left, report.halves[k]->right};
        tiles.push_back(tile);
    }
    for (const std::size_t m : report.extra)
        tiles.push_back({face.morphs[m]->name, {m}});
    return tiles;
}

}  // namespace mw
