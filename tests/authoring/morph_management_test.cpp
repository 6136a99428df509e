// Managing morphs: names, the left/right vertex pairing, mirror, duplicate, delete, move, mix,
// and importing another face's morphs.

#include <map>
#include <random>

#include <gtest/gtest.h>

#include "authoring/morph_import.h"
#include "authoring/morph_management.h"
#include "model/face_operations.h"
#include "tests/authoring/document_fixture.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

TEST(MorphNames, SideMarkersSwapInTheirCaseAndTakenNamesGetACount)
{
    const std::pair<const char*, const char*> mirrored[] = {
        {"blink_L", "blink_R"},         {"brow_r", "brow_l"},         {"smile.L", "smile.R"},
        {"smile.L.001", "smile.R.001"}, {"eyeBlinkLeft", "eyeBlinkRight"}, {"mouthRight", "mouthLeft"},
        {"LEFT_lid", "RIGHT_lid"},      {"left_cheek", "right_cheek"}, {"Left_Up_R", "Right_Up_L"},
        {"jaw_open", "jaw_open_mirror"}, {"cleft", "cleft_mirror"},   {"Leftover", "Leftover_mirror"},
        {"_Lip", "_Lip_mirror"},        {"", "_mirror"}};
    for (const auto& [name, expected] : mirrored)
        EXPECT_EQ(mirroredMorphName(name), expected) << name;

    const auto face = test::makeFace({}, {makeMorph("smile", {}), makeMorph("smile.001", {}), makeMorph("x.002", {})});
    EXPECT_EQ(uniqueMorphName(*face, "frown"), "frown");
    EXPECT_EQ(uniqueMorphName(*face, "smile"), "smile.002");
    EXPECT_EQ(uniqueMorphName(*face, "smile.001"), "smile.002");
    EXPECT_EQ(uniqueMorphName(*face, "x.002"), "x.001");
}

// A 5 x 3 grid about x = 0 (vertex 5r + c); 15 and 16 repeat 1 and 3 (a seam), 17 has no
// mirror image; one-vertex eyes at x = ±3.
osg::ref_ptr<TarvFaceObject> symmetricHead()
{
    std::vector<osg::Vec3> grid;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            grid.push_back({static_cast<float>(c - 2), static_cast<float>(r), 0.1f * static_cast<float>(r * r)});
    grid.push_back(grid[1]);
    grid.push_back(grid[3]);
    grid.push_back({1.5f, 0, 0});
    return test::makeFace({makeGeom("skin", grid, {0, 1, 5, 1, 6, 5}), makeGeom("eye_L", {{3, 1, 1}}, {}),
                           makeGeom("eye_R", {{-3, 1, 1}}, {})});
}

TEST(MirrorMap, PairsEachVertexWithItsReflectionPreferringItsOwnGeometryAndIsCached)
{
    const auto face = symmetricHead();
    const MirrorMap map = buildMirrorMap(*face);
    EXPECT_FLOAT_EQ(map.planeX, 0.0f);
    EXPECT_FLOAT_EQ(map.tolerance, 0.006f);
    for (std::uint32_t r = 0; r < 3; ++r)
        for (std::uint32_t c = 0; c < 5; ++c)
            if (5 * r + c != 1 && 5 * r + c != 3) {
                EXPECT_EQ(map.partner(0, 5 * r + c), (FaceVertex{0, 5 * r + 4 - c})) << r << "," << c;
            }
    // Seam copies pair rank by rank: 1 ↔ 3 and 15 ↔ 16.
    EXPECT_EQ(map.partner(0, 1), (FaceVertex{0, 3}));
    EXPECT_EQ(map.partner(0, 15), (FaceVertex{0, 16}));
    EXPECT_EQ(map.partner(0, 16), (FaceVertex{0, 15}));
    EXPECT_FALSE(map.partner(0, 17).valid());
    EXPECT_EQ(map.partner(1, 0), (FaceVertex{2, 0}));
    EXPECT_EQ(map.partner(2, 0), (FaceVertex{1, 0}));
    EXPECT_EQ(map.unmatched, 1u);

    // Within the tolerance a slightly moved vertex still pairs; beyond it, it does not. The
    // cache keeps its map until the rest pose is marked changed.
    MirrorMapCache cache;
    EXPECT_EQ(cache.get(*face).partners, map.partners);
    (*face->geometries[0]->vertices)[0] += osg::Vec3(0.005f, 0, 0);
    (*face->geometries[0]->vertices)[10] += osg::Vec3(0, 0.007f, 0);
    EXPECT_EQ(cache.get(*face).partners, map.partners);  // unnoticed without dirty()
    face->geometries[0]->vertices->dirty();
    const MirrorMap& moved = cache.get(*face);
    EXPECT_EQ(moved.partner(0, 0), (FaceVertex{0, 4}));
    EXPECT_FALSE(moved.partner(0, 10).valid());
    EXPECT_FALSE(moved.partner(0, 14).valid());
}

