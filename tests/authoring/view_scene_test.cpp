// The scene operations of the 3D view, checked without a window.

#include <osg/PolygonMode>

#include <gtest/gtest.h>

#include "authoring/view_operations.h"
#include "tests/authoring/view_fixture.h"
#include "tests/interaction/synthetic_events.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

const osg::Vec3Array& markerPoints(const ViewState& state)
{
    return *dynamic_cast<const osg::Vec3Array*>(state.scene.markers->getDrawable(0)->asGeometry()->getVertexArray());
}

TEST_F(ViewFixture, RenderModeTogglesBetweenLinesAndFillOnTheRootOnly)
{
    toggleRenderMode(state);
    const auto* polygons = dynamic_cast<const osg::PolygonMode*>(
        state.scene.root->getStateSet()->getAttribute(osg::StateAttribute::POLYGONMODE));
    ASSERT_TRUE(polygons);
    for (const auto expected : {osg::PolygonMode::LINE, osg::PolygonMode::FILL, osg::PolygonMode::LINE}) {
        EXPECT_EQ(polygons->getMode(osg::PolygonMode::FRONT), expected);
        EXPECT_EQ(polygons->getMode(osg::PolygonMode::BACK), expected);
        toggleRenderMode(state);
    }
    // A mode the toggle does not know stays as it is.
    const_cast<osg::PolygonMode*>(polygons)->setMode(osg::PolygonMode::FRONT_AND_BACK, osg::PolygonMode::POINT);
    toggleRenderMode(state);
    EXPECT_EQ(polygons->getMode(osg::PolygonMode::FRONT), osg::PolygonMode::POINT);
    EXPECT_FALSE(state.scene.grid->getStateSet()->getAttribute(osg::StateAttribute::POLYGONMODE));
}

TEST(BracketSegments, RunAFifthOfTheBoxInwardsFromEachCorner)
{
    const auto v = bracketSegments(osg::BoundingBox(0, 0, 0, 10, 20, 30));
    // First corner (x0 y0 z0), second (x0 y0 z1), last (x1 y1 z1).
    const std::pair<std::size_t, osg::Vec3> expected[] = {
        {0, {0, 0, 0}},   {1, {2, 0, 0}},   {3, {0, 4, 0}},   {5, {0, 0, 6}},   {6, {0, 0, 30}},
        {7, {2, 0, 30}},  {11, {0, 0, 24}}, {42, {10, 20, 30}}, {43, {8, 20, 30}}, {45, {10, 16, 30}},
        {47, {10, 20, 24}}};
    for (const auto& [i, point] : expected)
        EXPECT_EQ(v[i], point) << i;
}

TEST_F(ViewFixture, GeometrySelectionShowsBoxAndNeckPoints)
{
    showGeometrySelection(state, 0);  // without a face nothing changes
    EXPECT_FALSE(state.scene.selectionBox->hasBox);

    loadTwoGeometries();
    FaceGeomBox& box = *state.scene.selectionBox;
    showGeometrySelection(state, 0);
    EXPECT_TRUE(box.hasBox);
    EXPECT_EQ(box.box._min, osg::Vec3(-1, -2, -3));
    EXPECT_EQ(box.box._max, osg::Vec3(1, 2, 3));
    // Neck vertices 3, 1, 3 as listed.
    EXPECT_EQ(markerPoints(state).asVector(), (std::vector<osg::Vec3>{{1, 2, 3}, {1, -2, -3}, {1, 2, 3}}));

    showGeometrySelection(state, 1);  // no neck vertices: its box, no points
    EXPECT_EQ(box.box._max, osg::Vec3(6, 7, 0));
    EXPECT_TRUE(state.scene.markers->getNumDrawables() == 0 || markerPoints(state).empty());

    // -1 and any index past the geometries hide box and points.
    for (int index : {-1, 2, 1000}) {
        showGeometrySelection(state, 0);
        showGeometrySelection(state, index);
        EXPECT_FALSE(box.hasBox) << index;
        EXPECT_EQ(box.displayedIndex, index);
        EXPECT_EQ(state.scene.markers->getNumDrawables(), 0u) << index;
    }
}

TEST_F(ViewFixture, EditModeSwitchesTheHandlerAndFreeOrbit)
{
    for (int mode : {1, 2, 3, 0, 4, -1}) {
        setEditMode(state, mode);
        const int expected = mode >= 0 && mode <= 3 ? mode : 0;  // unknown modes leave it at 0
        EXPECT_EQ(getEditMode(state), expected);
        EXPECT_EQ(static_cast<int>(state.editHandler->mode), expected);
        EXPECT_EQ(state.camera->freeRotate, expected == 0);
    }
}

TEST_F(ViewFixture, TurnsRotateTheHeadAndMarkTheFaceModified)
{
    turnRight(state);  // no face: nothing
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_FALSE(state.modified);

    loadTwoGeometries();
    turnRight(state);
    EXPECT_TRUE(state.modified);
    // A quarter turn about -y: +x goes to +z, +z to -x; y stays.
    const osg::Matrixd m = state.scene.headTransform->getMatrix();
    test::expectVec(osg::Vec3(1, 0, 0) * m, {0, 0, 1});
    test::expectVec(osg::Vec3(0, 0, 1) * m, {-1, 0, 0});
    test::expectVec(osg::Vec3(0, 1, 0) * m, {0, 1, 0});

    for (int i = 0; i < 3; ++i)
        turnRight(state);  // full circle
    turnUp(state);  // a quarter turn about +x: +y goes to +z
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
