#include "app/open_face_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mw {

namespace {

// An explanation under its choice, indented like the check box that belongs to it.
QLabel* explanation(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setContentsMargins(20, 0, 0, 0);
    return label;
}

}  // namespace

COpenFace::COpenFace(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Open File"));

    auto* openChoice = new QRadioButton(tr("Open File"), this);
    importChoice_ = new QRadioButton(tr("Import Morphs"), this);
    createChoice_ = new QRadioButton(tr("Create Morph"), this);
    options_ = new QButtonGroup(this);
    options_->addButton(openChoice, OpenFile);
    options_->addButton(importChoice_, ImportMorphs);
    options_->addButton(createChoice_, CreateMorph);

    importText_ = explanation(tr("Add all the morph targets from the selected face to the current face"), this);
    createText_ =
        explanation(tr("Compare the selected face with the current face and create a morph target from the difference."),
                    this);
    neckBox_ = new QCheckBox(tr("Import neck vertices"), this);

    auto* ok = new QPushButton(tr("OK"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &COpenFace::accept);
    connect(cancel, &QPushButton::clicked, this, &COpenFace::reject);

    auto* neckRow = new QHBoxLayout;
    neckRow->addSpacing(20);
    neckRow->addWidget(neckBox_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addStretch();
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(openChoice);
    layout->addWidget(explanation(tr("Open and display the selected face file"), this));
    layout->addSpacing(8);
    layout->addWidget(importChoice_);
    layout->addWidget(importText_);
    layout->addLayout(neckRow);
    layout->addSpacing(8);
    layout->addWidget(createChoice_);
    layout->addWidget(createText_);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

void COpenFace::setFaceLoaded(bool loaded) { faceLoaded_ = loaded; }

void COpenFace::showEvent(QShowEvent* event)
{
    // The members go into the controls each time the dialog opens.
    options_->button(option_)->setChecked(true);
    neckBox_->setChecked(importNeckVertices_);
    for (QWidget* control : {static_cast<QWidget*>(importChoice_), static_cast<QWidget*>(createChoice_),
                             static_cast<QWidget*>(importText_), static_cast<QWidget*>(createText_),
                             static_cast<QWidget*>(neckBox_)})
        control->setEnabled(faceLoaded_);
    QDialog::showEvent(event);
}

void COpenFace::accept()
{
    option_ = options_->checkedId() < 0 ? OpenFile : options_->checkedId();
    importNeckVertices_ = neckBox_->isChecked();
    QDialog::accept();
}

}  // namespace mw
