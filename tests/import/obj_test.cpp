#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "import/load_face.h"
#include "import/obj_morph_export.h"
#include "import/obj_reader.h"
#include "import/save_face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

// The parts of a face the statements decide, as text: per geometry its name, vertices (as
// read, already turned), triangles and, when it has them, texture coordinates and their corners.
std::string describe(const TarvFaceObject& face)
{
    std::ostringstream out;
    for (const auto& g : face.geometries) {
        out << g->name << ":";
        for (const osg::Vec3& v : *g->vertices)
            out << " (" << v.x() << " " << v.y() << " " << v.z() << ")";
        out << " |";
        for (const auto i : g->vertexIndices)
            out << " " << i;
        if (!g->texIndices.empty()) {
            out << " | uv";
            for (const osg::Vec2& t : *g->texcoords)
                out << " (" << t.x() << " " << t.y() << ")";
            out << " |";
            for (const auto i : g->texIndices)
                out << " " << i;
        }
        out << "\n";
    }
    return out.str();
}

constexpr const char* kTriangle = "v 1 0 0\nv 0 1 0\nv 0 0 1\n";

TEST(ObjReader, ReadsEveryStatementFormAsTheFileNumbersIt)
{
    struct Row {
        const char* what;
        std::string text;
        std::string expected;  // describe() of the face, or the refusal
        std::size_t notes = 0;
    };
    const Row rows[] = {
        {"positions turn half way about y", "v 1 2 3\nv 4 5 6 1 0.5 0.5 0.5\nv -7 8 -9\nf 1 2 3\n",
         "head: (-1 2 -3) (-4 5 -6) (7 8 9) | 0 1 2\n"},
        {"all four corner forms, vt with extra components",
         std::string(kTriangle) + "vt 0 0\nvt 1 0 0\nvt 0.5 1\nvn 0 0 1\nf 1/1 2/2/1 3/3/1\nf 1//1 2//1 3//1\n",
         "head: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 0 1 2 0 1 2 | uv (0 0) (1 0) (0.5 1) (0 0) | 0 1 2 3 3 3\n", 1},
        {"negative indices count back from the last entry so far",
         "v 9 9 9\n" + std::string(kTriangle) + "vt 0 0\nvt 1 1\nf -3/-2 -2/-1 -1/-1\n",
         "head: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 0 1 2 | uv (0 0) (1 1) | 0 1 1\n"},
        {"polygons fan from the first corner; only used vertices, in file order",
         "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 3 0 0\nv 4 0 0\nv 5 0 0\nf 6 2 4 5 3\n",
         "head: (-1 0 -0) (-2 0 -0) (-3 0 -0) (-4 0 -0) (-5 0 -0) | 4 0 2 4 2 3 4 3 1\n"},
        {"comments, continuations, CRLF, blank lines, no final newline",
         "# a comment\r\nv 1 0 0 # trailing\r\n\r\nv 0 1 \\\r\n 0\r\nv 0 0 1\r\nf 1 \\\n2 3",
         "head: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 0 1 2\n"},
        {"lone CR line ends, a UTF-8 mark, unknown statements skipped",
         "\xEF\xBB\xBFv 1 0 0\rv 0 1 0\rv 0 0 1\rs 1\rl 1 2\rp 1\rcstype bezier\rf 1 2 3", "head: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 0 1 2\n"},
        {"o and g split a file without materials; faces before them are named after the file",
         std::string(kTriangle) + "f 1 2 3\no jaw\nf 3 2 1\ng teeth  upper\nf 1 3 2\no jaw\nf 2 1 3\n",
         "head: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 0 1 2\njaw: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 2 1 0 1 0 2\n"
         "teeth__upper: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 0 2 1\n"},
        {"materials decide over groups, in order of first use, names kept unique",
         std::string(kTriangle) + "g a\nusemtl skin\nf 1 2 3\nusemtl t\xC3\xA4th s\nf 2 3 1\nusemtl t\xC3\xA4th_s\n"
                                  "f 3 1 2\nusemtl skin\nf 1 3 2\n",
         "skin: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 0 1 2 0 2 1\nt\xC3\xA4th_s: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 1 2 0\n"
         "t\xC3\xA4th_s_2: (-1 0 -0) (-0 1 -0) (-0 0 -1) | 2 0 1\n"},
        {"a face with a bad corner is dropped whole; the rest is kept",
         std::string(kTriangle) + "v 1 1 1\nf 1 2 3 0\nf 1 2 9\nf -9 1 2\nf 1 2\nf 1 x 3\nf 1 2 4/7\nf 4 3 2\n",
         "head: (-0 1 -0) (-0 0 -1) (-1 1 -1) | 2 1 0\n", 1},
        {"non-finite and missing coordinates become 0", "v inf 0 0\nv 0 nan\nv 0 0 1\nf 1 2 3\n",
         "head: (0 0 -0) (-0 0 -0) (-0 0 -1) | 0 1 2\n", 2},
        {"refused: nothing at all", "", "it holds no OBJ vertices or faces"},
        {"refused: binary garbage", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 20),
         "it holds no OBJ vertices or faces"},
        {"refused: lines and points only", std::string(kTriangle) + "l 1 2 3\np 1\n", "it holds no faces"},
        {"refused: no face with three readable corners", std::string(kTriangle) + "f 1 2\nf 1 2 3x\n",
         "none of its 2 faces can be used (1 with fewer than three corners, 1 whose corners cannot be read)"},
        {"refused: every face out of range, a vertex defined after its face included",
         "f 1 2 3\n" + std::string(kTriangle) + "f 1 2 4\nf 0 1 2\n",
         "none of its 3 faces can be used (3 with a vertex index of 0 or out of range)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RepairReport report;
        std::string failure;
        const auto face = readObjText(row.text, "models/head.obj", {.materialFiles = false}, &report, &failure);
        EXPECT_EQ(face ? describe(*face) : failure, row.expected);
        EXPECT_EQ(report.changes.size(), row.notes) << (report.changes.empty() ? "" : report.changes[0]);
    }
}

