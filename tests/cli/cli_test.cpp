// info and convert: every format in, pure JSON, .tvf and glTF out, and the exit statuses.

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;
using test::entriesIn;
using test::runCommand;

osg::ref_ptr<TarvFaceObject> sampleFace()
{
    auto skin = test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 3},
                               {{0, 0}, {1, 1}}, {0, 1, 1, 0, 1, 1}, {0, 3, 2});
    skin->texture = "skin.png";
    skin->diffuse = {0.5f, 0.25f, 1, 1};
    return test::makeFace({skin, test::makeGeom("eyes", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {0, 1, 2})},
                          {test::makeMorph("blink", {test::makeTarget("eyes", {0, 1}, {{0, 1, 0}, {0, 1, 0}}),
                                                     test::makeTarget("skin", {3}, {{0, 0, 1}})})});
}

TEST(CliInfo, DescribesTheFaceAsTextAndPureJsonWhateverTheNamesAndTheLibrarySay)
{
    test::TempDir dir;
    const std::string bad = "\xff\xc3", replaced = "\xEF\xBF\xBD\xEF\xBF\xBD";
    auto face = sampleFace();
    face->geometries[0]->name = face->morphs[0]->targets[1]->name = "skin" + bad;
    face->geometries[0]->texture = "skin" + bad + ".png";
    face->morphs[0]->name = bad;
    const auto file = (dir / ("face" + bad + ".tvf")).string();
    ASSERT_TRUE(writeFaceFile(file, *face));

    auto r = runCommand({MIENWRIGHT_CLI, "info", file, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["geometries"][0], nlohmann::json::parse(R"({"name": "skin\uFFFD\uFFFD",
        "vertices": 4, "triangles": 2, "texcoords": 2, "neckVertices": 3, "texture": "skin\uFFFD\uFFFD.png",
        "diffuse": [0.5, 0.25, 1.0, 1.0], "specular": [0.0, 0.0, 0.0, 1.0]})"));
    EXPECT_EQ(json["morphs"], nlohmann::json::parse(R"([{"name": "\uFFFD\uFFFD", "targets": [
        {"name": "eyes", "entries": 2}, {"name": "skin\uFFFD\uFFFD", "entries": 1}]}])"));
    EXPECT_NE(json["file"].get<std::string>().find(replaced), std::string::npos);

    r = runCommand({MIENWRIGHT_CLI, "info", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("geometry 1 \"eyes\": 3 vertices, 1 triangle,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("target \"eyes\": 2 entries"), std::string::npos) << r.out;

    // Statements the OBJ reader does not know are skipped, never reported on standard output.
    test::writeBytes(dir / "head.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nunknownkeyword 1 2\nf 1 2 3\n");
    r = runCommand({MIENWRIGHT_CLI, "info", "--json", (dir / "head.obj").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["geometries"][0]["triangles"], 1) << r.out;
}

TEST(CliInfo, DamagedFileIsRepairedWithAWarningPerChange)
{
    test::TempDir dir;
    const auto file = (dir / "damaged.tvf").string();
    // The second triangle names vertex 7 of 4; a target entry names vertex 9.
    test::writeBytes(file, "Face { Geometry skin { vertices { 0 0 0  1 0 0  1 1 0  0 1 0 }\n"
                           "vertexIndices { 0 1 2  0 2 7 } }\n"
                           "morph smile { target skin { 1 0 0.5 0  9 1 1 1 } } }\n");
    const std::vector<std::string> repairs = {
        "geometry 0 \"skin\": dropped 1 triangle with a vertex index out of range",
        "morph 0 \"smile\", target 0 \"skin\": dropped 1 entry with a vertex index out of range"};
    auto r = runCommand({MIENWRIGHT_CLI, "info", file, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "warning: " + repairs[0] + "\nwarning: " + repairs[1] + "\n");
    EXPECT_EQ(nlohmann::json::parse(r.out)["repairs"], nlohmann::json(repairs));

    // Converting writes the repaired face; reading that back needs no repair.
    const auto out = (dir / "repaired.tvf").string();
    ASSERT_EQ(runCommand({MIENWRIGHT_CLI, "convert", file, out}).status, 0);
    r = runCommand({MIENWRIGHT_CLI, "info", out});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(CliLoad, SaysInOneLineWhyAFileCannotBeLoaded)
{
    test::TempDir dir;
    fs::create_directory(dir / "folder.tvf");
    test::writeBytes(dir / "empty.txt", "");
    test::writeBytes(dir / "random.txt", std::string("\x89\x01garbage\0\xff\n", 12));
    test::writeBytes(dir / "words.tvf", "nothing to see here\n");
    test::writeBytes(dir / "random.glb", std::string("\x1a\xff\xfe{", 4));
    test::writeBytes(dir / "bad.glb", std::string("glTF\x02\0\0\0\x30\0\0\0\x10\0\0\0JSON{\xff\x01}", 26));
    // A Draco primitive's accessor has no buffer view of its own.
    test::writeBytes(dir / "draco.gltf", R"({"asset": {"version": "2.0"}, "extensionsUsed": ["KHR_draco_mesh_compression"],
        "extensionsRequired": ["KHR_draco_mesh_compression"], "accessors": [{"componentType": 5126, "count": 3,
        "type": "VEC3"}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "extensions":
        {"KHR_draco_mesh_compression": {"bufferView": 0, "attributes": {"POSITION": 0}}}}]}]})");
    const std::pair<std::string, std::string> cases[] = {
        {"missing.tvf", "no such file"},
        {"folder.tvf", "is a folder"},
        {"empty.txt", "not a face file"},
        {"random.txt", "not a face file"},
        {"words.tvf", "not a face file"},
        {"random.glb", "it is neither binary glTF nor glTF JSON"},
        {"bad.glb", ""},  // the parser's own reason, printable
        {"draco.gltf", "it uses Draco mesh compression (KHR_draco_mesh_compression), which Mienwright does not read"},
    };
    for (const auto& [name, reason] : cases) {
        const auto path = (dir / name).string();
        const auto r = runCommand({MIENWRIGHT_CLI, "info", "--json", path});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(r.out.empty()) << name;
        if (!reason.empty()) {
            EXPECT_EQ(r.err, "Failed to load: " + path + " (" + reason + ")\n");
        }
        EXPECT_EQ(r.err.rfind("Failed to load: " + path + " (", 0), 0u) << r.err;
        EXPECT_TRUE(std::all_of(r.err.begin(), r.err.end() - 1, [](char c) { return c >= 0x20 && c < 0x7f; })) << r.err;
    }
    if (::geteuid() == 0) {  // root reads anything: the tool runs as nobody for this one
        test::writeBytes(dir / "secret.tvf", "Face { }");
        fs::permissions(dir / "secret.tvf", fs::perms::owner_read);
        const auto r = runCommand({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                   MIENWRIGHT_CLI, "info", (dir / "secret.tvf").string()});
        EXPECT_EQ(r.err, "Failed to load: " + (dir / "secret.tvf").string() + " (no permission)\n");
    }
}

