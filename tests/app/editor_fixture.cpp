#include "tests/app/editor_fixture.h"

namespace mw::test {

bool pixelNear(const QImage& image, QPoint p, int radius, const std::function<bool(const Rgb&)>& test)
{
    const QRect area = QRect(p.x() - radius, p.y() - radius, 2 * radius + 1, 2 * radius + 1).intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(rgbAt(image, x, y)))
                return true;
    return false;
}

QString accessibleName(QObject* object)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("<none>");
}

QStringList accessibleChildNames(QObject* object)
{
    QStringList names;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    for (int i = 0; accessible && i < accessible->childCount(); ++i)
        if (QAccessibleInterface* child = accessible->child(i))
            names << child->text(QAccessible::Name);
    return names;
}

void EditorTest::SetUp()
{
    if (!QApplication::instance())
        GTEST_SKIP() << "no X display: the window tests need one (./test runs them under Xvfb)";
    frame = std::make_unique<CMainFrame>(&prompt);
    frame->resize(480, 360);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    ASSERT_TRUE(waitFor([this] { return view().frameCount() > 0; }));
}

void EditorTest::TearDown()
{
    frame.reset();
    std::filesystem::current_path(startDirectory);
}

QImage EditorTest::grab()
{
    return view().grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

void EditorTest::openSampleHead()
{
    ASSERT_TRUE(frame->openFace(QString::fromStdString((sourceDir() / "examples" / "sample-head.tvf").string())));
    ASSERT_TRUE(prompt.messages.empty());
}

std::filesystem::path EditorTest::copySampleHead()
{
    for (const char* name : {"sample-head.tvf", "sample-head-skin.png", "sample-head-eye.png"})
        std::filesystem::copy_file(sourceDir() / "examples" / name, dir / name);
    return dir / "sample-head.tvf";
}

bool EditorTest::focusView()
{
    // Without a window manager the X server may still deliver the focus changes of showing the
    // window after the first activation: ask again until the focus has stayed a moment.
    for (int attempt = 0; attempt < 5; ++attempt) {
        frame->activateWindow();
        view().setFocus();
        if (waitFor([this] { return view().hasFocus(); }, 1000)) {
            QTest::qWait(50);
            if (view().hasFocus())
                return true;
        }
    }
    return false;
}

void EditorTest::mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), view().mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&view(), &event);
}

void EditorTest::drag(QPoint from, QPoint to, Qt::MouseButton button, int steps)
{
    mouse(QEvent::MouseButtonPress, from, button, button);
    for (int i = 1; i <= steps; ++i)
        mouse(QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton, button);
    mouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

void EditorTest::wheel(int angle)
{
    const QPointF at(view().width() / 2.0, view().height() / 2.0);
    QWheelEvent event(at, view().mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view(), &event);
}

}  // namespace mw::test