TEST(ObjReader, OneEnormousLineAndUtf16AreRead)
{
    std::string huge = std::string(kTriangle) + "f";
    for (int i = 0; i < 200000; ++i)
        huge += " 1 2 3";
    const auto face = readObjText(huge, "big.obj", {.materialFiles = false});
    ASSERT_TRUE(face);
    EXPECT_EQ(face->geometries[0]->vertexIndices.size(), 3u * (600000 - 2));

    std::string utf16 = "\xFF\xFE";  // little-endian UTF-16 with a mark
    for (char c : std::string(kTriangle) + "usemtl \xE2\x82\xAC\nf 1 2 3\n")
        utf16 += std::string{c, '\0'};
    const std::string euro = "\xAC\x20";  // U+20AC in place of its three UTF-8 bytes
    utf16.replace(utf16.find(std::string("\xE2\0\x82\0\xAC\0", 6)), 6, euro);
    const auto wide = readObjText(utf16, "wide.obj", {.materialFiles = false});
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->geometries[0]->name, "\xE2\x82\xAC");
}

TEST(ObjReader, MaterialsComeFromTheLibrariesBesideTheFile)
{
    test::TempDir dir;
    fs::create_directories(dir / "mat" / "tex");
    test::writeBytes(dir / "mat" / "Head.MTL", "newmtl skin\nKd 0.5 0.25 1\nKs 0.1\nd 0.75\n"
                                              "map_Kd -s 1 1 1 -o 0.5 0 -clamp on tex\\my skin.png\n"
                                              "newmtl eyes \nKd 0 0 1\nmap_Kd gone.png\nnewmtl skin\nKd 1 0 0\n"
                                              "newmtl lashes\nmap_Kd D:\\work\\Lashes.PNG\n");
    test::writeBytes(dir / "mat" / "lashes.png", "found beside the library, whatever the case");
    test::writeBytes(dir / "mat" / "tex" / "my skin.png", "not decoded here");
    const std::string obj = std::string(kTriangle) + "mtllib missing.mtl mat/head.mtl\nusemtl skin\nf 1 2 3\n"
                                                     "usemtl eyes\nf 1 2 3\nusemtl teeth\nf 1 2 3\nusemtl lashes\nf 1 2 3\n";
    test::writeBytes(dir / "head.obj", obj);
    RepairReport report;
    const auto face = loadFace(dir / "head.obj", &report);
    ASSERT_TRUE(face);
    ASSERT_EQ(face->geometries.size(), 4u);
    EXPECT_EQ(face->geometries[3]->texture, "mat/lashes.png");
    const FaceGeom &skin = *face->geometries[0], &eyes = *face->geometries[1], &teeth = *face->geometries[2];
    EXPECT_EQ(skin.diffuse, osg::Vec4(0.5f, 0.25f, 1, 0.75f));
    EXPECT_EQ(skin.specular, osg::Vec4(0.1f, 0.1f, 0.1f, 1));
    EXPECT_EQ(skin.texture, "mat/tex/my skin.png");
    EXPECT_TRUE(eyes.name == "eyes" && eyes.texture == "mat/gone.png" && eyes.diffuse == osg::Vec4(0, 0, 1, 1));
    EXPECT_TRUE(teeth.texture.empty() && teeth.diffuse == osg::Vec4(1, 1, 1, 1));
    const std::vector<std::string> expected = {
        "material library missing.mtl cannot be read", "texture mat/gone.png of material \"eyes\" not found",
        "material \"teeth\" is defined in no material library; geometry \"teeth\" keeps the default colours"};
    EXPECT_EQ(report.changes, expected);
}

