#pragma once
// "Check ARKit Set": how the face's morphs cover ARKit's 52 blend shapes, in three lists
// ("Present", with the shapes the face has only as halves; "Missing"; "Extra"), the contact
// sheet of the shapes in ARKit's order, and "Rename to ARKit".

#include <QDialog>

#include "authoring/document.h"

class QLabel;
class QListWidget;

namespace mw {

class CArkitDialog : public QDialog {
    Q_OBJECT

public:
    CArkitDialog(Document& doc, QWidget* parent = nullptr);

    // True once "Rename to ARKit" changed the face (the dialog then closes).
    bool renamed() const { return renamed_; }

private:
    void renameToArkit();

    Document& doc_;
    bool renamed_ = false;
};

// Shows the dialog for the document's face; true when the morphs were renamed.
bool runArkitDialog(QWidget* parent, Document& doc);

}  // namespace mw
