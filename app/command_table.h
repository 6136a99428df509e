#pragma once
// The editor's commands as one table: every command's id, menu text, prompt, toolbar icon,
// enabling and check-mark rule and handler. Menus, the toolbar, the context menu, the status
// prompts, tooltips and shortcuts are all built from it, and the frame computes every
// command's state from it. Adding a command is one row here plus one handler function
// (command_handlers.h).

#include <span>
#include <string_view>

#include "interaction/edit_handler.h"

namespace mw {

struct CommandScope;

// Command ids. They are the numbers the actions carry (QAction::data), so tests and panes can
// find a command by id.
namespace command {
inline constexpr int Open = 57601;
inline constexpr int Save = 57603;
inline constexpr int SaveAs = 142;
inline constexpr int ExportGltf = 172;
inline constexpr int ExportObj = 173;
inline constexpr int ExportMorphsObj = 174;
inline constexpr int Exit = 57665;
inline constexpr int Undo = 57643;
inline constexpr int Redo = 57644;
inline constexpr int Cut = 57635;
inline constexpr int Copy = 57634;
inline constexpr int Paste = 57637;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;
inline constexpr int About = 57664;
inline constexpr int NavigationMode = 131;
inline constexpr int TranslateMode = 133;
inline constexpr int ScaleMode = 132;
inline constexpr int VertexMode = 150;
inline constexpr int AutoScale = 130;
inline constexpr int FlipPolygonOrder = 163;
inline constexpr int ToggleRenderMode = 134;
inline constexpr int TurnRight = 135;
inline constexpr int TurnUp = 136;
inline constexpr int GenerateMorphTarget = 138;
inline constexpr int CancelMorphTarget = 139;
inline constexpr int HighlightDifference = 140;
inline constexpr int FitComparisonFace = 170;
inline constexpr int CreateMorphsFromFiles = 171;
inline constexpr int TransferMorphsFromRig = 177;
inline constexpr int SetMorphThreshold = 160;
inline constexpr int ResetMorphValues = 147;
inline constexpr int ScaleMorph = 148;
inline constexpr int ComputeNeckVertices = 151;
inline constexpr int KeepNeckVertices = 153;
inline constexpr int DiscardNeckVertices = 154;
inline constexpr int AddNeckVertices = 155;
inline constexpr int ClearNeckVertices = 157;
inline constexpr int ShowGeometry = 158;
inline constexpr int HideGeometry = 159;
inline constexpr int DeleteMorph = 180;
inline constexpr int DuplicateMorph = 181;
inline constexpr int MoveMorphUp = 182;
inline constexpr int MoveMorphDown = 183;
inline constexpr int MirrorMorph = 184;
inline constexpr int NewMorphFromMix = 185;
inline constexpr int ViewMorphedNormals = 186;
inline constexpr int CheckArkitSet = 188;
inline constexpr int SplitMorph = 189;
inline constexpr int NextPane = 57680;
inline constexpr int PreviousPane = 57681;
}  // namespace command

// The id of the geometry context menu, and the separator in every layout list.
inline constexpr int kGeometryContextMenu = 164;
// The context menu of a morph item of the morph bar's tree.
inline constexpr int kMorphContextMenu = 187;
inline constexpr int kSeparator = 0;

// What the rules look at, gathered by the frame at the moment the states are refreshed.
struct CommandContext {
    bool face = false;              // a face is loaded
    bool modified = false;          // the frame's isModified
    bool comparison = false;        // a comparison face is loaded
    bool geometrySelected = false;  // the morph bar's selection is a geometry
    bool morphSelected = false;     // the morph bar's selection is a morph
    bool neckSelection = false;     // vertex mode, a closed lasso and a displayed geometry
    bool canUndo = false;           // the face's history has a step to undo
    bool canRedo = false;           // … or one to redo
    EditMode editMode = EditMode::Navigation;
    bool toolbarShown = false;
    bool statusBarShown = false;
    bool morphedNormals = true;     // the view shades with normals that follow the morph
};

enum class Enabled {
    Always,
    Never,  // commands without a handler
    Face,
    FaceAndModified,
    FaceAndGeometry,
    MorphSelected,
    Comparison,
    NeckSelection,
    CanUndo,
    CanRedo,
};

enum class Mark {
    None,
    NavigationMode,
    TranslateMode,
    ScaleMode,
    VertexMode,
    ToolbarShown,
    StatusBarShown,
    MorphedNormals,
};

bool commandEnabled(Enabled rule, const CommandContext& context);
// Whether the command carries a check mark (commands with Mark::None are not checkable).
bool commandChecked(Mark mark, const CommandContext& context);

using CommandHandler = void (*)(CommandScope&);

struct Command {
    int id;
    // Menu text with its mnemonic; the keys after a tab are the command's shortcut.
    std::string_view label;
    // First line: the status-bar prompt while the item is highlighted; second line (after
    // '\n'): the toolbar tooltip.
    std::string_view prompt;
    // Resource path of the toolbar icon, empty for commands without a button.
    std::string_view icon;
    Enabled enabled;
    Mark mark;
    // Null for commands that have no handler (they stay disabled).
    CommandHandler handler;
};

std::span<const Command> commandTable();

// The undo step a command makes when it changes the face ("Turn Right"); empty for commands
// that change nothing that is saved.
std::string_view undoStepName(int id);
// The row of `id`, or null.
const Command* findCommand(int id);

// The menu text without the shortcut part; the shortcut keys (portable text), or empty.
std::string_view menuText(const Command& command);
std::string_view shortcutKeys(const Command& command);
// The first line of the prompt, and the part after the line break.
std::string_view statusPrompt(const Command& command);
std::string_view toolTipText(const Command& command);

struct MenuLayout {
    std::string_view title;
    std::span<const int> items;  // command ids, kSeparator between groups
};

std::span<const MenuLayout> menuBarLayout();
std::span<const int> toolbarLayout();
// The items of the popup menu `menuId`; empty for an unknown id.
std::span<const int> contextMenuLayout(int menuId);

// Extra keys beyond the ones in the menu texts.
struct Accelerator {
    std::string_view keys;  // portable text, as QKeySequence reads it
    int id;
};
std::span<const Accelerator> acceleratorTable();

}  // namespace mw