TEST(CliLoad, AFaceFileThatEndsEarlyIsReadAsFarAsItGoesWithAWarning)
{
    test::TempDir dir;
    const std::string head = test::readBytes(test::sourceDir() / "examples/sample-head.tvf");
    const std::string warning = "warning: the file ends early: the face may be incomplete\n";
    for (const std::size_t length : {head.size(), head.size() - 1478, std::size_t{300}}) {
        const auto cut = (dir / "cut.tvf").string();
        test::writeBytes(cut, head.substr(0, length));
        const auto r = runCommand({MIENWRIGHT_CLI, "info", "--json", cut});
        ASSERT_EQ(r.status, 0) << r.err;
        const bool whole = length == head.size();
        EXPECT_EQ(r.err, whole ? "" : warning);
        EXPECT_EQ(nlohmann::json::parse(r.out)["repairs"],
                  whole ? nlohmann::json::array() : nlohmann::json::array({warning.substr(9, warning.size() - 10)}));
        if (length > 300) {  // the editing commands say it the same way
            const auto neck = runCommand({MIENWRIGHT_CLI, "neck", cut, "-o", (dir / "out.tvf").string()});
            EXPECT_EQ(neck.status, 0);
            EXPECT_EQ(neck.err.find(warning), whole ? std::string::npos : 0u) << neck.err;
        }
    }
}

