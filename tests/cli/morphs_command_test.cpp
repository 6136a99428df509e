// mienwright-cli morphs: managing morphs from the command line, operations in the order given.

#include <filesystem>

#include <gtest/gtest.h>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::makeMorph;
using test::makeTarget;
using test::runCommand;

// Three vertices symmetric about x = 0 (0 ↔ 2, 1 on the plane).
osg::ref_ptr<TarvFaceObject> face()
{
    return test::makeFace({test::makeGeom("skin", {{-1, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 2, 1})},
                          {makeMorph("smile_L", {makeTarget("skin", {0}, {{0.5f, 1, 0}})}),
                           makeMorph("b", {makeTarget("skin", {0, 1}, {{0, 0, 2}, {0, 0, 4}})}),
                           makeMorph("c", {makeTarget("skin", {2}, {{1, 1, 1}})})});
}

TEST(CliMorphs, AppliesTheOperationsInTheOrderGiven)
{
    test::TempDir dir;
    const auto in = (dir / "in.tvf").string(), out = (dir / "out.tvf").string();
    ASSERT_TRUE(writeFaceFile(in, *face()));
    const auto r = runCommand({MIENWRIGHT_CLI, "morphs", in, "-o", out, "--duplicate", "b", "--rename", "b.001=bee",
                               "--move", "bee=0", "--delete", "c", "--mirror", "smile_L", "--mix",
                               "smile_L=0.5,bee=1:combo", "--mirror", "b=b_other"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "mirrored smile_L as smile_R\nmirrored b as b_other\n");
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

TEST(CliMorphs, RefusesUnknownOrTakenNamesWithoutWriting)
{
    test::TempDir dir;
    const auto in = (dir / "in.tvf").string(), out = (dir / "out.tvf").string();
    ASSERT_TRUE(writeFaceFile(in, *face()));
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
    EXPECT_NE(runCommand({MIENWRIGHT_CLI, "morphs", in, "-o", out, "--mix", "b=x:new"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace mw
