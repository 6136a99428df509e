#include <algorithm>
#include <limits>

#include <gtest/gtest.h>

#include "model/face_file.h"
#include "model/face_tokenizer.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::facesEqual;
using test::makeFace;
using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

// The face of the format's worked example: one textured quad and one morph.
osg::ref_ptr<TarvFaceObject> workedExampleFace()
{
    auto head = makeGeom("head", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.5f}}, {0, 1, 2, 0, 2, 3},
                         {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 0, 2, 3}, {0, 1});
    head->texture = "skin.jpg";
    return makeFace({head}, {makeMorph("smile", {makeTarget("head", {2, 3}, {{0, 0.1f, 0}, {-0.05f, 0.1f, 0}})})});
}

// The worked example of the format, byte for byte.
const char* const kWorkedExample =
    "Face {\r\n\tGeometry head {\r\n\t\ttexture skin.jpg\r\n\t\tdiffuse 1 1 1 1\r\n"
    "\t\tspecular 0 0 0 1\r\n\t\tvertices {\r\n\t\t\t0 0 0\r\n\t\t\t1 0 0\r\n\t\t\t1 1 0\r\n"
    "\t\t\t0 1 0.5\r\n\t\t}\r\n\t\ttexcoords {\r\n\t\t\t0 0\r\n\t\t\t1 0\r\n\t\t\t1 1\r\n"
    "\t\t\t0 1\r\n\t\t}\r\n\t\tvertexIndices {\r\n\t\t\t0 1 2 \r\n\t\t\t0 2 3 \r\n\t\t}\r\n"
    "\t\ttexIndices {\r\n\t\t\t0 1 2 \r\n\t\t\t0 2 3 \r\n\t\t}\r\n\t\tclampIndices {\r\n\t\t\t0 \r\n"
    "\t\t\t1 \r\n\t\t}\r\n\t}\r\n\tmorph smile {\r\n\t\ttarget head {\r\n\t\t\t2 0 0.1 0\r\n"
    "\t\t\t3 -0.05 0.1 0\r\n\t\t}\r\n\t}\r\n}\r\n";

TEST(FaceFileWriter, FacesComeOutByteForByteAndReadBack)
{
    auto weighted = workedExampleFace();
    weighted->morphs[0]->targets[0]->weight = 0.75f;  // weights are never saved
    const std::pair<osg::ref_ptr<TarvFaceObject>, std::string> cases[] = {
        {weighted, kWorkedExample},
        {makeFace({}), "Face {\r\n}\r\n"},
        // No texture line for an untextured geometry; an empty name gives two blanks.
        {makeFace({makeGeom("", {}, {})}, {makeMorph("", {makeTarget("", {}, {})})}),
         "Face {\r\n\tGeometry  {\r\n\t\tdiffuse 1 1 1 1\r\n\t\tspecular 0 0 0 1\r\n"
         "\t\tvertices {\r\n\t\t}\r\n\t\ttexcoords {\r\n\t\t}\r\n\t\tvertexIndices {\r\n\t\t}\r\n"
         "\t\ttexIndices {\r\n\t\t}\r\n\t\tclampIndices {\r\n\t\t}\r\n\t}\r\n"
         "\tmorph  {\r\n\t\ttarget  {\r\n\t\t}\r\n\t}\r\n}\r\n"},
        // A short last index row shares its line with the closing brace.
        {makeFace({makeGeom("g", {{0, 0, 0}}, {0, 0, 0, 0}, {}, {7, 8, 9, 10, 11})}),
         "Face {\r\n\tGeometry g {\r\n\t\tdiffuse 1 1 1 1\r\n\t\tspecular 0 0 0 1\r\n"
         "\t\tvertices {\r\n\t\t\t0 0 0\r\n\t\t}\r\n\t\ttexcoords {\r\n\t\t}\r\n"
         "\t\tvertexIndices {\r\n\t\t\t0 0 0 \r\n\t\t\t0 \t\t}\r\n"
         "\t\ttexIndices {\r\n\t\t\t7 8 9 \r\n\t\t\t10 11 \t\t}\r\n"
         "\t\tclampIndices {\r\n\t\t}\r\n\t}\r\n}\r\n"},
    };
    test::TempDir dir;
    for (const auto& [face, text] : cases) {
        ASSERT_TRUE(writeFaceFile(dir / "head.tvf", *face));
        EXPECT_EQ(test::readBytes(dir / "head.tvf"), text);
        const auto back = readFaceFile(dir / "head.tvf");
        EXPECT_TRUE(back.valid() && facesEqual(*face, *back)) << text;
    }
}

