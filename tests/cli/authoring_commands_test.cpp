// create-morph, morphs and neck: the editor's authoring operations from the command line, in the
// order given.

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;
using ::testing::HasSubstr;

// The far corners of skin fix the bounding box, so the editor's automatic fitting of the
// second face is the identity as long as only the inner vertices move.
osg::ref_ptr<TarvFaceObject> baseFace()
{
    return test::makeFace(
        {test::makeGeom("skin", {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {-100, -100, -100}, {100, 100, 100}}, {0, 1, 2}),
         test::makeGeom("eyes", {{1, 1, 1}, {2, 1, 1}, {1, 2, 1}}, {0, 1, 2})});
}

std::string write(const test::TempDir& dir, const std::string& name, const TarvFaceObject& face)
{
    const auto path = dir / name;
    std::filesystem::create_directories(path.parent_path());
    EXPECT_TRUE(writeFaceFile(path, face));
    return path.string();
}

TEST(CliCreateMorph, FailuresWriteNothingSuccessStoresTheDifferenceUnderTheNameAndThreshold)
{
    test::TempDir dir;
    const auto base = write(dir, "in/base.tvf", *baseFace());
    const auto out = (dir / "out.tvf").string();
    auto moreVertices = baseFace();
    moreVertices->geometries[1]->vertices->push_back(osg::Vec3(1, 1, 1));
    moreVertices->geometries[1]->vertexIndices.insert(moreVertices->geometries[1]->vertexIndices.end(), {0, 2, 3});
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    } cases[] = {
        {{write(dir, "one.tvf", *test::makeFace({baseFace()->geometries[0]}))}, 1,
         "The two models have a different number of geometric components. Cannot extract morph targets.\n"},
        {{write(dir, "more.tvf", *moreVertices)}, 1,
         "Encountered geometric components with different number of vertices. Cannot extract morph targets.\n"},
        {{(dir / "missing.tvf").string()}, 1, "Failed to load: "},
        {{base, "--threshold", "nan"}, 1, ""},
        {{base, "--name", "big smile"}, 1, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> command = {MIENWRIGHT_CLI, "create-morph", base, "-o", out};
        command.insert(command.begin() + 3, c.arguments.begin(), c.arguments.end());
        const auto r = runCommand(command);
        EXPECT_EQ(r.status, c.status) << c.arguments[0];
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    auto r = runCommand({MIENWRIGHT_CLI, "create-morph", base, base, "-o", (dir / "no/dir/out.tvf").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("Failed to save: "));

    auto moved = baseFace();
    (*moved->geometries[0]->vertices)[0] += osg::Vec3(3, 4, 0);
    (*moved->geometries[0]->vertices)[1] += osg::Vec3(0, 0, 1);
    write(dir, "in/smile.tvf", *moved);
    // Relative paths mean the working directory.
    r = runCommand({"/usr/bin/env", "-C", dir.path().string(), MIENWRIGHT_CLI, "create-morph", "in/base.tvf",
                    "in/smile.tvf", "-o", "out.tvf", "--name", "smile", "--threshold", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "morph \"smile\": 1 vertex moved\n");
    auto face = readFaceFile(out);
    ASSERT_TRUE(face);
    auto expected = baseFace();  // vertex 1 moved by 1 < 2 is left out
    expected->morphs.push_back(test::makeMorph("smile", {test::makeTarget("skin", {0}, {{3, 4, 0}}),
                                                         test::makeTarget("eyes", {}, {})}));
    EXPECT_TRUE(test::facesEqual(*expected, *face));
}

// Three vertices symmetric about x = 0 (0 ↔ 2, 1 on the plane).
osg::ref_ptr<TarvFaceObject> symmetricFace()
{
    return test::makeFace({test::makeGeom("skin", {{-1, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 2, 1})},
                          {test::makeMorph("smile_L", {test::makeTarget("skin", {0}, {{0.5f, 1, 0}})}),
                           test::makeMorph("b", {test::makeTarget("skin", {0, 1}, {{0, 0, 2}, {0, 0, 4}})}),
                           test::makeMorph("c", {test::makeTarget("skin", {2}, {{1, 1, 1}})})});
}

TEST(CliMorphs, RefusesUnknownOrTakenNamesWithoutWritingAndAppliesTheOperationsInOrder)
{
    test::TempDir dir;
    const auto in = write(dir, "in.tvf", *symmetricFace()), out = (dir / "out.tvf").string();
    const std::vector<std::vector<std::string>> refused = {
        {"--delete", "nose"},
        {"--delete", "b", "--duplicate", "b"},  // b is gone by the time it is duplicated
        {"--rename", "b=c"},
        {"--move", "b=3"},
        {"--mix", "b=1,nose=1:new"},
        {"--mirror", "c=b"}};
    for (const auto& ops : refused) {
        std::vector<std::string> argv = {MIENWRIGHT_CLI, "morphs", in, "-o", out};
        argv.insert(argv.end(), ops.begin(), ops.end());
        const auto r = runCommand(argv);
        EXPECT_EQ(r.status, 4) << ops[1];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << ops[1];
    }
    EXPECT_EQ(runCommand({MIENWRIGHT_CLI, "morphs", in, "-o", out, "--delete", "nose"}).err, "No morph named \"nose\"\n");
    const auto malformed = runCommand({MIENWRIGHT_CLI, "morphs", in, "-o", out, "--mix", "b=x:new"});
    EXPECT_EQ(malformed.status, 1);
    EXPECT_EQ(malformed.err, "error: --mix: expected NAME=W,NAME=W…:NEW, got b=x:new (see --help)\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    const auto r = runCommand({MIENWRIGHT_CLI, "morphs", in, "-o", out, "--duplicate", "b", "--rename", "b.001=bee",
                               "--move", "bee=0", "--delete", "c", "--mirror", "smile_L", "--mix",
                               "smile_L=0.5,bee=1:combo", "--mirror", "b=b_other"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "mirrored smile_L as smile_R: 0 vertices without a partner left out\n"
                     "mirrored b as b_other: 0 vertices without a partner left out\n");
    const auto result = readFaceFile(out);
    ASSERT_TRUE(result);
    EXPECT_EQ(test::morphNames(*result), (std::vector<std::string>{"bee", "smile_L", "smile_R", "b", "b_other", "combo"}));
    const FaceTarget& mirrored = *result->morphs[2]->targets[0];
    EXPECT_EQ(mirrored.indices, (IndexList{2}));
    EXPECT_EQ(mirrored.offsets->asVector(), (std::vector<osg::Vec3>{{-0.5f, 1, 0}}));
    // smile_L at 0.5 and the copy of b at 1: vertex 0 by (0.25, 0.5, 2), vertex 1 by (0, 0, 4).
    const FaceTarget& combo = *result->morphs[5]->targets[0];
    EXPECT_EQ(combo.indices, (IndexList{0, 1}));
    EXPECT_EQ(combo.offsets->asVector(), (std::vector<osg::Vec3>{{0.25f, 0.5f, 2}, {0, 0, 4}}));
}

TEST(CliNeck, AnotherGeometryThanTheLargestNeedsYesAndNothingIsWrittenWithout)
{
    test::TempDir dir;
    const auto square = test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 3});
    const auto triangle = test::makeGeom("eyes", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {0, 1, 2});
    const auto in = write(dir, "in.tvf", *test::makeFace({square, triangle}));
    const auto out = (dir / "out.tvf").string();
    const struct {
        std::vector<std::string> options;
        int status;
        std::string message;  // standard error, or standard output on success
    } cases[] = {
        {{"--geometry", "1"}, 1, "Nothing written: pass --yes to compute the neck vertices of geometry 1\n"},
        {{"--geometry", "2", "--yes"}, 4, "No geometry 2: the face has geometries 0 to 1\n"},
        {{"--geometry", "-1"}, 1, "error: --geometry: -1 is not a geometry index (the face has geometries 0 to 1)\n"},
        {{}, 0, "geometry 0 \"skin\": 4 neck vertices\n"},
        {{"--geometry", "1", "--yes"}, 0, "geometry 1 \"eyes\": 3 neck vertices\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(out);
        std::vector<std::string> argv = {MIENWRIGHT_CLI, "neck", in, "-o", out};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        const auto r = runCommand(argv);
        SCOPED_TRACE(r.err);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(c.status == 0 ? r.out : r.err, c.message);
        EXPECT_EQ(std::filesystem::exists(out), c.status == 0);
    }
    const auto result = readFaceFile(out);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->geometries[1]->clampIndices, (IndexList{0, 1, 2}));
    EXPECT_TRUE(result->geometries[0]->clampIndices.empty());
}

// Every command that writes a face refuses an extension the program does not write, before
// reading anything (the input here does not even exist).
TEST(CliOutputs, AnExtensionThatIsNotWrittenIsRefusedBeforeAnythingIsRead)
{
    test::TempDir dir;
    const std::string missing = (dir / "missing.tvf").string();
    for (const char* name : {"out.png", "out.fbx", "out.stl", "out"}) {
        const std::string out = (dir / name).string();
        for (std::vector<std::string> argv : {std::vector<std::string>{"convert", missing, out},
                                              {"create-morph", missing, missing, "-o", out},
                                              {"morphs", missing, "-o", out},
                                              {"neck", missing, "-o", out},
                                              {"import-morphs", missing, missing, "-o", out},
                                              {"transfer-morphs", missing, missing, "-o", out}}) {
            argv.insert(argv.begin(), MIENWRIGHT_CLI);
            const auto r = runCommand(argv);
            EXPECT_EQ(r.status, 1) << argv[1] << ' ' << name;
            EXPECT_EQ(r.err, "error: cannot write " + out + ": Mienwright writes .tvf, .glb, .gltf and .obj files\n");
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }
}

}  // namespace
}  // namespace mw
