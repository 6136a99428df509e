#include <string>

#include <gtest/gtest.h>

#include "model/legacy_face.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::facesEqual;
using test::makeFace;
using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

// `count` vertex lines "i 0 0", for files that need many vertices.
std::string vertexLines(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += std::to_string(i) + " 0 0\n";
    return s;
}

TEST(LegacyFace, AllSectionsBuildTwoWeldedGeometriesAndAMorph)
{
    const char* text =
        "legacy head v1\r\n*1 vertices\r\n0 0 0\r\n1 0 0\r\n1 1 0\r\n0 1 0\r\n0 0 1\r\n1 0 1\r\n"
        "*2 face triangles\r\n0 1 2\r\n0 2 3\r\n*3\r\n0 0\r\n1 0\r\n1 1\r\n0.5 0.5\r\n*4\r\n0 1 2\r\n0 2 1\r\n"
        "*5\r\n"
        "3 0.5 0.25 -1\r\n"  // entry 2, at most the highest face index 3: "face"
        "6 1 1 1\r\n"        // entry 5: "mouth"
        "*6\r\nskin.jpg and more words\r\n*7\r\n4 5 3\r\n*8\r\n3 3 1\r\n*9\r\n\tmouth.png\r\n";
    RepairReport report;
    const auto face = readLegacyText(text, &report);
    EXPECT_TRUE(report.empty());

    auto skin = makeGeom("face", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 3},
                         {{0, 0}, {1, 0}, {1, 1}}, {0, 1, 2, 0, 2, 1});
    skin->texture = "skin.jpg";
    auto mouth = makeGeom("mouth", {{0, 1, 0}, {0, 0, 1}, {1, 0, 1}}, {1, 2, 0}, {{1, 0}, {0.5f, 0.5f}}, {1, 1, 0});
    mouth->texture = "mouth.png";
    auto expected = makeFace({skin, mouth}, {makeMorph("morph_0", {makeTarget("face", {2}, {{0.5f, -0.25f, 1}}),
                                                                 makeTarget("mouth", {2}, {{1, -1, -1}})})});
    EXPECT_TRUE(facesEqual(*expected, *face));

    test::TempDir dir;  // the same file from disk; a file that cannot be opened gives no face
    test::writeBytes(dir / "head.TXT", text);
    const auto fromDisk = readLegacyFace(dir / "head.TXT");
    EXPECT_TRUE(fromDisk && facesEqual(*expected, *fromDisk));
    EXPECT_FALSE(readLegacyFace(dir / "missing.txt"));
    EXPECT_FALSE(readLegacyFace(dir.path()));
}

TEST(LegacyFace, MorphLinesCountFromOneAndSplitAtTheHighestFaceIndex)
{
    // Face triangles use shared indices up to 500; the mouth uses 501 and 502.
    std::string text = "*1\n" + vertexLines(504) + "*2\n0 1 500\n*7\n501 502 503\n";
    text += "*5\n501 1 2 3\n502 0 0 0\n12 0.5 0.25 -1\n";
    const auto face = readLegacyText(text);
    ASSERT_EQ(face->morphs.size(), 1u);
    ASSERT_EQ(face->morphs[0]->targets.size(), 2u);
    const FaceTarget* skin = face->morphs[0]->targets[0].get();
    const FaceTarget* mouth = face->morphs[0]->targets[1].get();
    EXPECT_EQ(skin->name + " " + mouth->name, "face mouth");
    // Entry 500 is face vertex 2 after welding; entry 11 names a vertex no face triangle uses.
    EXPECT_EQ(skin->indices, IndexList({2}));
    EXPECT_EQ((*skin->offsets)[0], osg::Vec3(1, -2, -3));
    EXPECT_EQ(mouth->indices, IndexList({0}));  // entry 501, the mouth's first vertex

    // Before any face triangle every entry goes to "mouth"; an entry index 11 with offset
    // (0.5, -0.25, 1) shows the conversion of the line "12 0.5 0.25 -1".
    text = "*1\n" + vertexLines(20) + "*5\n12 0.5 0.25 -1\n*7\n11 0 1\n";
    const auto early = readLegacyText(text);
    ASSERT_EQ(early->morphs.size(), 1u);
    ASSERT_EQ(early->morphs[0]->targets.size(), 1u);
    const FaceTarget& only = *early->morphs[0]->targets[0];
    EXPECT_EQ(only.name, "mouth");
    EXPECT_EQ(only.indices, IndexList({2}));  // shared 11 is the mouth's third kept vertex (0, 1, 11)
    EXPECT_EQ((*only.offsets)[0], osg::Vec3(0.5f, -0.25f, 1));
}

