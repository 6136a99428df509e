#pragma once
// A shown main frame with a scripted prompt, and ways to look at and poke the view: grabbing
// its pixels, projecting scene points onto them, sending pointer and wheel events, waiting.

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

// The mid-grey background: 0.5 of 255 on every channel.
inline bool isBackground(const Rgb& c) { return c.r >= 126 && c.r <= 129 && c.g == c.r && c.b == c.r; }
// The dark green of the grid and the axes.
inline bool isGridGreen(const Rgb& c) { return c.r == 0 && c.g >= 126 && c.g <= 129 && c.b == 0; }
// The pure green of the neck markers and the white of the selection brackets.
inline bool isMarkerGreen(const Rgb& c) { return c.g >= 250 && c.r <= 5 && c.b <= 5; }
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
    // Where a scene point lands in grab()'s image, with the camera of the last frame drawn.
    QPoint project(const osg::Vec3& world);

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