TEST(FaceFileReader, TextsGiveTheFacesTheyDescribe)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr std::uint32_t kMax = 4294967295u;
    // Numbers follow the rules of formatted input: "x" keeps green and "}" is read as the alpha
    // token; integers wrap like C's, with octal and hexadecimal prefixes.
    auto numbers = makeGeom("g", {{1.5f, 0, 1000}, {kInf, -kInf, 8}}, {7, kMax, 0, 0, 12, kMax});
    numbers->diffuse.set(0.5f, 1, 0.25f, 1);
    numbers->specular.set(0.1f, 0.5f, -2, 7);
    const struct {
        const char* what;
        std::string text;
        osg::ref_ptr<TarvFaceObject> expected;  // none: the text holds no face
    } cases[] = {
        {"comments, capitals and text around the face",
         "# exported by hand\nsome preamble text { }\n\nFACE {\n  GEOMETRY head {\n    TEXTURE skin.jpg\n"
         "    DIFFUSE 1 1 1 1\n    SPECULAR 0 0 0 1\n"
         "    VERTICES {\n      0 0 0\n      1 0 0\n      1 1 0\n   # a comment inside a list\n      0 1 0.5\n    }\n"
         "    TEXCOORDS { 0 0 1 0 1 1 0 1 }\n    VERTEXINDICES { 0 1 2 0 2 3 }\n    TEXINDICES { 0 1 2 0 2 3 }\n"
         "    CLAMPINDICES { 0 1 }\n  }\n  MORPH smile { TARGET head { 2 0 0.1 0 3 -0.05 0.1 0 } }\n}\n"
         "trailing text that is never read: face { Geometry ignored { } }\n",
         workedExampleFace()},
        {"blocks interleave, lists concatenate, incomplete groups go, input ends inside a block",
         "face {\n"
         " morph m1 { target a { 0 1 2 3 } }\n"
         " geometry a { vertices { 1 2 3 } texIndices { 5 } vertices { 4 5 6 7 8 } texIndices { 6 } texcoords { 1 2 3 } }\n"
         " morph m2 { target a { 1 0.5 0.5 0.5 7 } target b { 2 1 1 } }\n"
         " geometry b { vertices { 1 2 3 4 5 6 7",
         makeFace({makeGeom("a", {{1, 2, 3}, {4, 5, 6}}, {}, {{1, 2}}, {5, 6}), makeGeom("b", {{1, 2, 3}, {4, 5, 6}}, {})},
                  {makeMorph("m1", {makeTarget("a", {0}, {{1, 2, 3}})}),
                   makeMorph("m2", {makeTarget("a", {1}, {{0.5f, 0.5f, 0.5f}}), makeTarget("b", {}, {})})})},
        {"numbers",
         "face { geometry g {\n diffuse 0.5 x +0.25 }\n specular 1e-1 .5 -2 7abc\n"
         " vertices { +1.5 abc 1e3 inf -inf 0x1p3 }\n vertexIndices { +7 -1 x 4294967296 12abc -4294967297 }\n}\n"
         "morph m { target g { 010 1 1 1 0x1F 2 2 2 -1 3 3 3 +9 4 4 4 zz 5 5 5 08 6 6 6 } } }",
         makeFace({numbers}, {makeMorph("m", {makeTarget("g", {8, 31, kMax, 9, 0, 0}, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3},
                                                                                   {4, 4, 4}, {5, 5, 5}, {6, 6, 6}})})})},
        // Braces only count when they stand apart.
        {"\"face{\" is one token", "face{ geometry g { } }", nullptr},
        {"a keyword without \"{\"", "face geometry g { }", makeFace({})},
        {"\"vertices{\" is an unknown item, its tokens read as items", "face { geometry g { vertices{ 1 2 3 } } }",
         makeFace({makeGeom("g", {}, {})})},
        // Quoted names are read wherever a name stands; a quote not closed on its line is part
        // of the name, as in files written before quoting.
        {"quoted names", "face { geometry \"\" { texture \"\" } geometry \"x { } }",
         makeFace({makeGeom("", {}, {}), makeGeom("\"x", {}, {})})},
        {"no face outside a comment", "geometry g { }\n# face {\n", nullptr},
        {"empty", "", nullptr},
        {"a line whose first visible character is NUL is skipped", std::string("\0face\nface { }\n", 16), makeFace({})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto face = readFaceText(c.text);
        ASSERT_EQ(face.valid(), c.expected.valid());
        if (!face)
            continue;
        EXPECT_TRUE(facesEqual(*c.expected, *face));
    }
    test::TempDir dir;  // a missing file and a folder cannot be read
    EXPECT_FALSE(readFaceFile(dir / "missing.tvf").valid());
    EXPECT_FALSE(readFaceFile(dir.path()).valid());
}