TEST(MirrorMap, GridAgreesWithComparingEveryPair)
{
    // A noisy, nearly symmetric cloud in two geometries with many near ties.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), noise(-0.004f, 0.004f);
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    for (int g = 0; g < 2; ++g) {
        std::vector<osg::Vec3> cloud;
        for (int i = 0; i < 300; ++i) {
            const osg::Vec3 p(unit(random), unit(random), unit(random));
            cloud.push_back(p);
            cloud.push_back({-p.x() + noise(random), p.y() + noise(random), p.z()});
        }
        face->geometries.push_back(makeGeom("g" + std::to_string(g), cloud, {}));
    }
    const MirrorMap grid = buildMirrorMap(*face), brute = buildMirrorMapBruteForce(*face);
    EXPECT_EQ(grid.partners, brute.partners);
    EXPECT_EQ(grid.unmatched, brute.unmatched);
    EXPECT_GT(grid.unmatched, 0u);
    EXPECT_LT(grid.unmatched, 1200u);
}

TEST(MirrorMorph, ReflectsOffsetsOntoPartnersAndMirroringTwiceGivesTheOriginal)
{
    const auto face = symmetricHead();
    face->morphs.push_back(makeMorph("blink_L", {makeTarget("skin", {6, 15, 17, 6}, {{0.5f, 1, 2}, {1, 0, 0}, {9, 9, 9}, {0.25f, 0, 0}}),
                                                 makeTarget("eye_L", {0}, {{-1, 2, 3}}),
                                                 makeTarget("nowhere", {0}, {{1, 1, 1}})}));
    face->morphs.push_back(makeMorph("blink_R", {}));
    const MirrorMap map = buildMirrorMap(*face);

    const auto result = mirrorMorph(*face, map, 0);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->index, 1u);
    EXPECT_EQ(result->unmatched, 1u);  // vertex 17
    const FaceMorph& mirror = *face->morphs[1];
    EXPECT_EQ(mirror.name, "blink_R.001");  // blink_R is taken
    ASSERT_EQ(mirror.targets.size(), 2u);
    EXPECT_EQ(mirror.targets[0]->name, "skin");
    EXPECT_EQ(mirror.targets[0]->indices, (IndexList{8, 16, 8}));
    EXPECT_EQ(mirror.targets[0]->offsets->asVector(), (std::vector<osg::Vec3>{{-0.5f, 1, 2}, {-1, 0, 0}, {-0.25f, 0, 0}}));
    EXPECT_EQ(mirror.targets[1]->name, "eye_R");
    EXPECT_EQ(mirror.targets[1]->offsets->asVector(), (std::vector<osg::Vec3>{{1, 2, 3}}));

    const auto back = mirrorMorph(*face, map, 1, "again");
    ASSERT_TRUE(back);
    const FaceMorph& twice = *face->morphs[2];
    EXPECT_EQ(twice.name, "again");
    EXPECT_EQ(twice.targets[0]->indices, (IndexList{6, 15, 6}));
    EXPECT_EQ(twice.targets[0]->offsets->asVector(), (std::vector<osg::Vec3>{{0.5f, 1, 2}, {1, 0, 0}, {0.25f, 0, 0}}));
    EXPECT_EQ(twice.targets[1]->name, "eye_L");
    EXPECT_EQ(twice.targets[1]->offsets->asVector(), (std::vector<osg::Vec3>{{-1, 2, 3}}));
}

