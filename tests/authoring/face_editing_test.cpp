// Baking the interactive transforms, automatic sizing, winding and morph values.

#include <gtest/gtest.h>

#include "authoring/comparison_loading.h"
#include "authoring/face_editing.h"
#include "authoring/view_operations.h"
#include "tests/authoring/view_fixture.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

using test::expectVec;

// Two units wide along x, lowest point at y = 1.
osg::ref_ptr<TarvFaceObject> headAtHeightOne()
{
    return test::makeFace({test::makeGeom("skin", {{-1, 1, 0}, {1, 1, 0}, {0, 3, 0.5f}}, {0, 1, 2})});
}

TEST_F(ViewFixture, AutoScaleSizesTheHeadThroughTheHeadTransformButNotAFaceWithoutWidth)
{
    const auto flat = test::makeFace({test::makeGeom("skin", {{0.5f, 0, 0}, {0.5f, 1, 0}, {0.5f, 0, 1}}, {0, 1, 2})});
    ASSERT_TRUE(loadIntoView(state, writeFace(*flat, "flat.tvf"), prompt));
    EXPECT_FALSE(autoScale(state, prompt));
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(state.editHandler->scale, 1.0f);
    EXPECT_EQ(state.editHandler->translation, osg::Vec3());
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_FALSE(state.modified);
    // A comparison face of real width cannot be scaled onto it either.
    installComparisonFace(state, headAtHeightOne(), prompt);
    EXPECT_EQ(prompt.messages.size(), 2u);
    EXPECT_TRUE(state.comparisonTransform->getMatrix().isIdentity());

    ASSERT_TRUE(loadIntoView(state, writeFace(*headAtHeightOne(), "head.tvf"), prompt));
    turnRight(state);
    const osg::Quat turned = state.editHandler->rotation;
    state.modified = false;
    // 2 x 0.09 = 0.18 wide, lowest point at 1 x 0.09 - 0.15 = -0.06 (baking is checked below).
    ASSERT_TRUE(autoScale(state, prompt));
    EXPECT_FLOAT_EQ(state.editHandler->scale, 0.09f);
    expectVec(state.editHandler->translation, {0, -0.15f, 0});
    EXPECT_EQ(state.editHandler->rotation, turned);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ((*state.face->geometries[0]->vertices)[0], osg::Vec3(-1, 1, 0));  // data untouched
}

TEST_F(ViewFixture, AutoScaleWithAComparisonFaceFitsItToTheCurrentFace)
{
    ASSERT_TRUE(loadIntoView(state, writeFace(*headAtHeightOne(), "head.tvf"), prompt));
    // Twice as wide, lowest point at 4; the extra geometry keeps loading from baking the fit.
    const auto wide = test::makeFace({test::makeGeom("skin", {{-2, 4, 0}, {2, 4, 0}, {0, 8, 0}}, {0, 1, 2}),
                                      test::makeGeom("eyes", {{0, 5, 0}, {1, 5, 0}, {0, 6, 0}}, {0, 1, 2})});
    installComparisonFace(state, wide, prompt);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(state.editHandler->scale, 0.5f);
    EXPECT_EQ(state.editHandler->translation, osg::Vec3(0, -1, 0));  // 1 - 0.5 x 4
    EXPECT_EQ(state.comparisonTransform->getMatrix(), osg::Matrixd::scale(0.5, 0.5, 0.5) * osg::Matrixd::translate(0, -1, 0));
    EXPECT_FALSE(state.differenceHighlight);
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_FALSE(state.modified);

    // Baking it puts the comparison face onto the current one.
    commitComparisonTransform(state);
    const osg::Vec3Array& v = *state.comparisonFace->geometries[0]->vertices;
    EXPECT_EQ(v[0], osg::Vec3(-1, 1, 0));
    EXPECT_EQ(v[2], osg::Vec3(0, 3, 0));
    EXPECT_TRUE(state.comparisonTransform->getMatrix().isIdentity());
    EXPECT_EQ(state.editHandler->scale, 1.0f);
}

TEST_F(ViewFixture, CommittingTheHeadTransformMovesVerticesTurnsOffsetsAndNormals)
{
    const auto face = test::makeFace({test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})},
                                     {test::makeMorph("m", {test::makeTarget("skin", {1}, {{0, 1, 0}})})});
    ASSERT_TRUE(loadIntoView(state, writeFace(*face, "tri.tvf"), prompt));
    const FaceRenderer& renderer = *state.faceNode->renderers()[0];
    expectVec((*renderer.normals())[0], {0, 0, 1});

    // Scale 2 and a move: offsets scale but do not move; the normals keep their direction.
    state.editHandler->setScale(2.0f);
    state.editHandler->setTranslation(5, 0, 0);
    commitHeadTransform(state);
    EXPECT_EQ((*state.face->geometries[0]->vertices)[1], osg::Vec3(7, 0, 0));
    EXPECT_EQ((*state.face->morphs[0]->targets[0]->offsets)[0], osg::Vec3(0, 2, 0));
    EXPECT_FALSE(state.modified);

    // A quarter turn about -y: the surface and its normals now face -x.
    turnRight(state);
    EXPECT_TRUE(state.modified);
    commitHeadTransform(state);
    expectVec((*state.face->geometries[0]->vertices)[1], {0, 0, 7}, 1e-5f);
    expectVec((*renderer.normals())[0], {-1, 0, 0}, 1e-5f);
    turnUp(state);  // a quarter turn about +x: +y goes to +z, +z to -y
    commitHeadTransform(state);
    expectVec((*state.face->geometries[0]->vertices)[1], {0, -7, 0}, 1e-5f);

    // Nothing is baked while a comparison face is shown.
    installComparisonFace(state, face, prompt);
    state.scene.headTransform->setMatrix(osg::Matrixd::translate(1, 0, 0));
    commitHeadTransform(state);
    EXPECT_EQ(state.scene.headTransform->getMatrix(), osg::Matrixd::translate(1, 0, 0));
}

TEST_F(ViewFixture, FlippingReversesTheWindingOfEveryTriangle)
{
    const auto face = test::makeFace({test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                                     {0, 1, 2, 1, 3, 2}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
                                                     {0, 1, 2, 1, 3, 2})});
    ASSERT_TRUE(loadIntoView(state, writeFace(*face, "quad.tvf"), prompt));
    const FaceGeom& g = *state.face->geometries[0];

    flipPolygonOrder(state, 1);
    EXPECT_FALSE(state.modified);

    flipPolygonOrder(state, 0);
    EXPECT_EQ(g.vertexIndices, (IndexList{0, 2, 1, 1, 2, 3}));
    EXPECT_EQ(g.texIndices, (IndexList{0, 2, 1, 1, 2, 3}));
    EXPECT_TRUE(state.modified);
    const FaceRenderer& renderer = *state.faceNode->renderers()[0];
    expectVec((*renderer.normals())[0], {0, 0, -1});
    EXPECT_EQ((*renderer.cornerTexcoords())[1], osg::Vec2(0, 1));

    flipPolygonOrder(state, 0);
    EXPECT_EQ(g.vertexIndices, (IndexList{0, 1, 2, 1, 3, 2}));
}

}  // namespace
}  // namespace mw