// Expected triangles of an OBJ file counted without the reader: n - 2 per face line whose n
// corners all name an existing vertex.
std::size_t fanTriangles(std::string text)
{
    std::erase(text, '\0');  // the UTF-16 sample is ASCII in its low bytes
    std::istringstream lines(text);
    std::string line;
    long vertices = 0;
    std::size_t triangles = 0;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string keyword, corner;
        words >> keyword;
        vertices += keyword == "v";
        if (keyword != "f")
            continue;
        std::size_t corners = 0;
        bool valid = true;
        while (words >> corner) {
            const long i = std::atol(corner.c_str());
            valid &= i != 0 && (i > 0 ? i <= vertices : -i <= vertices);
            ++corners;
        }
        triangles += valid && corners >= 3 ? corners - 2 : 0;
    }
    return triangles;
}

TEST(ObjReader, OpensEveryAssimpTestModelWithTheFanTriangleCountOfItsPolygons)
{
    std::size_t files = 0;
    for (const char* root : {"/usr/share/assimp/models", "/usr/share/assimp-testmodels"}) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
            if (!isObjPath(it->path()))
                continue;
            SCOPED_TRACE(it->path().string());
            ++files;
            const std::size_t expected = fanTriangles(test::readBytes(it->path()));
            RepairReport report;
            const auto face = loadFace(it->path(), &report);
            std::size_t triangles = 0;
            for (const auto& g : face ? face->geometries : decltype(face->geometries){})
                triangles += g->vertexIndices.size() / 3;
            EXPECT_EQ(triangles, expected);
            EXPECT_EQ(face.valid(), !report.failure.empty() ? false : true);
        }
    }
    if (files == 0)
        GTEST_SKIP() << "assimp-testmodels is not installed";
    EXPECT_GE(files, 20u);
}

