// Edit > Undo and Redo: the items name the step and answer to the menu and the keys.

#include <QAction>
#include <QKeySequence>

#include <gtest/gtest.h>

#include "app/command_table.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

class UndoTest : public EditorTest {
protected:
    QAction& act(int id) { return *frame->action(id); }
    bool turned() { return !state().scene.headTransform->getMatrix().isIdentity(); }
};

TEST_F(UndoTest, UndoAndRedoNameTheStepAndAnswerToMenuAndKeys)
{
    namespace c = command;
    EXPECT_EQ(act(c::Undo).shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
    EXPECT_EQ(act(c::Redo).shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}));
    openSampleHead();
    EXPECT_FALSE(act(c::Undo).isEnabled());
    EXPECT_FALSE(act(c::Redo).isEnabled());
    EXPECT_EQ(act(c::Undo).text(), "&Undo");

    act(c::TurnRight).trigger();
    act(c::ToggleRenderMode).trigger();  // not a change to the face
    EXPECT_TRUE(act(c::Undo).isEnabled());
    EXPECT_EQ(act(c::Undo).text(), "&Undo Turn Right");
    EXPECT_TRUE(act(c::Save).isEnabled());

    act(c::Undo).trigger();
    EXPECT_FALSE(turned());
    EXPECT_FALSE(act(c::Undo).isEnabled());
    EXPECT_EQ(act(c::Redo).text(), "&Redo Turn Right");
    EXPECT_FALSE(act(c::Save).isEnabled());  // back to the file as it was opened
    EXPECT_FALSE(frame->isModified());

    ASSERT_TRUE(focusView());
    const auto key = [&](int k, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(&view(), static_cast<Qt::Key>(k), modifiers);
        return turned();
    };
    EXPECT_TRUE(key(Qt::Key_Y, Qt::ControlModifier));
    EXPECT_FALSE(key(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_FALSE(key(Qt::Key_Backspace, Qt::AltModifier));

    // A head drag in translate mode is one step, whatever the number of pointer moves.
    act(c::TranslateMode).trigger();
    const QPoint middle(view().width() / 2, view().height() / 2);
    drag(middle, middle - QPoint(0, 40), Qt::LeftButton, 8);
    ASSERT_TRUE(waitFor([&] { return act(c::Undo).text() == "&Undo Move Head"; }));
    act(c::Undo).trigger();
    EXPECT_TRUE(state().scene.headTransform->getMatrix().isIdentity());
    EXPECT_EQ(act(c::Undo).text(), "&Undo");

    openSampleHead();  // a load forgets the history
    EXPECT_FALSE(act(c::Redo).isEnabled());
}

}  // namespace
}  // namespace mw::test
