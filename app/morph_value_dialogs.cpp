#include "app/morph_value_dialogs.h"

#include <cmath>
#include <limits>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mw {

QString formatNumber(float value) { return QString::number(static_cast<double>(value), 'g', 6); }

std::optional<float> parseNumber(const QString& text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::abs(number) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(number);
}

CNumberDialog::CNumberDialog(const QString& title, const QString& prompt, const QString& confirm, float initial,
                             QWidget* parent)
    : QDialog(parent), value_(initial)
{
    setWindowTitle(title);
    auto* label = new QLabel(prompt, this);
    edit_ = new QLineEdit(this);
    edit_->setAccessibleName(prompt);
    label->setBuddy(edit_);
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("numberError"));
    error_->setStyleSheet(QStringLiteral("color: #b00000"));
    error_->hide();

    auto* ok = new QPushButton(confirm, this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CNumberDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CNumberDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addWidget(error_);
    layout->addLayout(buttons);
    setMinimumWidth(240);
}

void CNumberDialog::showEvent(QShowEvent* event)
{
    edit_->setText(formatNumber(value_));
    edit_->selectAll();
    error_->hide();
    QDialog::showEvent(event);
}

void CNumberDialog::accept()
{
    const std::optional<float> number = parseNumber(edit_->text());
    if (!number) {
        error_->setText(tr("Please enter a number."));
        error_->show();
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    value_ = *number;
    QDialog::accept();
}

CMorphThreshhold::CMorphThreshhold(QWidget* parent)
    : CNumberDialog(tr("Morph Threshhold"), tr("Enter a morph threshhold"), tr("Set"), 0.0f, parent)
{
}

CScaleMorph::CScaleMorph(QWidget* parent)
    : CNumberDialog(tr("Scale Morph"), tr("Enter a scale factor"), tr("Scale"), 1.0f, parent)
{
}

}  // namespace mw