TEST(ObjWriter, AFaceWrittenAsObjReadsBackTheSame)
{
    test::TempDir dir;
    fs::create_directories(dir / "out" / "img");
    test::writeBytes(dir / "out" / "img" / "skin.png", "png");
    auto face = test::makeFace(
        {test::makeGeom("skin", {{0.1f, -2.5e-7f, 3}, {1.0f / 3, 1e20f, -0.0f}, {7, 8, 9}, {1, 1, 1}}, {0, 1, 2, 2, 1, 3},
                        {{0, 0}, {0.3f, 0.7f}, {1, 1}}, {0, 1, 2, 2, 1, 0}),
         test::makeGeom("eyes", {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}}, {0, 2, 1})});
    face->geometries[0]->texture = "img/skin.png";
    face->geometries[0]->diffuse = {0.2f, 0.4f, 0.6f, 0.5f};
    face->geometries[1]->specular = {0.9f, 0.8f, 0.7f, 1};
    face->geometries[1]->texture = (dir / "elsewhere.png").string();
    std::vector<std::string> warnings;
    ASSERT_TRUE(saveFaceFile(dir / "out" / "head.obj", *face, dir / "out", &warnings));
    EXPECT_TRUE(warnings.empty());
    const std::string text = test::readBytes(dir / "out" / "head.obj");
    EXPECT_NE(text.find("\nv -0.1 -2.5e-07 -3\n"), std::string::npos) << text;  // back to +Z facing
    EXPECT_NE(text.find("\nusemtl eyes\nf 5 7 6\n"), std::string::npos) << text;
    EXPECT_NE(test::readBytes(dir / "out" / "head.mtl").find("map_Kd " + (dir / "elsewhere.png").string()),
              std::string::npos);

    RepairReport report;
    const auto back = loadFace(dir / "out" / "head.obj", &report);
    ASSERT_TRUE(back);
    EXPECT_TRUE(test::facesEqual(*face, *back));
    EXPECT_EQ(report.changes.size(), 1u);  // the missing elsewhere.png

    // Morphs and neck vertices have no place in OBJ: said, not silently lost.
    face->morphs.push_back(test::makeMorph("smile", {test::makeTarget("skin", {0}, {{0, 1, 0}})}));
    face->geometries[0]->clampIndices = {0};
    warnings.clear();
    ASSERT_TRUE(saveFaceFile(dir / "out" / "head.obj", *face, dir / "out", &warnings));
    EXPECT_EQ(warnings.size(), 2u);
}

TEST(ObjWriter, ExportedMorphsShareTheVertexListAndReproduceTheMorphs)
{
    test::TempDir dir;
    auto face = test::makeFace(
        {test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3}),
         test::makeGeom("eyes", {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}}, {0, 2, 1})},
        {test::makeMorph("smile left", {test::makeTarget("skin", {3, 1}, {{0, 0.5f, 0}, {0.25f, 0, 0}}),
                                        test::makeTarget("eyes", {2}, {{0, 0, -1}})}),
         test::makeMorph("head", {test::makeTarget("skin", {0}, {{1, 1, 1}})})});
    MorphExportReport report;
    ASSERT_TRUE(exportMorphsAsObj(*face, dir / "kit", "head", dir.path(), &report)) << report.failure;
    const std::vector<fs::path> files = {dir / "kit" / "head.obj", dir / "kit" / "smile_left.obj",
                                         dir / "kit" / "head_2.obj"};
    ASSERT_EQ(report.written, files);
    const auto rest = loadFace(files[0]);
    ASSERT_TRUE(rest);
    for (std::size_t m = 0; m < 2; ++m) {
        const auto shaped = loadFace(files[m + 1]);
        ASSERT_TRUE(shaped);
        for (std::size_t i = 0; i < 2; ++i) {
            const FaceGeom &a = *rest->geometries[i], &b = *shaped->geometries[i];
            EXPECT_EQ(a.vertexIndices, b.vertexIndices);
            std::vector<osg::Vec3> wanted(a.vertices->begin(), a.vertices->end());
            for (const auto& t : face->morphs[m]->targets)
                if (t->name == a.name)
                    for (std::size_t j = 0; j < t->indices.size(); ++j)
                        wanted[t->indices[j]] += (*t->offsets)[j];
            EXPECT_EQ(std::vector<osg::Vec3>(b.vertices->begin(), b.vertices->end()), wanted) << m << " " << i;
        }
    }
}

}  // namespace
}  // namespace mw
