#include "app/split_morph_dialog.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "authoring/morph_management.h"
#include "model/face_operations.h"

namespace mw {

CSplitMorphDialog::CSplitMorphDialog(Document& doc, std::size_t morph, std::function<void()> redraw, QWidget* parent)
    : QDialog(parent), doc_(doc), morph_(morph), redraw_(std::move(redraw))
{
    setWindowTitle(tr("Split Left/Right"));
    TarvFaceObject& face = *doc.face;
    original_ = face.morphs[morph];
    originalWeight_ = getMorphWeight(face, static_cast<int>(morph));
    planeX_ = doc.mirrorMap.get(face).planeX;
    const double faceSize = faceWidth(face);
    const auto [left, right] = splitMorphNames(original_->name);

    auto* text = new QLabel(tr("Split %1 into %2 and %3, blended across the face's mirror plane. The view shows the "
                               "left half.")
                                .arg(QString::fromStdString(original_->name), QString::fromStdString(left),
                                     QString::fromStdString(right)),
                            this);
    text->setWordWrap(true);
    auto* label = new QLabel(tr("Falloff width (model units)"), this);
    width_ = new QDoubleSpinBox(this);
    width_->setAccessibleName(label->text());
    width_->setDecimals(4);
    width_->setRange(0.0, faceSize > 0.0 ? 10.0 * faceSize : 1000.0);
    width_->setSingleStep(faceSize > 0.0 ? 0.01 * faceSize : 0.01);
    width_->setValue(kDefaultSplitWidthShare * faceSize);
    label->setBuddy(width_);
    auto* error = new QLabel(this);
    error->setObjectName(QStringLiteral("splitError"));
    error->setStyleSheet(QStringLiteral("color: #b00000"));
    for (const std::string& name : {left, right})
        if (findMorph(face, name)) {
            error->setText(tr("A morph named %1 already exists.").arg(QString::fromStdString(name)));
            canSplit_ = false;
        }
    error->setAccessibleName(error->text());
    error->setVisible(!canSplit_);

    auto* split = new QPushButton(tr("Split"), this);
    split->setAccessibleName(split->text());
    split->setDefault(true);
    split->setEnabled(canSplit_);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setAccessibleName(cancel->text());
    connect(split, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(width_, &QDoubleSpinBox::valueChanged, this, [this] { showPreview(); });
    connect(this, &QDialog::finished, this, [this] { endPreview(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(split);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(label);
    layout->addWidget(width_);
    layout->addWidget(error);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    showPreview();
}

CSplitMorphDialog::~CSplitMorphDialog() { endPreview(); }

double CSplitMorphDialog::width() const { return width_->value(); }
void CSplitMorphDialog::setWidth(double width) { width_->setValue(width); }

// The preview swaps the left half in for the morph, under its name, at weight 1; endPreview
// swaps the morph itself back, so the face is exactly as before.
void CSplitMorphDialog::showPreview()
{
    TarvFaceObject& face = *doc_.face;
    if (morph_ >= face.morphs.size())
        return;
    osg::ref_ptr<FaceMorph> left = splitMorphHalves(face, *original_, planeX_, static_cast<float>(width())).first;
    left->name = original_->name;
    face.morphs[morph_] = left;
    setMorphWeight(face, static_cast<int>(morph_), 1.0f);
    doc_.changes.add(document_change::kMorphList | document_change::kWeights);
    previewing_ = true;
    if (redraw_)
        redraw_();
}

void CSplitMorphDialog::endPreview()
{
    if (!previewing_)
        return;
    previewing_ = false;
    TarvFaceObject& face = *doc_.face;
    if (morph_ < face.morphs.size())
        face.morphs[morph_] = original_;
    setMorphWeight(face, static_cast<int>(morph_), originalWeight_);
    doc_.changes.add(document_change::kMorphList | document_change::kWeights);
    if (redraw_)
        redraw_();
}

std::optional<SplitResult> runSplitMorphDialog(QWidget* parent, Document& doc, int morph,
                                               const std::function<void()>& redraw)
{
    if (!hasFace(doc) || morph < 0 || static_cast<std::size_t>(morph) >= doc.face->morphs.size())
        return std::nullopt;
    CSplitMorphDialog dialog(doc, static_cast<std::size_t>(morph), redraw, parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.canSplit())
        return std::nullopt;
    return splitMorph(doc, morph, static_cast<float>(dialog.width()));
}

}  // namespace mw
