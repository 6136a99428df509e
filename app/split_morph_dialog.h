#pragma once
// "Split Left/Right": asks for the width of the falloff across the face's mirror plane and,
// while it is open, shows the selected morph at weight 1 with its left half only, following
// the width as it is typed. Closing it puts the morph and its weight back as they were.

#include <functional>
#include <optional>

#include <QDialog>
#include <osg/ref_ptr>

#include "authoring/morph_split.h"
#include "authoring/document.h"

class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace mw {

class CSplitMorphDialog : public QDialog {
    Q_OBJECT

public:
    // `redraw` brings the view up to date after the preview changed the document's face.
    CSplitMorphDialog(Document& doc, std::size_t morph, std::function<void()> redraw, QWidget* parent = nullptr);
    ~CSplitMorphDialog() override;

    double width() const;
    void setWidth(double width);
    // False when the halves' names are taken (the dialog says which).
    bool canSplit() const { return canSplit_; }

private:
    void showPreview();
    void endPreview();

    Document& doc_;
    std::size_t morph_;
    std::function<void()> redraw_;
    osg::ref_ptr<FaceMorph> original_;
    float originalWeight_ = 0.0f;
    float planeX_ = 0.0f;
    bool previewing_ = false;
    bool canSplit_ = true;
    QDoubleSpinBox* width_ = nullptr;
};

// Runs the dialog for morph `morph` of the document's face and, when confirmed, splits it; the
// positions of the two halves, or none when nothing was split.
std::optional<SplitResult> runSplitMorphDialog(QWidget* parent, Document& doc, int morph,
                                               const std::function<void()>& redraw);

}  // namespace mw
