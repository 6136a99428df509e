// Neck vertices: computed from the open border, refined with the lasso, cleared and imported.

#include <tuple>

#include <osg/Geometry>

#include <gtest/gtest.h>

#include "authoring/neck_vertices.h"
#include "authoring/view_operations.h"
#include "tests/authoring/view_fixture.h"

namespace mw {
namespace {

// A closed mesh (60 corners) in which every vertex belongs to exactly five triangles.
osg::ref_ptr<FaceGeom> icosahedron()
{
    const float t = 1.618034f;
    return test::makeGeom("ball",
                          {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t}, {0, -1, -t},
                           {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}},
                          {0, 11, 5, 0, 5,  1, 0,  1, 7, 0, 7, 10, 0, 10, 11, 1, 5, 9, 5, 11,
                           4, 11, 10, 2, 10, 7, 6, 7, 1, 8, 3, 9, 4,  3, 4,  2, 3, 2, 6, 3,
                           6, 8,  3,  8, 9, 4, 9, 5, 2, 4, 11, 6, 2, 10, 8, 6, 7, 9, 8, 1});
}

TEST_F(ViewFixture, ComputedNeckVerticesAreTheBorderOfTheChosenGeometry)
{
    EXPECT_EQ(computeNeckVertices(state, -1, prompt), -1);  // no face

    const auto face = test::makeFace({gridGeom("grid", 4, 4), icosahedron()});
    ASSERT_TRUE(loadIntoView(state, writeFace(*face, "two.tvf"), prompt));
    FaceGeom& grid = *state.face->geometries[0];
    FaceGeom& ball = *state.face->geometries[1];
    grid.clampIndices = {5};
    ball.clampIndices = {3};

    // Nothing selected, or an index outside the face: the largest geometry, unasked; a closed
    // mesh has no border yet counts as changed.
    for (const int selected : {-1, 7}) {
        EXPECT_EQ(computeNeckVertices(state, selected, prompt), 1);
        EXPECT_TRUE(prompt.questions.empty());
        EXPECT_TRUE(ball.clampIndices.empty());
        EXPECT_TRUE(state.modified);
        EXPECT_EQ(state.scene.selectionBox->displayedIndex, 1);
    }

    // The smaller geometry needs a Yes.
    state.modified = false;
    prompt.answers = {false};
    EXPECT_EQ(computeNeckVertices(state, 0, prompt), -1);
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0], "Are you sure the currently selected geometry contains the neck vertices?");
    EXPECT_EQ(grid.clampIndices, (IndexList{5}));
    EXPECT_FALSE(state.modified);

    prompt.answers = {true};
    EXPECT_EQ(computeNeckVertices(state, 0, prompt), 0);
    EXPECT_EQ(grid.clampIndices, (IndexList{0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.scene.selectionBox->displayedIndex, 0);
    EXPECT_EQ(markerCount(), 12u);
}

// The camera maps scene x, y straight onto overlay units; the lasso is the square 100 … 200.
TEST_F(ViewFixture, KeepDiscardAndAddFollowTheLassoOnScreen)
{
    const auto face = test::makeFace(
        {test::makeGeom("skin", {{150, 150, 0}, {300, 150, 0}, {120, 180, 0}, {50, 50, 0}}, {0, 1, 2, 0, 2, 3})});
    ASSERT_TRUE(loadIntoView(state, writeFace(*face, "lasso.tvf"), prompt));
    state.viewCamera->setViewMatrix(osg::Matrixd::identity());
    state.viewCamera->setProjectionMatrix(osg::Matrixd::ortho(0, 1280, 0, 1024, -1, 1));
    for (const auto& [x, y] : {std::pair{100.0f, 100.0f}, {200.0f, 100.0f}, {200.0f, 200.0f}, {100.0f, 200.0f}})
        state.lasso->addLassoPoint(x, y);
    state.lasso->closeLasso();
    setEditMode(state, 3);
    showGeometrySelection(state, 0);
    IndexList& neck = state.face->geometries[0]->clampIndices;

    // Vertices 0 and 2 lie in the square; one already listed is not listed twice.
    for (const auto& [before, edit, after] : {std::tuple{IndexList{3, 0, 1, 2}, NeckEdit::Keep, IndexList{0, 2}},
                                              {IndexList{3, 0, 1, 2}, NeckEdit::Discard, IndexList{3, 1}},
                                              {IndexList{0}, NeckEdit::Add, IndexList{0, 2}},
                                              {IndexList{1, 3}, NeckEdit::Keep, IndexList{}}}) {
        neck = before;
        editNeckVertices(state, edit);
        EXPECT_EQ(neck, after);
        EXPECT_EQ(markerCount(), after.size());
    }
    EXPECT_TRUE(state.modified);

    // The head transform moves the vertices on screen: only vertex 3 lands in the square.
    state.scene.headTransform->setMatrix(osg::Matrixd::translate(100, 100, 0));
    editNeckVertices(state, NeckEdit::Add);
    EXPECT_EQ(neck, (IndexList{3}));

    // Only in vertex mode, and only with a completed lasso.
    state.modified = false;
    setEditMode(state, 2);
    editNeckVertices(state, NeckEdit::Add);
    setEditMode(state, 3);
    state.lasso->clearLasso();
    editNeckVertices(state, NeckEdit::Add);
    EXPECT_EQ(neck, (IndexList{3}));
    EXPECT_FALSE(state.modified);
}

TEST_F(ViewFixture, ClearingAndImportingNeckVertices)
{
    loadTwoGeometries();  // skin: 4 vertices, neck 3 1 3; eyes: 3 vertices
    showGeometrySelection(state, 0);

    clearNeckVertices(state, 5);
    clearNeckVertices(state, -1);
    EXPECT_FALSE(state.modified);
    clearNeckVertices(state, 0);
    EXPECT_TRUE(state.face->geometries[0]->clampIndices.empty());
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(markerCount(), 0u);

    // Paired by position; out-of-range and repeated entries are dropped; "c" has no partner.
    const auto source = test::makeFace({test::makeGeom("a", {}, {}, {}, {}, {3, 4, 0}),
                                        test::makeGeom("b", {}, {}, {}, {}, {2, 2}),
                                        test::makeGeom("c", {}, {}, {}, {}, {0})});
    state.face->geometries[1]->clampIndices = {1};
    showGeometrySelection(state, 0);
    importNeckVertices(state, *source);
    EXPECT_EQ(state.face->geometries[0]->clampIndices, (IndexList{3, 0}));
    EXPECT_EQ(state.face->geometries[1]->clampIndices, (IndexList{2}));
    EXPECT_EQ(markerCount(), 2u);  // the displayed geometry shows what was imported

    showGeometrySelection(state, 1);
    importNeckVertices(state, *source);
    EXPECT_EQ(markerCount(), 1u);
}

}  // namespace
}  // namespace mw