TEST(FaceFileFormat, NamesThatAreNotOneWordAreQuotedAndComeBack)
{
    // name as held, as written in the file
    const std::pair<std::string, std::string> cases[] = {
        {"my skin.png", "\"my skin.png\""},
        {"tab\there", "\"tab\there\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\b c", "\"a\\\\b c\""},
        {"{", "\"{\""},
        {"#first", "\"#first\""},
        {"a\\b", "a\\b"},  // one word: written as before, backslash and all
        {"mid#dle", "mid#dle"},
    };
    for (const auto& [name, written] : cases) {
        auto geom = makeGeom(name, {{1, 2, 3}}, {});
        geom->texture = name;
        auto face = makeFace({geom, makeGeom("next", {}, {})}, {makeMorph(name, {makeTarget(name, {0}, {{1, 1, 1}})})});
        const std::string text = formatFace(*face);
        EXPECT_NE(text.find("\tGeometry " + written + " {\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find("\t\ttexture " + written + "\r\n"), std::string::npos) << text;
        auto back = readFaceText(text);
        EXPECT_TRUE(back.valid() && facesEqual(*face, *back)) << name;
    }
}

TEST(FaceFileReader, AReadErrorPartWayIsNoFace)
{
    const std::string start = "face { geometry g { vertices { 1 2 3\n";
    for (const bool failAfterwards : {false, true}) {
        bool first = true;
        FaceTokenizer tokens([&](char* buffer, std::size_t size) -> std::ptrdiff_t {
            if (!first)
                return failAfterwards ? -1 : 0;
            first = false;
            start.copy(buffer, std::min(size, start.size()));
            return static_cast<std::ptrdiff_t>(start.size());
        });
        EXPECT_EQ(readFace(tokens).valid(), !failAfterwards);
    }
}

TEST(FaceFileReader, LongLinesAndLargeFilesSpanTheReadBuffer)
{
    // More than one read block, and one line longer than a block.
    const auto face = makeFace({makeGeom(std::string(3u << 20, 'n'), {}, {})});
    for (int i = 0; i < 120000; ++i) {
        face->geometries[0]->vertices->push_back({float(i % 100000), (i % 1000) * -0.25f, float(i % 7)});
        face->geometries[0]->vertexIndices.push_back(static_cast<std::uint32_t>(i));
    }
    test::TempDir dir;
    ASSERT_TRUE(writeFaceFile(dir / "big.tvf", *face));
    auto back = readFaceFile(dir / "big.tvf");
    EXPECT_TRUE(back.valid() && facesEqual(*face, *back));
}

}  // namespace
}  // namespace mw
