#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::facesEqual;
using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

// The face of the format's worked example: one textured quad and one morph.
osg::ref_ptr<TarvFaceObject> workedExampleFace()
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    auto head = makeGeom("head", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.5f}}, {0, 1, 2, 0, 2, 3},
                         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 0, 2, 3}, {0, 1});
    head->texture = "skin.jpg";
    face->geometries.push_back(head);
    face->morphs.push_back(makeMorph("smile", {makeTarget("head", {2, 3}, {{0, 0.1f, 0}, {-0.05f, 0.1f, 0}})}));
    return face;
}

// The 37 lines of the worked example, typed in by hand.
const char* const kWorkedExample =
    "Face {\r\n"
    "\tGeometry head {\r\n"
    "\t\ttexture skin.jpg\r\n"
    "\t\tdiffuse 1 1 1 1\r\n"
    "\t\tspecular 0 0 0 1\r\n"
    "\t\tvertices {\r\n"
    "\t\t\t0 0 0\r\n"
    "\t\t\t1 0 0\r\n"
    "\t\t\t1 1 0\r\n"
    "\t\t\t0 1 0.5\r\n"
    "\t\t}\r\n"
    "\t\ttexcoords {\r\n"
    "\t\t\t0 0\r\n"
    "\t\t\t1 0\r\n"
    "\t\t\t1 1\r\n"
    "\t\t\t0 1\r\n"
    "\t\t}\r\n"
    "\t\tvertexIndices {\r\n"
    "\t\t\t0 1 2 \r\n"
    "\t\t\t0 2 3 \r\n"
    "\t\t}\r\n"
    "\t\ttexIndices {\r\n"
    "\t\t\t0 1 2 \r\n"
    "\t\t\t0 2 3 \r\n"
    "\t\t}\r\n"
    "\t\tclampIndices {\r\n"
    "\t\t\t0 \r\n"
    "\t\t\t1 \r\n"
    "\t\t}\r\n"
    "\t}\r\n"
    "\tmorph smile {\r\n"
    "\t\ttarget head {\r\n"
    "\t\t\t2 0 0.1 0\r\n"
    "\t\t\t3 -0.05 0.1 0\r\n"
    "\t\t}\r\n"
    "\t}\r\n"
    "}\r\n";

TEST(FaceFileWriter, WorkedExampleComesOutByteForByteAndReadsBack)
{
    test::TempDir dir;
    const auto path = dir / "head.tvf";
    auto face = workedExampleFace();
    face->morphs[0]->targets[0]->weight = 0.75f;
    ASSERT_TRUE(writeFaceFile(path, *face));
    EXPECT_EQ(test::readBytes(path), kWorkedExample);

    auto back = readFaceFile(path);
    ASSERT_TRUE(back.valid());
    face->morphs[0]->targets[0]->weight = 0.0f;  // weights are never saved
    EXPECT_TRUE(facesEqual(*face, *back, /*compareWeights=*/true));
}

TEST(FaceFileWriter, EmptyPartsKeepTheirLayout)
{
    osg::ref_ptr<TarvFaceObject> empty = new TarvFaceObject;
    EXPECT_EQ(formatFace(*empty), "Face {\r\n}\r\n");
    auto back = readFaceText(formatFace(*empty));
    ASSERT_TRUE(back.valid());
    EXPECT_TRUE(back->geometries.empty() && back->morphs.empty());

    // No texture line for an untextured geometry; an empty name gives two blanks.
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries.push_back(makeGeom("", {}, {}));
    face->morphs.push_back(makeMorph("", {makeTarget("", {}, {})}));
    const std::string text = formatFace(*face);
    EXPECT_EQ(text,
              "Face {\r\n"
              "\tGeometry  {\r\n"
              "\t\tdiffuse 1 1 1 1\r\n"
              "\t\tspecular 0 0 0 1\r\n"
              "\t\tvertices {\r\n\t\t}\r\n"
              "\t\ttexcoords {\r\n\t\t}\r\n"
              "\t\tvertexIndices {\r\n\t\t}\r\n"
              "\t\ttexIndices {\r\n\t\t}\r\n"
              "\t\tclampIndices {\r\n\t\t}\r\n"
              "\t}\r\n"
              "\tmorph  {\r\n"
              "\t\ttarget  {\r\n"
              "\t\t}\r\n"
              "\t}\r\n"
              "}\r\n");
    back = readFaceText(text);
    ASSERT_TRUE(back.valid());
    EXPECT_TRUE(facesEqual(*face, *back));
}

