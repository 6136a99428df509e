#pragma once
// The status bar's "CAP", "NUM" and "SCRL" indicators: each is lit (enabled) while its lock is
// on and greyed while it is off. The state is read from the X keyboard extension when a lock
// key is pressed and when the application becomes active; where the platform does not report
// it, the indicators stay greyed.

#include <array>
#include <optional>

#include <QObject>

class QLabel;
class QStatusBar;

namespace mw {

class LockKeyIndicators : public QObject {
    Q_OBJECT

public:
    enum Lock { Caps = 0, Num = 1, Scroll = 2 };

    // Adds the three indicators to the right end of `statusBar`.
    explicit LockKeyIndicators(QStatusBar* statusBar);
    ~LockKeyIndicators() override;

    QLabel* indicator(Lock lock) const { return labels_[lock]; }
    // Reads the locks again and lights the indicators accordingly.
    void refresh();
    // The state of a lock as the platform reports it; nothing where it cannot tell.
    static std::optional<bool> lockState(Lock lock);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLabel*, 3> labels_{};
};

}  // namespace mw
