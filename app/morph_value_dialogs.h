#pragma once
// The two dialogs that ask for one number: CMorphThreshhold ("Morph Threshhold") and
// CScaleMorph ("Scale Morph"). The box shows the value when the dialog opens; on the
// confirming button the text must be a number (zero and negative numbers are fine), otherwise
// the dialog stays open and says so.

#include <optional>

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

namespace mw {

// The value as the box shows it: up to six significant digits ("0.001", "1", "-2").
QString formatNumber(float value);
// The text as a 32-bit float: a decimal number, blanks around it allowed; nothing for any
// other text, for infinities and NaN, and for numbers beyond the float range.
std::optional<float> parseNumber(const QString& text);

class CNumberDialog : public QDialog {
    Q_OBJECT

public:
    float value() const { return value_; }
    void setValue(float value) { value_ = value; }

    void accept() override;

protected:
    CNumberDialog(const QString& title, const QString& prompt, const QString& confirm, float initial, QWidget* parent);
    void showEvent(QShowEvent* event) override;

private:
    float value_;
    QLineEdit* edit_;
    QLabel* error_;
};

// Asks for the morph threshold; the frame sets the current one before showing it.
class CMorphThreshhold : public CNumberDialog {
    Q_OBJECT

public:
    explicit CMorphThreshhold(QWidget* parent = nullptr);
    float threshold() const { return value(); }
    void setThreshold(float threshold) { setValue(threshold); }
};

// Asks for the factor that scales a morph; it shows 1 each time.
class CScaleMorph : public CNumberDialog {
    Q_OBJECT

public:
    explicit CScaleMorph(QWidget* parent = nullptr);
    float scaleFactor() const { return value(); }
};

}  // namespace mw