TEST(FaceFileWriter, ShortLastIndexRowSharesItsLineWithTheClosingBrace)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries.push_back(makeGeom("g", {{0, 0, 0}}, {0, 0, 0, 0}, {}, {7, 8, 9, 10, 11}));
    const std::string text = formatFace(*face);
    EXPECT_NE(text.find("\t\tvertexIndices {\r\n\t\t\t0 0 0 \r\n\t\t\t0 \t\t}\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\t\ttexIndices {\r\n\t\t\t7 8 9 \r\n\t\t\t10 11 \t\t}\r\n"), std::string::npos) << text;
    auto back = readFaceText(text);
    ASSERT_TRUE(back.valid());
    EXPECT_TRUE(facesEqual(*face, *back));
}

TEST(FaceFileWriter, FloatsAreWrittenLikePrintfG)
{
    // Hand-picked values around the notation switch, then random values checked against
    // the C library's own "%g".
    std::vector<float> values = {1.0f, 0.25f, 0.1f, 1234567.0f, 999999.0f, 999999.5f, 100000.0f,
                                 0.0001f, 0.00001f, 0.000123456789f, -0.0f, 3.4028235e38f,
                                 1e-45f, 123.456789f, -2.5e-7f, 65504.0f};
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::uint32_t> bits;
    while (values.size() < 20000) {
        const std::uint32_t b = bits(rng);
        float f;
        std::memcpy(&f, &b, sizeof f);
        if (std::isfinite(f))
            values.push_back(f);
    }
    for (float v : values) {
        osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
        face->geometries.push_back(makeGeom("g", {{v, 0, 0}}, {}));
        const std::string text = formatFace(*face);
        char expected[64];
        std::snprintf(expected, sizeof expected, "\t\t\t%g 0 0\r\n", static_cast<double>(v));
        ASSERT_NE(text.find(expected), std::string::npos) << "value " << expected;

        // What was written reads back as the rounded value.
        auto back = readFaceText(text);
        ASSERT_TRUE(back.valid());
        const float rounded = std::strtof(expected, nullptr);
        ASSERT_EQ((*back->geometries[0]->vertices)[0].x(), rounded) << expected;
    }
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries.push_back(makeGeom("g", {{1234567.0f, 0.00001f, 0.1f}}, {}));
    EXPECT_NE(formatFace(*face).find("\t\t\t1.23457e+06 1e-05 0.1\r\n"), std::string::npos);
}

TEST(FaceFileReader, AcceptsCommentsCapitalsAndSurroundingText)
{
    const std::string capitals =
        "# exported by hand\n"
        "some preamble text { }\n"
        "\n"
        "FACE {\n"
        "  GEOMETRY head {\n"
        "    TEXTURE skin.jpg\n"
        "    DIFFUSE 1 1 1 1\n"
        "    SPECULAR 0 0 0 1\n"
        "    VERTICES {\n      0 0 0\n      1 0 0\n      1 1 0\n   # a comment inside a list\n      0 1 0.5\n    }\n"
        "    TEXCOORDS { 0 0 1 0 1 1 0 1 }\n"
        "    VERTEXINDICES { 0 1 2 0 2 3 }\n"
        "    TEXINDICES { 0 1 2 0 2 3 }\n"
        "    CLAMPINDICES { 0 1 }\n"
        "  }\n"
        "  MORPH smile { TARGET head { 2 0 0.1 0 3 -0.05 0.1 0 } }\n"
        "}\n"
        "trailing text that is never read: face { Geometry ignored { } }\n";
    auto face = readFaceText(capitals);
    ASSERT_TRUE(face.valid());
    EXPECT_TRUE(facesEqual(*workedExampleFace(), *face));
}

