#pragma once
// A shown main frame with a scripted prompt, and ways to grab, poke and wait for its view and
// to answer its dialogs.

#include <filesystem>
#include <functional>
#include <memory>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "app/main_frame.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_dir.h"

namespace mw::test {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

inline Rgb rgbAt(const QImage& image, int x, int y)
{
    const QRgb c = image.pixel(x, y);
    return {qRed(c), qGreen(c), qBlue(c)};
}

// The white of the selection brackets and the lasso.
inline bool isBracketWhite(const Rgb& c) { return c.r >= 250 && c.g >= 250 && c.b >= 250; }

// True when a pixel within `radius` of `p` passes `test`.
bool pixelNear(const QImage& image, QPoint p, int radius, const std::function<bool(const Rgb&)>& test);

// The texts of a tree item's children, in order.
inline QStringList childTexts(const QTreeWidgetItem* root)
{
    QStringList texts;
    for (int i = 0; root && i < root->childCount(); ++i)
        texts << root->child(i)->text(0);
    return texts;
}

// What a screen reader calls `object`, and the children it lists inside it.
QString accessibleName(QObject* object);
QStringList accessibleChildNames(QObject* object);

// The first child widget of type W that shows `text`.
template <typename W>
W* withText(QWidget& parent, const QString& text)
{
    for (auto* w : parent.findChildren<W*>())
        if (w->text() == text)
            return w;
    return nullptr;
}

// Opens a modal dialog with `open` and, once it is up, lets `answer` close it. False when no
// dialog of that kind came up (any other modal window is closed, so the test cannot hang).
template <typename Dialog>
bool answerDialog(const std::function<void()>& open, const std::function<void(Dialog&)>& answer)
{
    bool answered = false;
    QTimer poll;
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Dialog*>(modal); dialog && dialog->isVisible()) {
            poll.stop();
            answered = true;
            answer(*dialog);
        } else if (++ticks > 300 && modal) {
            modal->close();
        }
    });
    poll.start(10);
    open();
    poll.stop();
    return answered;
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CMienwrightView& view() { return frame->view(); }
    View& state() { return frame->view().state(); }
    Document& doc() { return frame->document(); }
    QAction& act(int id) { return *frame->action(id); }

    // Draws a frame and returns its pixels (top row first).
    QImage grab();

    // Opens the shipped sample head.
    void openSampleHead();
    // Copies the sample head and its textures into `dir`; returns the copy's path.
    std::filesystem::path copySampleHead();
    // Gives the view the keyboard focus; false when the window system refuses.
    bool focusView();

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held);
    void drag(QPoint from, QPoint to, Qt::MouseButton button, int steps = 4);
    void wheel(int angle);
    // Lets the refresh timer run until `done` holds (false after `ms`).
    bool waitFor(const std::function<bool()>& done, int ms = 2000) { return QTest::qWaitFor(done, ms); }

    const std::filesystem::path startDirectory = std::filesystem::current_path();
    TempDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace mw::test
