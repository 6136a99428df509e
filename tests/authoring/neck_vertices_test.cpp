// Neck vertices: computed from the open border, refined with the lasso, cleared and imported.

#include <gtest/gtest.h>

#include "authoring/neck_vertices.h"
#include "tests/authoring/document_fixture.h"

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

TEST_F(DocumentFixture, ComputedNeckVerticesAreTheBorderOfTheChosenGeometry)
{
    EXPECT_EQ(computeNeckVertices(doc, -1, prompt), -1);  // no face

    const auto face = test::makeFace({gridGeom("grid", 4, 4), icosahedron()});
    load(*face, "two.tvf");
    FaceGeom& grid = *doc.face->geometries[0];
    FaceGeom& ball = *doc.face->geometries[1];
    grid.clampIndices = {5};
    ball.clampIndices = {3};

    // Nothing selected, or an index outside the face: the largest geometry, unasked; a closed
    // mesh has no border yet counts as changed.
    for (const int selected : {-1, 7}) {
        EXPECT_EQ(computeNeckVertices(doc, selected, prompt), 1);
        EXPECT_TRUE(prompt.questions.empty());
        EXPECT_TRUE(ball.clampIndices.empty());
        EXPECT_EQ(takeChanges(doc).geometry(1), geometry_change::kNeck);
    }

    // The smaller geometry needs a Yes.
    prompt.answers = {false};
    EXPECT_EQ(computeNeckVertices(doc, 0, prompt), -1);
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0], "Are you sure the currently selected geometry contains the neck vertices?");
    EXPECT_EQ(grid.clampIndices, (IndexList{5}));
    EXPECT_FALSE(doc.changes.any());

    prompt.answers = {true};
    EXPECT_EQ(computeNeckVertices(doc, 0, prompt), 0);
    EXPECT_EQ(grid.clampIndices, (IndexList{0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15}));
    EXPECT_EQ(doc.changes.geometry(0), geometry_change::kNeck);
}

TEST_F(DocumentFixture, ClearingAndImportingNeckVertices)
{
    load(*twoGeometries());  // skin: 4 vertices, neck 3 1 3; eyes: 3 vertices
    clearNeckVertices(doc, 5);
    clearNeckVertices(doc, -1);
    EXPECT_FALSE(doc.changes.any());
    clearNeckVertices(doc, 0);
    EXPECT_TRUE(doc.face->geometries[0]->clampIndices.empty());
    EXPECT_EQ(doc.changes.geometry(0), geometry_change::kNeck);

    // Paired by position; out-of-range and repeated entries are dropped; "c" has no partner.
    const auto source = test::makeFace({test::makeGeom("a", {}, {}, {}, {}, {3, 4, 0}),
                                        test::makeGeom("b", {}, {}, {}, {}, {2, 2}),
                                        test::makeGeom("c", {}, {}, {}, {}, {0})});
    doc.face->geometries[1]->clampIndices = {1};
    importNeckVertices(doc, *source);
    EXPECT_EQ(doc.face->geometries[0]->clampIndices, (IndexList{3, 0}));
    EXPECT_EQ(doc.face->geometries[1]->clampIndices, (IndexList{2}));
    EXPECT_EQ(doc.changes.geometry(1), geometry_change::kNeck);
}

}  // namespace
}  // namespace mw