TEST(FaceFileReader, BlocksInterleaveAndListsConcatenate)
{
    const std::string text =
        "face {\n"
        " morph m1 { target a { 0 1 2 3 } }\n"
        " geometry a { vertices { 1 2 3 } texIndices { 5 } vertices { 4 5 6 } texIndices { 6 } }\n"
        " morph m2 { target a { 1 0 0 1 } target b { } }\n"
        " geometry b { }\n"
        "}\n";
    auto face = readFaceText(text);
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->geometries.size(), 2u);
    ASSERT_EQ(face->morphs.size(), 2u);
    EXPECT_EQ(face->morphs[0]->name, "m1");
    EXPECT_EQ(face->morphs[1]->targets.size(), 2u);
    const auto& a = *face->geometries[0];
    ASSERT_EQ(a.vertices->size(), 2u);
    EXPECT_EQ((*a.vertices)[1], osg::Vec3(4, 5, 6));
    EXPECT_EQ(a.texIndices, (IndexList{5, 6}));
}

TEST(FaceFileReader, IncompleteGroupsAreDropped)
{
    auto face = readFaceText(
        "face { geometry g { vertices { 1 2 3 4 5 } texcoords { 1 2 3 } } "
        "morph m { target g { 1 0.5 0.5 0.5 7 } target g { 2 1 1 } } }");
    ASSERT_TRUE(face.valid());
    const FaceGeom& g = *face->geometries[0];
    ASSERT_EQ(g.vertices->size(), 1u);
    EXPECT_EQ((*g.vertices)[0], osg::Vec3(1, 2, 3));
    ASSERT_EQ(g.texcoords->size(), 1u);
    const FaceTarget& first = *face->morphs[0]->targets[0];
    EXPECT_EQ(first.indices, (IndexList{1}));
    EXPECT_EQ(first.offsets->size(), 1u);
    const FaceTarget& second = *face->morphs[0]->targets[1];
    EXPECT_TRUE(second.indices.empty());
    EXPECT_TRUE(second.offsets->empty());
}

TEST(FaceFileReader, InputThatEndsInsideABlockKeepsWhatWasRead)
{
    auto face = readFaceText("face { geometry g { vertices { 1 2 3 4 5 6 7");
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->geometries.size(), 1u);
    EXPECT_EQ(face->geometries[0]->vertices->size(), 2u);

    face = readFaceText("face { morph m { target g { 1 2 3 4 5 6");
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->morphs.size(), 1u);
    ASSERT_EQ(face->morphs[0]->targets.size(), 1u);
    EXPECT_EQ(face->morphs[0]->targets[0]->indices, (IndexList{1}));
}

TEST(FaceFileReader, NumbersFollowFormattedInputRules)
{
    auto face = readFaceText(
        "face { geometry g {\n"
        " diffuse 0.5 x +0.25 }\n"             // "x" keeps green; "}" is consumed as the alpha token
        " specular 1e-1 .5 -2 7abc\n"
        " vertices { +1.5 abc 1e3 inf -inf 0x1p3 }\n"
        " vertexIndices { +7 -1 x 4294967296 12abc -4294967297 }\n"
        "}\n"
        "morph m { target g { 010 1 1 1 0x1F 2 2 2 -1 3 3 3 +9 4 4 4 zz 5 5 5 08 6 6 6 } } }");
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->geometries.size(), 1u);
    const FaceGeom& g = *face->geometries[0];
    EXPECT_EQ(g.diffuse, osg::Vec4(0.5f, 1.0f, 0.25f, 1.0f));
    EXPECT_EQ(g.specular, osg::Vec4(0.1f, 0.5f, -2.0f, 7.0f));
    ASSERT_EQ(g.vertices->size(), 2u);
    EXPECT_EQ((*g.vertices)[0], osg::Vec3(1.5f, 0.0f, 1000.0f));
    EXPECT_TRUE(std::isinf((*g.vertices)[1].x()) && (*g.vertices)[1].x() > 0);
    EXPECT_TRUE(std::isinf((*g.vertices)[1].y()) && (*g.vertices)[1].y() < 0);
    EXPECT_EQ((*g.vertices)[1].z(), 8.0f);
    EXPECT_EQ(g.vertexIndices, (IndexList{7, 4294967295u, 0, 0, 12, 4294967295u}));  // wrapped like C
    ASSERT_EQ(face->morphs.size(), 1u);
    EXPECT_EQ(face->morphs[0]->targets[0]->indices, (IndexList{8, 31, 4294967295u, 9, 0, 0}));
}

