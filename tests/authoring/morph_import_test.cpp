// "Import Morphs": fitting another face's morphs to the current face.

#include <gtest/gtest.h>

#include "authoring/morph_import.h"
#include "tests/authoring/view_fixture.h"

namespace mw {
namespace {

// skin: 4 vertices, eyes: 3 vertices (the fixture's face).
TEST_F(ViewFixture, ImportedTargetsFollowTheGeometryPositionOfTheirName)
{
    loadTwoGeometries();
    // The second source geometry is "lids" with five vertices; "hair" has no partner.
    const auto source = test::makeFace(
        {test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {}, {}, {}, {2}),
         test::makeGeom("lids", {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {}, {}, {}, {4, 1}),
         test::makeGeom("hair", {{0, 0, 0}}, {})},
        {test::makeMorph("blink", {test::makeTarget("lids", {0, 4, 2}, {{0, 1, 0}, {0, 2, 0}, {0, 3, 0}}, 0.7f),
                                   test::makeTarget("nose", {0}, {{1, 0, 0}}),
                                   test::makeTarget("skin", {3}, {{0, 0, 1}})}),
         test::makeMorph("tooFar", {test::makeTarget("lids", {3, 4}, {{1, 1, 1}, {1, 1, 1}}),
                                    test::makeTarget("hair", {0}, {{1, 1, 1}})}),
         test::makeMorph("smile", {test::makeTarget("skin", {1}, {{0.5f, 0, 0}})})});

    EXPECT_EQ(importMorphs(state, *source, false), 2);
    EXPECT_TRUE(state.modified);
    ASSERT_EQ(state.face->morphs.size(), 2u);
    const FaceMorph& blink = *state.face->morphs[0];
    EXPECT_EQ(blink.name, "blink");
    ASSERT_EQ(blink.targets.size(), 2u);
    EXPECT_EQ(blink.targets[0]->name, "eyes");  // named after the current geometry
    EXPECT_EQ(blink.targets[0]->indices, (IndexList{0, 2}));
    EXPECT_EQ(blink.targets[0]->offsets->asVector(), (std::vector<osg::Vec3>{{0, 1, 0}, {0, 3, 0}}));
    EXPECT_EQ(blink.targets[0]->weight, 0.0f);
    EXPECT_EQ(blink.targets[1]->name, "skin");
    EXPECT_EQ(blink.targets[1]->indices, (IndexList{3}));
    EXPECT_EQ(state.face->morphs[1]->name, "smile");
    EXPECT_EQ(state.face->geometries[0]->clampIndices, (IndexList{3, 1, 3}));  // neck left alone

    // The new targets draw on their geometries.
    state.faceNode->setMorphWeight(0, 1.0f);
    EXPECT_EQ(state.faceNode->renderers()[1]->morphedVertices()[2], osg::Vec3(5, 10, 0));  // (5 7 0) + (0 3 0)

    // Importing again adds the morphs again; with the neck vertices this time.
    EXPECT_EQ(importMorphs(state, *source, true), 2);
    EXPECT_EQ(state.face->morphs.size(), 4u);
    EXPECT_EQ(state.face->geometries[0]->clampIndices, (IndexList{2}));
    EXPECT_EQ(state.face->geometries[1]->clampIndices, (IndexList{1}));  // 4 names no vertex of eyes
}

TEST_F(ViewFixture, ImportingFromAFileBakesTheHeadTransformAndReportsAnUnreadableFile)
{
    EXPECT_EQ(importMorphs(state, dir / "missing.tvf", false, prompt), 0);  // no face yet
    loadTwoGeometries();
    EXPECT_EQ(importMorphs(state, dir / "missing.tvf", false, prompt), 0);
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Failed to load: " + (dir / "missing.tvf").string()});
    EXPECT_TRUE(state.face->morphs.empty());
    prompt.messages.clear();

    // Two source geometries share the name "skin": the later one (position 1) wins.
    const std::vector<osg::Vec3> three(3);
    const auto source = test::makeFace({test::makeGeom("skin", three, {}), test::makeGeom("skin", three, {})},
                                       {test::makeMorph("m", {test::makeTarget("skin", {2}, {{1, 0, 0}})})});
    state.editHandler->setScale(2.0f);
    EXPECT_EQ(importMorphs(state, writeFace(*source, "source.tvf"), false, prompt), 1);
    EXPECT_EQ(state.face->morphs[0]->targets[0]->name, "eyes");
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_EQ((*state.face->geometries[1]->vertices)[2], osg::Vec3(10, 14, 0));  // (5 7 0) doubled
    EXPECT_TRUE(prompt.messages.empty());
}

}  // namespace
}  // namespace mw
