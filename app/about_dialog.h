#pragma once
// CAboutDlg: the program's name, version and copyright, with an OK button.

#include <QDialog>

namespace mw {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // "Version X.Y", from the project's version.
    static QString versionText();
};

}  // namespace mw