TEST(FaceFileReader, NamesAreSingleTokens)
{
    // A two-word geometry name: the block has no items, and the face block then skips tokens
    // up to the first "}", which ends the face.
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries.push_back(makeGeom("left eye", {{1, 2, 3}}, {}));
    face->geometries.push_back(makeGeom("right", {}, {}));
    auto back = readFaceText(formatFace(*face));
    ASSERT_TRUE(back.valid());
    ASSERT_EQ(back->geometries.size(), 1u);
    EXPECT_EQ(back->geometries[0]->name, "left");
    EXPECT_TRUE(back->geometries[0]->vertices->empty());

    // A texture name with a blank keeps its first word; the rest is skipped.
    face = new TarvFaceObject;
    face->geometries.push_back(makeGeom("g", {{1, 2, 3}}, {}));
    face->geometries[0]->texture = "my skin.png";
    back = readFaceText(formatFace(*face));
    ASSERT_TRUE(back.valid());
    ASSERT_EQ(back->geometries.size(), 1u);
    EXPECT_EQ(back->geometries[0]->texture, "my");
    EXPECT_EQ(back->geometries[0]->vertices->size(), 1u);
}

TEST(FaceFileReader, BracesOnlyCountWhenTheyStandApart)
{
    // "face{" is one token, not the keyword: there is no face in this text.
    EXPECT_FALSE(readFaceText("face{ geometry g { } }").valid());
    // A keyword not followed by "{" gives an empty face.
    auto face = readFaceText("face geometry g { }");
    ASSERT_TRUE(face.valid());
    EXPECT_TRUE(face->geometries.empty());
    // "vertices{" is an unknown item and is skipped with its tokens read as items.
    face = readFaceText("face { geometry g { vertices{ 1 2 3 } } }");
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->geometries.size(), 1u);
    EXPECT_TRUE(face->geometries[0]->vertices->empty());
}

TEST(FaceFileReader, MissingUnreadableAndFacelessFilesGiveNoFace)
{
    test::TempDir dir;
    EXPECT_FALSE(readFaceFile(dir / "missing.tvf").valid());
    EXPECT_FALSE(readFaceFile(dir.path()).valid());  // a folder cannot be read
    test::writeBytes(dir / "none.tvf", "geometry g { }\n# face {\n");
    EXPECT_FALSE(readFaceFile(dir / "none.tvf").valid());
    test::writeBytes(dir / "empty.tvf", "");
    EXPECT_FALSE(readFaceFile(dir / "empty.tvf").valid());
    // A line whose first visible character is NUL is skipped.
    test::writeBytes(dir / "nul.tvf", std::string("\0face\nface { }\n", 16));
    auto face = readFaceFile(dir / "nul.tvf");
    EXPECT_TRUE(face.valid());
}

TEST(FaceFileReader, LongLinesAndLargeFilesSpanTheReadBuffer)
{
    // More than one read block, and one line longer than a block.
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    std::vector<osg::Vec3> vertices;
    IndexList indices;
    for (int i = 0; i < 120000; ++i) {
        vertices.push_back({static_cast<float>(i % 100000), (i % 1000) * -0.25f, static_cast<float>(i % 7)});
        indices.push_back(static_cast<std::uint32_t>(i));
    }
    face->geometries.push_back(makeGeom(std::string(3u << 20, 'n'), vertices, indices));
    test::TempDir dir;
    ASSERT_TRUE(writeFaceFile(dir / "big.tvf", *face));
    auto back = readFaceFile(dir / "big.tvf");
    ASSERT_TRUE(back.valid());
    EXPECT_TRUE(facesEqual(*face, *back));
}

}  // namespace
}  // namespace mw
