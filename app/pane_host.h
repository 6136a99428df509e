#pragma once
// What the "Head Info" and "Property" panes ask of the window that holds them. The main frame
// answers; tests answer with a fake.

#include <functional>
#include <string>

#include <QString>

#include "authoring/document.h"

namespace mw {

class PaneHost {
public:
    virtual ~PaneHost() = default;

    // The tree's selection changed to geometry `index` (-1: a morph, a root item or nothing):
    // the view shows that geometry's selection and the property pane shows its properties.
    virtual void selectGeometry(int index) = 0;
    // Opens the pop-up menu with this id at the pointer.
    virtual void showContextMenu(int menuId) = 0;
    // Carries out command `id` of the window's command table, as its menu item would.
    virtual void runCommand(int id) = 0;
    // Advances the view and, when `render` is true, redraws it.
    virtual void refreshView(bool render) = 0;
    // The selection or the modified state changed: commands enable and check themselves anew.
    virtual void updateCommandStates() = 0;
    // A short note in the status bar, such as why an edit was refused.
    virtual void showStatusMessage(const QString& text) = 0;
    // The document the panes show: its face, its file.
    virtual Document& document() = 0;
    // Runs `edit`, which changes the document's face and says whether it did, as one step of
    // the face's history named `stepName` (what Undo offers to take back), and brings the view
    // up to date; returns what `edit` returned.
    virtual bool editFace(const std::string& stepName, const std::function<bool(Document&)>& edit) = 0;
    // True when geometry `index` is drawn with a texture image.
    virtual bool geometryTextureShown(int index) const = 0;
};

}  // namespace mw
