// What the tool says: exit statuses by kind of mistake, one wording for a failed save, success
// only once saved, option texts that list names only, counts in the singular.

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
namespace fs = std::filesystem;

// A square of four vertices with a morph "blink"; `lift` moves its third corner up.
std::string square(const test::TempDir& dir, const std::string& name, float lift = 0.0f)
{
    const auto face = test::makeFace({test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {1, 1 + lift, 0}, {0, 1, 0}},
                                                     {0, 1, 2, 0, 2, 3}, {}, {}, {0})},
                                     {test::makeMorph("blink", {test::makeTarget("skin", {0}, {{0, 0, 1}})})});
    face->geometries[0]->specular = {0.15f, 0.15f, 0.15f, 1};
    const auto path = (dir / name).string();
    EXPECT_TRUE(writeFaceFile(path, *face));
    return path;
}

TEST(CliMessages, MalformedValuesAreStatusOneNamesTheFaceLacksOrHasTakenFour)
{
    test::TempDir dir;
    const auto base = square(dir, "base.tvf"), other = square(dir, "other.tvf", 0.5f);
    const auto out = (dir / "out.tvf").string();
    const struct {
        std::vector<std::string> argv;
        int status;
        std::string error;  // part of the one line on standard error
    } cases[] = {
        {{"create-morph", base, other, "--threshold", "abc"}, 1, "--threshold"},
        {{"create-morph", base, other, "--threshold", "-1"}, 1, "not a distance of 0 or more"},
        {{"create-morph", base, other, "--threshold", "inf"}, 1, "not a distance of 0 or more"},
        {{"create-morph", base, other, "--name", ""}, 1, "A morph needs a name"},
        {{"create-morph", base, other, "--name", "two words"}, 1, "a name is one word"},
        {{"create-morph", base, other, "--name", "a{b"}, 1, "without blanks, tabs or braces"},
        {{"create-morph", base, other, "--name", "blink"}, 4, "A morph named \"blink\" already exists"},
        {{"create-morph", base, other, other}, 4, "A morph named \"other\" already exists"},
        {{"morphs", base, "--rename", "blink=two words"}, 1, "a name is one word"},
        {{"morphs", base, "--rename", "blink=a{b"}, 1, "without blanks, tabs or braces"},
        {{"morphs", base, "--rename", "blink="}, 1, "A morph needs a name"},
        {{"morphs", base, "--move", "blink=-1"}, 1, "expected NAME=INDEX"},
        {{"morphs", base, "--move", "blink=1"}, 4, "No morph position 1"},
        {{"render", base, "--view", "3"}, 1, "--view: expected front|side|top|three-quarter, got 3"},
        {{"render", base, "--view", "back"}, 1, "--view: expected front|side|top|three-quarter, got back"},
        {{"render", base, "--weight", "nose=1"}, 4, "No morph named \"nose\""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {MIENWRIGHT_CLI};
        argv.insert(argv.end(), c.argv.begin(), c.argv.end());
        argv.insert(argv.end(), {"-o", c.argv[0] == "render" ? (dir / "out.png").string() : out});
        const auto r = runCommand(argv);
        SCOPED_TRACE(c.argv[2] + " " + c.argv.back());
        EXPECT_EQ(r.status, c.status);
        EXPECT_THAT(r.err, HasSubstr(c.error));
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
    // Names only in the help of a choice, no internal numbers.
    const auto help = runCommand({MIENWRIGHT_CLI, "render", "--help"}).out;
    EXPECT_THAT(help, HasSubstr("--view front|side|top|three-quarter"));
    EXPECT_THAT(help, ::testing::Not(HasSubstr("->")));
}

TEST(CliMessages, AFailedSaveSaysWhyInOneWordingAndNothingIsReportedDone)
{
    test::TempDir dir;
    const auto base = square(dir, "base.tvf"), other = square(dir, "other.tvf", 0.5f);
    const auto missing = [&](const char* name) { return (dir / "no" / name).string(); };
    const std::vector<std::vector<std::string>> commands = {
        {"convert", base, missing("out.tvf")},
        {"convert", base, missing("out.glb")},
        {"create-morph", base, other, "-o", missing("out.tvf")},
        {"import-morphs", base, other, "-o", missing("out.tvf")},
        {"neck", base, "-o", missing("out.tvf")},
        {"morphs", base, "--mirror", "blink", "-o", missing("out.tvf")},
    };
    for (const auto& command : commands) {
        std::vector<std::string> argv = {MIENWRIGHT_CLI};
        argv.insert(argv.end(), command.begin(), command.end());
        const auto r = runCommand(argv);
        EXPECT_EQ(r.status, 2) << command[0];
        EXPECT_EQ(r.out, "") << command[0];
        EXPECT_THAT(r.err, ::testing::EndsWith("Failed to save: " + command.back() + " (the folder does not exist)\n"));
    }
}

TEST(CliMessages, FitFallsBackOnAFewVerticesEmptyMorphsAreToldAndCountsAgree)
{
    test::TempDir dir;
    const auto base = square(dir, "base.tvf"), other = square(dir, "other.tvf", 0.5f);
    auto r = runCommand({MIENWRIGHT_CLI, "create-morph", base, other, "--name", "lift", "--align", "fit", "-o",
                         (dir / "out.tvf").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("too few vertices to fit (4), placed by width and lowest point"));
    const auto made = readFaceFile(dir / "out.tvf");
    ASSERT_TRUE(made);
    EXPECT_GT(test::entryCount(*made->morphs.back()), 0u);

    r = runCommand({MIENWRIGHT_CLI, "create-morph", base, other, "--align", "none", "--threshold", "1", "-o",
                    (dir / "empty.tvf").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "morph \"morph\": 0 vertices moved\n");
    EXPECT_THAT(r.err, HasSubstr("warning: morph \"morph\" is empty: no vertex moved by 1 or more\n"));

    r = runCommand({MIENWRIGHT_CLI, "info", base});
    EXPECT_THAT(r.out, HasSubstr("base.tvf: 1 geometry, 1 morph\n"));
    EXPECT_THAT(r.out, HasSubstr("4 vertices, 2 triangles, 0 texture coordinates, 1 neck vertex\n"));
    EXPECT_THAT(r.out, HasSubstr("morph 0 \"blink\": 1 target\n  target \"skin\": 1 entry\n"));
    r = runCommand({MIENWRIGHT_CLI, "info", "--json", base});
    EXPECT_THAT(r.out, HasSubstr("0.15,"));
    EXPECT_THAT(r.out, ::testing::Not(HasSubstr("0.1500")));
}

}  // namespace
}  // namespace mw
