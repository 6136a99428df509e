#pragma once
// What a command's handler works on: the document, its view, the prompts, the panes'
// selection, and the few things only the window can do. Handlers are free functions over it,
// registered in the command table (command_table.h); the frame runs them (runCommand).

#include <optional>

#include <QString>

#include "authoring/document.h"
#include "authoring/prompt.h"
#include "view/view.h"

class QWidget;

namespace mw {

class DocumentController;

// What only the window can do for a command.
class CommandWindow {
public:
    virtual ~CommandWindow() = default;
    // The parent of the command's dialogs.
    virtual QWidget* dialogParent() = 0;
    // Opening and saving (the File commands).
    virtual DocumentController& documents() = 0;
    virtual void toggleToolBar() = 0;
    virtual void toggleStatusBar() = 0;
    virtual void showAboutBox() = 0;
    virtual void closeWindow() = 0;
    // A note in the status bar for `milliseconds`.
    virtual void showStatusNote(const QString& text, int milliseconds) = 0;
    // Draws the view now, while a command's dialog is open (a preview).
    virtual void redrawView() = 0;
};

// The selection of the morph bar: a geometry index and a morph index, -1 when none.
struct PaneSelection {
    int geometry = -1;
    int morph = -1;
};

struct CommandScope {
    Document& doc;
    View& view;
    Prompt& prompt;
    CommandWindow& window;
    PaneSelection selection;
    // What the morph bar selects once the command is done, when the command says.
    std::optional<int> selectMorph;
    std::optional<int> selectGeometry;
};

}  // namespace mw
