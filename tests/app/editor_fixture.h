#pragma once
// A shown main frame with a scripted prompt, and ways to grab, poke and wait for its view.

#include <filesystem>
#include <functional>
#include <memory>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
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

// The texts of a tree item's children, in order.
inline QStringList childTexts(const QTreeWidgetItem* root)
{
    QStringList texts;
    for (int i = 0; root && i < root->childCount(); ++i)
        texts << root->child(i)->text(0);
    return texts;
}

// Number of pixels inside `area` (the whole image when empty) that `test` accepts.
int countPixels(const QImage& image, const std::function<bool(const Rgb&)>& test, QRect area = {});

// True when a pixel within `radius` of `p` passes `test`.
bool pixelNear(const QImage& image, QPoint p, int radius, const std::function<bool(const Rgb&)>& test);

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CMienwrightView& view() { return frame->view(); }
    ViewState& state() { return frame->view().state(); }

    // Draws a frame and returns its pixels (top row first).
    QImage grab();

    // Opens the shipped sample head.
    void openSampleHead();
    // Gives the view the keyboard focus; false when the window system refuses.
    bool focusView();

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held);
    void drag(QPoint from, QPoint to, Qt::MouseButton button, int steps = 4);
    void wheel(int angle);
    // Lets the refresh timer run until `condition` holds (false after `ms`).
    bool waitFor(const std::function<bool()>& condition, int ms = 2000);

    const std::filesystem::path startDirectory = std::filesystem::current_path();
    TempDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace mw::test
