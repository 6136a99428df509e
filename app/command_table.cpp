#include "app/command_table.h"

#include <algorithm>

#include "app/command_handlers.h"

namespace mw {

bool commandEnabled(Enabled rule, const CommandContext& context)
{
    switch (rule) {
    case Enabled::Always: return true;
    case Enabled::Never: return false;
    case Enabled::Face: return context.face;
    case Enabled::FaceAndModified: return context.face && context.modified;
    case Enabled::FaceAndGeometry: return context.face && context.geometrySelected;
    case Enabled::MorphSelected: return context.morphSelected;
    case Enabled::Comparison: return context.comparison;
    case Enabled::NeckSelection: return context.neckSelection;
    case Enabled::CanUndo: return context.canUndo;
    case Enabled::CanRedo: return context.canRedo;
    }
    return false;
}

bool commandChecked(Mark mark, const CommandContext& context)
{
    switch (mark) {
    case Mark::None: return false;
    case Mark::NavigationMode: return context.editMode == EditMode::Navigation;
    case Mark::TranslateMode: return context.editMode == EditMode::Translate;
    case Mark::ScaleMode: return context.editMode == EditMode::Scale;
    case Mark::VertexMode: return context.editMode == EditMode::Vertex;
    case Mark::ToolbarShown: return context.toolbarShown;
    case Mark::StatusBarShown: return context.statusBarShown;
    case Mark::MorphedNormals: return context.morphedNormals;
    }
    return false;
}

std::span<const Command> commandTable()
{
    namespace h = handlers;
    using E = Enabled;
    using M = Mark;
    namespace c = command;
    static const Command rows[] = {
        {c::Open, "&Open...\tCtrl+O", "", "", E::Always, M::None, &h::fileOpen},
        {c::Save, "&Save\tCtrl+S", "", "", E::FaceAndModified, M::None, &h::fileSave},
        {c::SaveAs, "Save &As...", "", "", E::Face, M::None, &h::fileSaveAs},
        {c::ExportGltf, "Export g&lTF...", "Export the face as glTF 2.0 (.glb or .gltf) with its morphs\nExport glTF",
         "", E::Face, M::None, &h::fileExportGltf},
        {c::ExportObj, "Export O&BJ...", "Export the face as Wavefront OBJ with its material library\nExport OBJ", "",
         E::Face, M::None, &h::fileExportObj},
        {c::ExportMorphsObj, "Export &Morphs as OBJ Files...",
         "Export the face at rest and one OBJ file per morph into a folder\nExport Morphs as OBJ Files", "", E::Face,
         M::None, &h::fileExportMorphsObj},
        {c::Exit, "E&xit", "Quit the application; prompts to save documents\nExit", "", E::Always, M::None,
         &h::fileExit},
        {c::Undo, "&Undo\tCtrl+Z", "Undo the last action\nUndo", "", E::CanUndo, M::None, &h::editUndo},
        {c::Redo, "&Redo\tCtrl+Y", "Redo the previously undone action\nRedo", "", E::CanRedo, M::None, &h::editRedo},
        {c::Cut, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard\nCut", "", E::Never, M::None, nullptr},
        {c::Copy, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard\nCopy", "", E::Never, M::None,
         nullptr},
        {c::Paste, "&Paste\tCtrl+V", "Insert Clipboard contents\nPaste", "", E::Never, M::None, nullptr},
        {c::ViewToolbar, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", "", E::Always, M::ToolbarShown,
         &h::viewToolbar},
        {c::ViewStatusBar, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", "", E::Always,
         M::StatusBarShown, &h::viewStatusBar},
        {c::About, "&About Mienwright...", "Display program information, version number and copyright\nAbout",
         ":/icons/about.svg", E::Always, M::None, &h::about},
        {c::NavigationMode, "Navigation Mode", "Switch to navigation mode", ":/icons/navigation-mode.svg", E::Face,
         M::NavigationMode, &h::navigationMode},
        {c::TranslateMode, "Translate Mode", "Switch to translate mode", ":/icons/translate-mode.svg", E::Face,
         M::TranslateMode, &h::translateMode},
        {c::ScaleMode, "Scale Mode", "Switch to scale mode", ":/icons/scale-mode.svg", E::Face, M::ScaleMode,
         &h::scaleMode},
        {c::VertexMode, "Vertex Mode", "", ":/icons/vertex-mode.svg", E::Face, M::VertexMode, &h::vertexMode},
        {c::AutoScale, "Auto Scale", "Automatically scale the head to an ideal size", ":/icons/auto-scale.svg",
         E::Face, M::None, &h::autoScale},
        {c::FlipPolygonOrder, "Flip Polygon Order", "", "", E::FaceAndGeometry, M::None, &h::flipPolygonOrder},
        {c::ToggleRenderMode, "Toggle Render Mode", "Toggle render mode between filled polygons and wireframe",
         ":/icons/render-mode.svg", E::Face, M::None, &h::toggleRenderMode},
        {c::TurnRight, "Turn Right", "Turn the head 90 degrees to the right", ":/icons/turn-right.svg", E::Face,
         M::None, &h::turnRight},
        {c::TurnUp, "Turn Up", "", ":/icons/turn-up.svg", E::Face, M::None, &h::turnUp},
        {c::GenerateMorphTarget, "Generate morph target", "", "", E::Comparison, M::None, &h::generateMorphTarget},
        {c::CancelMorphTarget, "Cancel morph target", "", "", E::Comparison, M::None, &h::cancelMorphTarget},
        {c::HighlightDifference, "Highlight difference", "", "", E::Comparison, M::None, &h::highlightDifference},
        {c::FitComparisonFace, "Fit Comparison Face",
         "Scale and move the comparison face onto the face, following the vertices that did not move", "",
         E::Comparison, M::None, &h::fitComparisonFace},
        {c::CreateMorphsFromFiles, "Create Morphs from Files...",
         "Create one morph from each chosen face file of the same topology, named after the file", "", E::Face,
         M::None, &h::createMorphsFromFiles},
        {c::TransferMorphsFromRig, "Transfer Morphs from Rig...",
         "Add a rig's morphs to this head, whatever its mesh, by fitting the rig onto it", "", E::Face, M::None,
         &h::transferMorphsFromRig},
        {c::SetMorphThreshold, "Set morph threshhold", "", "", E::Always, M::None, &h::setMorphThreshold},
        {c::ResetMorphValues, "Reset morph values", "", "", E::Face, M::None, &h::resetMorphValues},
        {c::ScaleMorph, "Scale morph", "", "", E::MorphSelected, M::None, &h::scaleMorph},
        {c::ComputeNeckVertices, "Compute neck vertices", "", "", E::Face, M::None, &h::computeNeckVertices},
        {c::KeepNeckVertices, "Keep selected neck vertices", "", "", E::NeckSelection, M::None,
         &h::keepNeckVertices},
        {c::DiscardNeckVertices, "Discard selected neck vertices", "", "", E::NeckSelection, M::None,
         &h::discardNeckVertices},
        {c::AddNeckVertices, "Add to neck vertices", "", "", E::NeckSelection, M::None, &h::addNeckVertices},
        {c::ClearNeckVertices, "Clear neck vertices", "", "", E::FaceAndGeometry, M::None, &h::clearNeckVertices},
        {c::ShowGeometry, "Show geometry", "", "", E::FaceAndGeometry, M::None, &h::showGeometry},
        {c::HideGeometry, "Hide geometry", "", "", E::FaceAndGeometry, M::None, &h::hideGeometry},
        {c::DeleteMorph, "&Delete", "Delete the selected morph", "", E::MorphSelected, M::None, &h::deleteMorph},
        {c::DuplicateMorph, "D&uplicate", "Copy the selected morph", "", E::MorphSelected, M::None,
         &h::duplicateMorph},
        {c::MoveMorphUp, "Move &Up", "Move the selected morph up the list", "", E::MorphSelected, M::None,
         &h::moveMorphUp},
        {c::MoveMorphDown, "Move Do&wn", "Move the selected morph down the list", "", E::MorphSelected, M::None,
         &h::moveMorphDown},
        {c::MirrorMorph, "&Mirror", "Add the selected morph's mirror image on the other side of the head", "",
         E::MorphSelected, M::None, &h::mirrorMorph},
        {c::NewMorphFromMix, "&New Morph from Mix", "Add a morph that is the current mix of morph values", "",
         E::Face, M::None, &h::newMorphFromMix},
        {c::CheckArkitSet, "Check &ARKit Set...",
         "Show which of ARKit's 52 blend shapes the morphs provide, and rename them to ARKit's names", "", E::Face,
         M::None, &h::checkArkitSet},
        {c::SplitMorph, "&Split Left/Right...",
         "Replace the selected morph by its left and right halves, blended across the mirror plane", "",
         E::MorphSelected, M::None, &h::splitMorph},
        {c::ViewMorphedNormals, "Morphed &Normals", "Shade morphs with normals that follow the morphed surface",
         "", E::Always, M::MorphedNormals, &h::viewMorphedNormals},
        // Keys only: moving between panes has no handler, so the keys do nothing.
        {c::NextPane, "Next Pane", "", "", E::Never, M::None, nullptr},
        {c::PreviousPane, "Previous Pane", "", "", E::Never, M::None, nullptr},
    };
    return rows;
}

std::string_view undoStepName(int id)
{
    namespace c = command;
    struct Step {
        int id;
        std::string_view name;
    };
    static const Step steps[] = {
        {c::AutoScale, "Auto Scale"},
        {c::FlipPolygonOrder, "Flip Polygon Order"},
        {c::TurnRight, "Turn Right"},
        {c::TurnUp, "Turn Up"},
        {c::GenerateMorphTarget, "Generate Morph Target"},
        {c::ScaleMorph, "Scale Morph"},
        {c::ComputeNeckVertices, "Compute Neck Vertices"},
        {c::KeepNeckVertices, "Keep Selected Neck Vertices"},
        {c::DiscardNeckVertices, "Discard Selected Neck Vertices"},
        {c::AddNeckVertices, "Add to Neck Vertices"},
        {c::ClearNeckVertices, "Clear Neck Vertices"},
        {c::CreateMorphsFromFiles, "Create Morphs from Files"},
        {c::TransferMorphsFromRig, "Transfer Morphs from Rig"},
        {c::DeleteMorph, "Delete Morph"},
        {c::DuplicateMorph, "Duplicate Morph"},
        {c::MoveMorphUp, "Move Morph Up"},
        {c::MoveMorphDown, "Move Morph Down"},
        {c::MirrorMorph, "Mirror Morph"},
        {c::NewMorphFromMix, "New Morph from Mix"},
        {c::CheckArkitSet, "Rename to ARKit"},
        {c::SplitMorph, "Split Morph"},
    };
    const auto it = std::ranges::find(steps, id, &Step::id);
    return it == std::end(steps) ? std::string_view() : it->name;
}

const Command* findCommand(int id)
{
    const auto table = commandTable();
    const auto it = std::ranges::find(table, id, &Command::id);
    return it == table.end() ? nullptr : &*it;
}

std::string_view menuText(const Command& command) { return command.label.substr(0, command.label.find('\t')); }

std::string_view shortcutKeys(const Command& command)
{
    const auto tab = command.label.find('\t');
    return tab == std::string_view::npos ? std::string_view() : command.label.substr(tab + 1);
}

std::string_view statusPrompt(const Command& command) { return command.prompt.substr(0, command.prompt.find('\n')); }

std::string_view toolTipText(const Command& command)
{
    const auto newline = command.prompt.find('\n');
    return newline == std::string_view::npos ? std::string_view() : command.prompt.substr(newline + 1);
}

namespace {

// The Morph menu, which is also the context menu of a morph item.
constexpr int kMorphMenu[] = {command::DeleteMorph, command::DuplicateMorph, kSeparator, command::MoveMorphUp,
                              command::MoveMorphDown, kSeparator, command::MirrorMorph, command::NewMorphFromMix,
                              kSeparator, command::SplitMorph, command::CheckArkitSet};

}  // namespace

std::span<const MenuLayout> menuBarLayout()
{
    namespace c = command;
    constexpr int s = kSeparator;
    static const int file[] = {c::Open, c::Save, c::SaveAs, c::ExportGltf, c::ExportObj, c::ExportMorphsObj, s, s, c::Exit};
    static const int edit[] = {c::Undo, c::Redo, s, c::Cut, c::Copy, c::Paste};
    static const int view[] = {c::ViewToolbar, c::ViewStatusBar, s, c::ViewMorphedNormals};
    static const int help[] = {c::About};
    static const int tools[] = {
        c::NavigationMode, c::TranslateMode, c::ScaleMode, c::VertexMode, s,
        c::AutoScale, c::FlipPolygonOrder, s,
        c::ToggleRenderMode, s,
        c::TurnRight, c::TurnUp, s,
        c::GenerateMorphTarget, c::CancelMorphTarget, c::HighlightDifference, c::FitComparisonFace,
        c::SetMorphThreshold, c::CreateMorphsFromFiles, c::TransferMorphsFromRig, s,
        c::ResetMorphValues, c::ScaleMorph, s,
        c::ComputeNeckVertices, c::KeepNeckVertices, c::DiscardNeckVertices, c::AddNeckVertices,
        c::ClearNeckVertices, s,
        c::ShowGeometry, c::HideGeometry,
    };
    static const MenuLayout menus[] = {
        {"&File", file}, {"&Edit", edit}, {"&View", view}, {"&Help", help}, {"Tools", tools}, {"&Morph", kMorphMenu},
    };
    return menus;
}

std::span<const int> toolbarLayout()
{
    namespace c = command;
    static const int buttons[] = {c::NavigationMode, c::TranslateMode, c::ScaleMode, c::VertexMode, kSeparator,
                                  c::AutoScale, c::ToggleRenderMode, c::TurnRight, c::TurnUp, c::About};
    return buttons;
}

std::span<const int> contextMenuLayout(int menuId)
{
    static const int geometry[] = {command::ShowGeometry, command::HideGeometry, command::FlipPolygonOrder};
    if (menuId == kGeometryContextMenu)
        return geometry;
    if (menuId == kMorphContextMenu)
        return kMorphMenu;
    return {};
}

std::span<const Accelerator> acceleratorTable()
{
    namespace c = command;
    static const Accelerator keys[] = {
        {"Ctrl+C", c::Copy},       {"Ctrl+Ins", c::Copy},   {"Ctrl+V", c::Paste}, {"Shift+Ins", c::Paste},
        {"Ctrl+X", c::Cut},        {"Shift+Del", c::Cut},   {"Ctrl+Z", c::Undo},  {"Alt+Backspace", c::Undo},
        {"Ctrl+Shift+Z", c::Redo},
        {"F6", c::NextPane},       {"Shift+F6", c::PreviousPane},
    };
    return keys;
}

}  // namespace mw