TEST(LegacyFace, MorphSectionsMakeOneMorphEachWhenTheyHoldEntries)
{
    const std::string base = "*1\n" + vertexLines(6) + "*2\n0 1 2\n3 4 5\n";
    // All entries to "face": a single target. A section without a valid line: no morph.
    // A second section: a second morph of the same name.
    const auto face = readLegacyText(base + "*5\n1 1 0 0\n6 0 1 0\n*5\nnot a morph line\n\n*5\n2 0 0 1\n");
    EXPECT_TRUE(facesEqual(*makeFace({makeGeom("face", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}},
                                               {0, 1, 2, 3, 4, 5}),
                                      makeGeom("mouth", {}, {})},
                                     {makeMorph("morph_0", {makeTarget("face", {0, 5}, {{1, 0, 0}, {0, -1, 0}})}),
                                      makeMorph("morph_0", {makeTarget("face", {1}, {{0, 0, -1}})})}),
                           *face));
}

TEST(LegacyFace, HeadersSectionsAndLinesFollowTheFormatsRules)
{
    const std::string text =
        "*\n"                   // a lone star is no header
        "*1\n"
        "0 0 0\n"
        " *2 not a header\n"    // does not end the section; does not convert either
        "1 0\n"                 // short: skipped
        "1e 0 0\n"              // "1e" reads as 1, as sscanf takes it
        "0x 1 1\n"              // "0x" converts to nothing: skipped
        "0,5 1 1\n"             // stops at the comma: skipped
        "0 1 0 extra words\n"
        "*x ends the section\n"
        "5 5 5\n"               // outside any section: ignored
        "*2\n0 1 2\n"
        "*1\n2 2 2\n"           // repeated sections append
        "*2\n-1 0 1\n"          // a negative index names no vertex: the triangle is dropped
        "*6\n"
        "*9\n"                  // section 6 takes this line whatever it holds
        "*6\n"
        "   \r\n"               // blank: the texture stays "*9"
        "*7\n0 1 3\n"
        "*9";                   // at the end of the file: nothing to read
    RepairReport report;
    const auto face = readLegacyText(text, &report);
    auto expected = makeFace({makeGeom("face", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}),
                            makeGeom("mouth", {{0, 0, 0}, {1, 0, 0}, {2, 2, 2}}, {0, 1, 2})});
    expected->geometries[0]->texture = "*9";
    EXPECT_TRUE(facesEqual(*expected, *face));
    ASSERT_EQ(report.changes.size(), 1u);
    EXPECT_EQ(report.changes[0], "geometry 0 \"face\": dropped 1 triangle with a vertex index out of range");

    // An empty file is a face without vertices or morphs.
    const auto empty = readLegacyText("");
    EXPECT_TRUE(facesEqual(*makeFace({makeGeom("face", {}, {}), makeGeom("mouth", {}, {})}), *empty));
}

TEST(LegacyFace, NeckVerticesFollowTheFaceGeometry)
{
    // Face triangles use the neck vertices 467, 471 and 492 only, after vertex 0.
    const auto face = readLegacyText("*1\n" + vertexLines(493) + "*2\n0 492 471\n467 0 471\n");
    EXPECT_EQ(face->geometries[0]->clampIndices, IndexList({1, 2, 3}));
    EXPECT_TRUE(face->geometries[1]->clampIndices.empty());
}

}  // namespace
}  // namespace mw
