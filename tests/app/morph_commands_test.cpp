// The Morph menu and View > Morphed Normals in the main frame.


#include <gtest/gtest.h>

#include "model/face_operations.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

class MorphCommandsTest : public EditorTest {
protected:
    QAction& act(int id) { return *frame->action(id); }
};

TEST_F(MorphCommandsTest, MorphedNormalsIsCheckedAndSwitchesTheShadingOfEveryFace)
{
    openSampleHead();
    QAction& toggle = act(command::ViewMorphedNormals);
    frame->updateCommandStates();
    EXPECT_TRUE(toggle.isCheckable());
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_TRUE(state().faceNode->morphedNormals());

    setMorphWeight(*state().face, 0, 1.0f);  // jaw_open
    const QImage morphed = grab();
    toggle.trigger();
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_FALSE(state().faceNode->morphedNormals());
    EXPECT_NE(grab(), morphed);

    // A face opened later keeps the choice.
    openSampleHead();
    EXPECT_FALSE(state().faceNode->morphedNormals());
    toggle.trigger();
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_TRUE(state().faceNode->morphedNormals());
}

}  // namespace
}  // namespace mw::test
