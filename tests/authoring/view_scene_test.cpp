// The scene operations of the 3D view, checked without a window.

#include <gtest/gtest.h>

#include "authoring/view_operations.h"
#include "tests/authoring/view_fixture.h"
#include "tests/interaction/synthetic_events.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

TEST_F(ViewFixture, TurnsRotateTheHeadAndMarkTheFaceModified)
{
    turnRight(state);  // no face: nothing
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_FALSE(state.modified);

    loadTwoGeometries();
    turnUp(state);  // a quarter turn about +x: +y goes to +z
    EXPECT_TRUE(state.modified);
    const osg::Matrixd up = state.scene.headTransform->getMatrix();
    test::expectVec(osg::Vec3(0, 1, 0) * up, {0, 0, 1});
    test::expectVec(osg::Vec3(1, 0, 0) * up, {1, 0, 0});
}

TEST_F(ViewFixture, ScaleDragMarksTheFaceModifiedButNotWhileLiningUpAComparison)
{
    test::EventDriver drag(*state.editHandler);
    setEditMode(state, 2);
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    EXPECT_FALSE(state.modified);  // no face: nothing to save

    loadTwoGeometries();
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    EXPECT_TRUE(state.modified);
    EXPECT_GT(state.editHandler->scale, 1.0f);

    state.modified = false;
    state.comparisonRenderer = state.faceNode;  // a comparison is pending
    drag.press(0, 0);
    drag.drag(0, 0.2f);
    EXPECT_FALSE(state.modified);
    state.comparisonRenderer = nullptr;
}

}  // namespace
}  // namespace mw