TEST(CliConvert, WritesTvfFromEveryFormatAndNothingOnFailure)
{
    test::TempDir dir;
    const auto in = (dir / "in.tvf").string(), out = (dir / "out.tvf").string();
    ASSERT_TRUE(writeFaceFile(in, *sampleFace()));
    auto r = runCommand({MIENWRIGHT_CLI, "convert", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readBytes(out), test::readBytes(in));

    // An OBJ keeps its own vertices: the repeated position stays a vertex of its own.
    test::writeBytes(dir / "head.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 0\nf 1 2 3\nf 5 3 4\n");
    ASSERT_EQ(runCommand({MIENWRIGHT_CLI, "convert", (dir / "head.obj").string(), out}).status, 0);
    const auto face = readFaceFile(out);
    ASSERT_TRUE(face.valid());
    const FaceGeom& kept = *face->geometries[0];
    EXPECT_TRUE(kept.name == "head" && kept.vertices->size() == 5 && kept.vertexIndices == (IndexList{0, 1, 2, 4, 2, 3}));

    // Unreadable inputs exit 1 with the editor's message and write nothing.
    fs::remove(out);
    test::writeBytes(dir / "broken.obj", "no model in here\n");
    test::writeBytes(dir / "noextension", "no model in here\n");
    for (const char* name : {"broken.obj", "noextension", "missing.ply", "missing.tvf"}) {
        const auto path = (dir / name).string();
        r = runCommand({MIENWRIGHT_CLI, "convert", path, out});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.err.find("Failed to load: " + path + " ("), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(fs::exists(out));

    // A failed write exits 2; a folder in the way stays a folder, no temporary is left.
    fs::create_directory(dir / "folder.tvf");
    EXPECT_EQ(runCommand({MIENWRIGHT_CLI, "convert", in, (dir / "folder.tvf").string()}).status, 2);
    EXPECT_TRUE(fs::is_directory(dir / "folder.tvf"));
    EXPECT_EQ(entriesIn(dir.path()), 5u);
}

TEST(CliConvert, AWriteProtectedTargetIsNotReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the tool as an unprivileged user";
    test::TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);  // the folder is writable for anyone
    const auto in = (dir / "in.tvf").string(), out = (dir / "protected.tvf").string();
    ASSERT_TRUE(writeFaceFile(in, *sampleFace()));
    test::writeBytes(out, "keep me");
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto r = runCommand({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                               MIENWRIGHT_CLI, "convert", in, out});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(test::readBytes(out), "keep me");
    EXPECT_EQ(entriesIn(dir.path()), 2u);
}

TEST(CliGltf, ConvertsToGlbThatDrawsLikeTheOriginalAndRefusesBrokenFiles)
{
    test::TempDir dir;
    const std::string head = (test::sourceDir() / "examples/sample-head.tvf").string();
    const std::string glb = (dir / "head.glb").string();
    auto r = runCommand({MIENWRIGHT_CLI, "convert", head, glb});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    r = runCommand({MIENWRIGHT_CLI, "convert", head, (dir / "missing" / "head.glb").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("Failed to save: ", 0), 0u) << r.err;

    const std::string broken = (dir / "broken.glb").string();
    test::writeBytes(broken, test::readBytes(glb).substr(0, 200));
    r = runCommand({MIENWRIGHT_CLI, "info", broken});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Failed to load: " + broken + " (", 0), 0u) << r.err;
    EXPECT_GT(r.err.size(), ("Failed to load: " + broken + " ()\n").size());

    if (const char* display = std::getenv("DISPLAY"); !display || !*display)
        GTEST_SKIP() << "no X display: render needs one (./test runs it under Xvfb)";
    // Same geometry, texture (embedded in the .glb), normals and orientation: same pixels.
    const std::string pictures[2] = {(dir / "tvf.png").string(), (dir / "glb.png").string()};
    for (int k = 0; k < 2; ++k) {
        r = runCommand({MIENWRIGHT_CLI, "render", k == 0 ? head : glb, "-o", pictures[k], "--size", "128x128",
                        "--weight", "jaw_open=1"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    EXPECT_FALSE(test::readBytes(pictures[0]).empty());
    EXPECT_TRUE(test::readBytes(pictures[0]) == test::readBytes(pictures[1]));
}

}  // namespace
}  // namespace mw
