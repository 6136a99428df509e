// Baking the placements, automatic sizing, turns, winding and morph values.

#include <gtest/gtest.h>

#include "authoring/comparison_loading.h"
#include "authoring/face_editing.h"
#include "tests/authoring/document_fixture.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

using test::expectVec;

// Two units wide along x, lowest point at y = 1.
osg::ref_ptr<TarvFaceObject> headAtHeightOne()
{
    return test::makeFace({test::makeGeom("skin", {{-1, 1, 0}, {1, 1, 0}, {0, 3, 0.5f}}, {0, 1, 2})});
}

TEST_F(DocumentFixture, AutoScaleSizesTheHeadThroughItsPlacementButNotAFaceWithoutWidth)
{
    load(*test::makeFace({test::makeGeom("skin", {{0.5f, 0, 0}, {0.5f, 1, 0}, {0.5f, 0, 1}}, {0, 1, 2})}));
    EXPECT_FALSE(autoScale(doc, prompt));
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_TRUE(doc.head.isIdentity());
    // A comparison face of real width cannot be scaled onto it either.
    installComparisonFace(doc, headAtHeightOne(), prompt);
    EXPECT_EQ(prompt.messages.size(), 2u);
    EXPECT_TRUE(doc.comparison.placement.isIdentity());

    load(*headAtHeightOne());
    turnRight(doc);
    const osg::Quat turned = doc.head.rotation;
    // 2 x 0.09 = 0.18 wide, lowest point at 1 x 0.09 - 0.15 = -0.06 (baking is checked below).
    ASSERT_TRUE(autoScale(doc, prompt));
    EXPECT_FLOAT_EQ(doc.head.scale, 0.09f);
    expectVec(doc.head.translation, {0, -0.15f, 0});
    EXPECT_EQ(doc.head.rotation, turned);
    EXPECT_TRUE(doc.changes.has(document_change::kPlacement | document_change::kReframe));
    EXPECT_EQ((*doc.face->geometries[0]->vertices)[0], osg::Vec3(-1, 1, 0));  // data untouched
}

TEST_F(DocumentFixture, AutoScaleWithAComparisonFaceFitsItToTheCurrentFace)
{
    load(*headAtHeightOne());
    // Twice as wide, lowest point at 4; the extra geometry keeps loading from baking the fit.
    const auto wide = test::makeFace({test::makeGeom("skin", {{-2, 4, 0}, {2, 4, 0}, {0, 8, 0}}, {0, 1, 2}),
                                      test::makeGeom("eyes", {{0, 5, 0}, {1, 5, 0}, {0, 6, 0}}, {0, 1, 2})});
    installComparisonFace(doc, wide, prompt);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(doc.comparison.placement.scale, 0.5f);
    EXPECT_EQ(doc.comparison.placement.translation, osg::Vec3(0, -1, 0));  // 1 - 0.5 x 4
    EXPECT_EQ(doc.comparison.placement.matrix(),
              osg::Matrixd::scale(0.5, 0.5, 0.5) * osg::Matrixd::translate(0, -1, 0));
    EXPECT_FALSE(doc.comparison.highlight);
    EXPECT_TRUE(doc.head.isIdentity());

    // Baking it puts the comparison face onto the current one.
    commitComparisonTransform(doc);
    const osg::Vec3Array& v = *doc.comparison.face->geometries[0]->vertices;
    EXPECT_EQ(v[0], osg::Vec3(-1, 1, 0));
    EXPECT_EQ(v[2], osg::Vec3(0, 3, 0));
    EXPECT_TRUE(doc.comparison.placement.isIdentity());
}

TEST_F(DocumentFixture, CommittingTheHeadPlacementMovesVerticesAndTurnsOffsets)
{
    const auto face = test::makeFace({test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})},
                                     {test::makeMorph("m", {test::makeTarget("skin", {1}, {{0, 1, 0}})})});
    load(*face);

    // Scale 2 and a move: offsets scale but do not move; the surface keeps its directions.
    doc.head.scale = 2.0f;
    doc.head.translation.set(5, 0, 0);
    commitHeadTransform(doc);
    EXPECT_EQ((*doc.face->geometries[0]->vertices)[1], osg::Vec3(7, 0, 0));
    EXPECT_EQ((*doc.face->morphs[0]->targets[0]->offsets)[0], osg::Vec3(0, 2, 0));
    EXPECT_EQ(takeChanges(doc).geometry(0), geometry_change::kMoved);

    // A quarter turn about -y: the surface now faces -x, and its normals are to be rebuilt.
    turnRight(doc);
    commitHeadTransform(doc);
    expectVec((*doc.face->geometries[0]->vertices)[1], {0, 0, 7}, 1e-5f);
    EXPECT_EQ(takeChanges(doc).geometry(0), geometry_change::kShape);
    turnUp(doc);  // a quarter turn about +x: +y goes to +z, +z to -y
    commitHeadTransform(doc);
    expectVec((*doc.face->geometries[0]->vertices)[1], {0, -7, 0}, 1e-5f);

    // Nothing is baked while a comparison face is shown.
    installComparisonFace(doc, face, prompt);
    doc.head.translation.set(1, 0, 0);
    commitHeadTransform(doc);
    EXPECT_EQ(doc.head.matrix(), osg::Matrixd::translate(1, 0, 0));
}

TEST_F(DocumentFixture, FlippingReversesTheWindingOfEveryTriangle)
{
    load(*test::makeFace({test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 3, 2},
                                         {{0, 0}, {1, 0}, {0, 1}, {1, 1}}, {0, 1, 2, 1, 3, 2})}));
    const FaceGeom& g = *doc.face->geometries[0];
    flipPolygonOrder(doc, 1);
    EXPECT_FALSE(doc.changes.any());

    flipPolygonOrder(doc, 0);
    EXPECT_EQ(g.vertexIndices, (IndexList{0, 2, 1, 1, 2, 3}));
    EXPECT_EQ(g.texIndices, (IndexList{0, 2, 1, 1, 2, 3}));
    EXPECT_EQ(doc.changes.geometry(0), geometry_change::kShape | geometry_change::kTexturing);
    flipPolygonOrder(doc, 0);
    EXPECT_EQ(g.vertexIndices, (IndexList{0, 1, 2, 1, 3, 2}));
}

}  // namespace
}  // namespace mw
