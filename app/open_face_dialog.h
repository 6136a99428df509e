#pragma once
// COpenFace: "Open File", the first step of Open. It chooses between opening a face,
// importing the morphs of another face into the current one, and creating a morph from the
// difference to another face. Without a face loaded only opening can be chosen. It opens
// with "Open File" chosen and the neck box cleared each time.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QRadioButton;

namespace mw {

class COpenFace : public QDialog {
    Q_OBJECT

public:
    enum Option : int { OpenFile = 0, ImportMorphs = 1, CreateMorph = 2 };

    explicit COpenFace(QWidget* parent = nullptr);

    // Set before the dialog runs: without a face only "Open File" is available.
    void setFaceLoaded(bool loaded);
    // Read after OK.
    int option() const { return option_; }
    // Whether "Import neck vertices" was ticked (it matters for ImportMorphs only).
    bool importNeckVertices() const { return importNeckVertices_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int option_ = OpenFile;
    bool faceLoaded_ = true;
    bool importNeckVertices_ = false;
    QButtonGroup* options_;
    QRadioButton* importChoice_;
    QRadioButton* createChoice_;
    QLabel* importText_;
    QLabel* createText_;
    QCheckBox* neckBox_;
};

}  // namespace mw