TEST_F(DocumentFixture, DuplicateDeleteAndMoveKeepEveryOtherMorphAndTheDrawnList)
{
    auto face = twoGeometries();
    for (const char* name : {"a", "b", "c"})
        face->morphs.push_back(makeMorph(name, {makeTarget("skin", {static_cast<std::uint32_t>(name[0] - 'a')}, {{1, 2, 3}})}));
    load(*face, "three.tvf");
    EXPECT_EQ(duplicateMorph(doc, 1), 2u);
    EXPECT_EQ(test::morphNames(*doc.face), (std::vector<std::string>{"a", "b", "b.001", "c"}));
    EXPECT_TRUE(takeChanges(doc).has(document_change::kMorphList));
    const FaceTarget& copy = *doc.face->morphs[2]->targets[0];
    EXPECT_NE(&copy, doc.face->morphs[1]->targets[0].get());
    EXPECT_NE(copy.offsets.get(), doc.face->morphs[1]->targets[0]->offsets.get());
    EXPECT_EQ(copy.indices, (IndexList{1}));

    EXPECT_EQ(moveMorph(doc, 0, 3), 3u);
    EXPECT_EQ(test::morphNames(*doc.face), (std::vector<std::string>{"b", "b.001", "c", "a"}));
    EXPECT_EQ(moveMorph(doc, 2, 0), 0u);
    EXPECT_EQ(test::morphNames(*doc.face), (std::vector<std::string>{"c", "b", "b.001", "a"}));
    EXPECT_TRUE(deleteMorph(doc, 1));
    EXPECT_EQ(test::morphNames(*doc.face), (std::vector<std::string>{"c", "b.001", "a"}));

    // Indices outside the list change nothing.
    takeChanges(doc);
    EXPECT_FALSE(deleteMorph(doc, 3));
    EXPECT_FALSE(duplicateMorph(doc, -1));
    EXPECT_FALSE(moveMorph(doc, 5, 0));
    EXPECT_FALSE(mirrorMorph(doc, 3));
    EXPECT_FALSE(doc.changes.any());
    EXPECT_EQ(doc.face->morphs.size(), 3u);
}

// skin: 4 vertices, eyes: 3 vertices (the fixture's face). An unreadable file is reported
// through the Open dialog's import (document tests).
TEST_F(DocumentFixture, ImportedTargetsFollowTheGeometryPositionOfTheirName)
{
    EXPECT_EQ(importMorphs(doc, dir / "missing.tvf", false, prompt), 0);  // no face yet
    load(*twoGeometries());
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

    EXPECT_EQ(importMorphs(doc, *source, false), 2);
    EXPECT_TRUE(doc.changes.has(document_change::kMorphList));
    ASSERT_EQ(doc.face->morphs.size(), 2u);
    const FaceMorph& blink = *doc.face->morphs[0];
    EXPECT_EQ(blink.name, "blink");
    ASSERT_EQ(blink.targets.size(), 2u);
    EXPECT_EQ(blink.targets[0]->name, "eyes");  // named after the current geometry
    EXPECT_EQ(blink.targets[0]->indices, (IndexList{0, 2}));
    EXPECT_EQ(blink.targets[0]->offsets->asVector(), (std::vector<osg::Vec3>{{0, 1, 0}, {0, 3, 0}}));
    EXPECT_EQ(blink.targets[0]->weight, 0.0f);
    EXPECT_EQ(blink.targets[1]->name, "skin");
    EXPECT_EQ(blink.targets[1]->indices, (IndexList{3}));
    EXPECT_EQ(doc.face->morphs[1]->name, "smile");
    EXPECT_EQ(doc.face->geometries[0]->clampIndices, (IndexList{3, 1, 3}));  // neck left alone

    // Importing again adds the morphs again; with the neck vertices this time.
    EXPECT_EQ(importMorphs(doc, *source, true), 2);
    EXPECT_EQ(doc.face->morphs.size(), 4u);
    EXPECT_EQ(doc.face->geometries[0]->clampIndices, (IndexList{2}));
    EXPECT_EQ(doc.face->geometries[1]->clampIndices, (IndexList{1}));  // 4 names no vertex of eyes

    // From a file, with the head placement baked first. Two source geometries share the name
    // "skin": the later one (position 1) wins.
    const std::vector<osg::Vec3> three(3);
    const auto twoSkins = test::makeFace({test::makeGeom("skin", three, {}), test::makeGeom("skin", three, {})},
                                         {test::makeMorph("m", {test::makeTarget("skin", {2}, {{1, 0, 0}})})});
    doc.head.scale = 2.0f;
    EXPECT_EQ(importMorphs(doc, writeFace(*twoSkins, "source.tvf"), false, prompt), 1);
    EXPECT_EQ(doc.face->morphs[4]->targets[0]->name, "eyes");
    EXPECT_TRUE(doc.head.isIdentity());
    EXPECT_EQ((*doc.face->geometries[1]->vertices)[2], osg::Vec3(10, 14, 0));  // (5 7 0) doubled
    EXPECT_TRUE(prompt.messages.empty());
}

}  // namespace
}  // namespace mw
