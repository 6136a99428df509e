#pragma once
// CCustomItemFileBox: the property grid's file item while it is edited in place: the file name
// as text and a browse button ("...") that chooses a file and applies it at once.

#include <functional>
#include <optional>

#include <QLineEdit>
#include <QString>
#include <QToolButton>
#include <QWidget>

namespace mw {

class CCustomItemFileBox : public QWidget {
public:
    // `browse` chooses a file and applies it; it answers the text the item shows now, or
    // nothing when nothing changed.
    explicit CCustomItemFileBox(std::function<std::optional<QString>()> browse, QWidget* parent = nullptr);

    QLineEdit* line() const { return line_; }
    QToolButton* browseButton() const { return button_; }

protected:
    // The grid commits when the focus leaves the editor; the focus sits in the text, so its
    // leaving is passed on as the editor's.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* line_;
    QToolButton* button_;
};

}  // namespace mw
