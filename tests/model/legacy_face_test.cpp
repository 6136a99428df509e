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

// Vertices (x, 0, 0), one for each x.
std::vector<osg::Vec3> onXAxis(std::initializer_list<float> xs)
{
    std::vector<osg::Vec3> v;
    for (const float x : xs)
        v.push_back({x, 0, 0});
    return v;
}

TEST(LegacyFace, SectionsBuildTwoWeldedGeometriesAndTheirMorphs)
{
    auto skin = makeGeom("face", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 3},
                         {{0, 0}, {1, 0}, {1, 1}}, {0, 1, 2, 0, 2, 1});
    skin->texture = "skin.jpg";
    auto mouth = makeGeom("mouth", {{0, 1, 0}, {0, 0, 1}, {1, 0, 1}}, {1, 2, 0}, {{1, 0}, {0.5f, 0.5f}}, {1, 1, 0});
    mouth->texture = "mouth.png";
    auto headers = makeFace({makeGeom("face", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}),
                             makeGeom("mouth", {{0, 0, 0}, {1, 0, 0}, {2, 2, 2}}, {0, 1, 2})});
    headers->geometries[0]->texture = "*9";
    const auto noMouth = makeGeom("mouth", {}, {});
    const struct {
        const char* what;
        std::string text;
        osg::ref_ptr<TarvFaceObject> expected;
        std::vector<std::string> changes = {};
    } cases[] = {
        {"every section",
         "legacy head v1\r\n*1 vertices\r\n0 0 0\r\n1 0 0\r\n1 1 0\r\n0 1 0\r\n0 0 1\r\n1 0 1\r\n"
         "*2 face triangles\r\n0 1 2\r\n0 2 3\r\n*3\r\n0 0\r\n1 0\r\n1 1\r\n0.5 0.5\r\n*4\r\n0 1 2\r\n0 2 1\r\n"
         "*5\r\n"
         "3 0.5 0.25 -1\r\n"  // entry 2, at most the highest face index 3: "face"
         "6 1 1 1\r\n"        // entry 5: "mouth"
         "*6\r\nskin.jpg and more words\r\n*7\r\n4 5 3\r\n*8\r\n3 3 1\r\n*9\r\n\tmouth.png\r\n",
         makeFace({skin, mouth}, {makeMorph("morph_0", {makeTarget("face", {2}, {{0.5f, -0.25f, 1}}),
                                                      makeTarget("mouth", {2}, {{1, -1, -1}})})})},
        // Face triangles use shared indices up to 500, the mouth 501 to 503. Morph lines count
        // from one: 501 is face vertex 2 after welding, 502 the mouth's first vertex, 12 a
        // vertex no triangle uses.
        {"morph entries split at the highest face index",
         "*1\n" + vertexLines(504) + "*2\n0 1 500\n*7\n501 502 503\n*5\n501 1 2 3\n502 0 0 0\n12 0.5 0.25 -1\n",
         makeFace({makeGeom("face", onXAxis({0, 1, 500}), {0, 1, 2}),
                   makeGeom("mouth", onXAxis({501, 502, 503}), {0, 1, 2})},
                  {makeMorph("morph_0", {makeTarget("face", {2}, {{1, -2, -3}}),
                                         makeTarget("mouth", {0}, {{0, 0, 0}})})})},
        // Before any face triangle every entry goes to "mouth": 11 is its third kept vertex.
        {"morph entries without face triangles", "*1\n" + vertexLines(20) + "*5\n12 0.5 0.25 -1\n*7\n11 0 1\n",
         makeFace({makeGeom("face", {}, {}), makeGeom("mouth", onXAxis({0, 1, 11}), {2, 0, 1})},
                  {makeMorph("morph_0", {makeTarget("mouth", {2}, {{0.5f, -0.25f, 1}})})})},
        // A section without a valid line makes no morph; another one makes another of the same name.
        {"one morph per section that holds entries",
         "*1\n" + vertexLines(6) + "*2\n0 1 2\n3 4 5\n*5\n1 1 0 0\n6 0 1 0\n*5\nnot a morph line\n\n*5\n2 0 0 1\n",
         makeFace({makeGeom("face", onXAxis({0, 1, 2, 3, 4, 5}), {0, 1, 2, 3, 4, 5}), noMouth},
                  {makeMorph("morph_0", {makeTarget("face", {0, 5}, {{1, 0, 0}, {0, -1, 0}})}),
                   makeMorph("morph_0", {makeTarget("face", {1}, {{0, 0, -1}})})})},
        {"headers, sections and lines",
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
         "*9",                   // at the end of the file: nothing to read
         headers, {"geometry 0 \"face\": dropped 1 triangle with a vertex index out of range"}},
        // The neck vertices 467, 471 and 492 are marked once each, and only on the face.
        {"neck vertices", "*1\n" + vertexLines(493) + "*2\n0 492 471\n467 0 471\n",
         makeFace({makeGeom("face", onXAxis({0, 467, 471, 492}), {0, 3, 2, 1, 0, 2}, {}, {}, {1, 2, 3}), noMouth})},
        {"an empty file: no legacy face", "", nullptr},
        {"text without a section", "not a face\n* 1\n1*\n", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RepairReport report;
        const auto face = readLegacyText(c.text, &report);
        ASSERT_EQ(face.valid(), c.expected.valid());
        EXPECT_TRUE(!face || facesEqual(*c.expected, *face));
        EXPECT_EQ(report.changes, c.changes);
    }

    test::TempDir dir;  // the same file from disk; a file that cannot be opened gives no face
    test::writeBytes(dir / "head.TXT", cases[0].text);
    const auto fromDisk = readLegacyFace(dir / "head.TXT");
    EXPECT_TRUE(fromDisk && facesEqual(*cases[0].expected, *fromDisk));
    EXPECT_FALSE(readLegacyFace(dir / "missing.txt"));
    EXPECT_FALSE(readLegacyFace(dir.path()));
}

}  // namespace
}  // namespace mw
