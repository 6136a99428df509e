// create-morph, import-morphs and neck: the editor's authoring operations from the command line.

#include <filesystem>

#include <gtest/gtest.h>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;

// The far corners of skin fix the bounding box, so the editor's automatic fitting of the
// second face is the identity as long as only the inner vertices move.
osg::ref_ptr<TarvFaceObject> baseFace()
{
    return test::makeFace(
        {test::makeGeom("skin", {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {-100, -100, -100}, {100, 100, 100}}, {0, 1, 2}),
         test::makeGeom("eyes", {{1, 1, 1}, {2, 1, 1}, {1, 2, 1}}, {0, 1, 2})});
}

osg::ref_ptr<TarvFaceObject> movedFace()
{
    auto face = baseFace();
    (*face->geometries[0]->vertices)[0] += osg::Vec3(3, 4, 0);
    (*face->geometries[0]->vertices)[1] += osg::Vec3(0, 0, 1);
    return face;
}

std::string write(const test::TempDir& dir, const std::string& name, const TarvFaceObject& face)
{
    const auto path = dir / name;
    std::filesystem::create_directories(path.parent_path());
    EXPECT_TRUE(writeFaceFile(path, face));
    return path.string();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Runs the test's commands from `directory` and goes back afterwards.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& directory) { std::filesystem::current_path(directory); }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_ = std::filesystem::current_path();
};

TEST(CliCreateMorph, StoresTheDifferenceUnderTheGivenNameAndThreshold)
{
    test::TempDir dir;
    write(dir, "in/base.tvf", *baseFace());
    write(dir, "in/smile.tvf", *movedFace());
    {
        // Relative paths keep meaning the working directory, although loading visits the face's folder.
        WorkingDirectory here(dir.path());
        auto r = runCommand({MIENWRIGHT_CLI, "create-morph", "in/base.tvf", "in/smile.tvf", "-o", "out.tvf",
                             "--name", "smile", "--threshold", "2"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "morph \"smile\": 1 vertices moved\n");
    }
    auto face = readFaceFile(dir / "out.tvf");
    ASSERT_TRUE(face);
    auto expected = baseFace();  // vertex 1 moved by 1 < 2 is left out
    expected->morphs.push_back(test::makeMorph("smile", {test::makeTarget("skin", {0}, {{3, 4, 0}}),
                                                         test::makeTarget("eyes", {}, {})}));
    EXPECT_TRUE(test::facesEqual(*expected, *face));
}

TEST(CliCreateMorph, FailuresWriteNothing)
{
    test::TempDir dir;
    const auto base = write(dir, "base.tvf", *baseFace());
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
         "The two models have a different number of geometric components.\nCannot extract morph targets.\n"},
        {{write(dir, "more.tvf", *moreVertices)}, 1,
         "Encountered geometric components with different number of vertices.\nCannot extract morph targets.\n"},
        {{(dir / "missing.tvf").string()}, 1, "Failed to load: "},
        {{base, "--threshold", "nan"}, 4, ""},
        {{base, "--name", "big smile"}, 4, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> command = {MIENWRIGHT_CLI, "create-morph", base, "-o", out};
        command.insert(command.begin() + 3, c.arguments.begin(), c.arguments.end());
        const auto r = runCommand(command);
        EXPECT_EQ(r.status, c.status) << c.arguments[0];
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const auto r = runCommand({MIENWRIGHT_CLI, "create-morph", base, base, "-o", (dir / "no/such/dir/out.tvf").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.err, "Failed to save: ")) << r.err;
}

TEST(CliCreateMorph, ABatchMakesOneMorphPerFileNamedByItOrWritesNothing)
{
    test::TempDir dir;
    const auto base = write(dir, "base.tvf", *baseFace());
    auto blink = baseFace();
    (*blink->geometries[1]->vertices)[2] += osg::Vec3(0, -0.5f, 0);
    const std::vector<std::string> others{write(dir, "smile.tvf", *movedFace()), write(dir, "blink.tvf", *blink),
                                          write(dir, "rest.tvf", *baseFace())};
    const auto out = (dir / "out.tvf").string();

    std::vector<std::string> argv{MIENWRIGHT_CLI, "create-morph", base};
    argv.insert(argv.end(), others.begin(), others.end());
    argv.insert(argv.end(), {"-o", out, "--align", "none"});
    auto r = runCommand(argv);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "morph \"smile\": 2 vertices moved\nmorph \"blink\": 1 vertices moved\nmorph \"rest\": 0 vertices moved\n");
    EXPECT_TRUE(contains(r.err, "[1/3] " + others[0])) << r.err;
    EXPECT_TRUE(contains(r.err, "[3/3] " + others[2])) << r.err;
    auto face = readFaceFile(out);
    ASSERT_TRUE(face);
    ASSERT_EQ(face->morphs.size(), 3u);
    EXPECT_EQ(face->morphs[1]->name, "blink");
    EXPECT_EQ(face->morphs[1]->targets[1]->indices, (IndexList{2}));
    std::filesystem::remove(out);

    // One file that does not match: it is named, and nothing is written.
    const auto odd = write(dir, "odd.tvf", *test::makeFace({baseFace()->geometries[0]}));
    argv = {MIENWRIGHT_CLI, "create-morph", base, others[0], odd, others[1], "-o", out};
    r = runCommand(argv);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, odd + ": The two models have a different number of geometric components.")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));

    argv = {MIENWRIGHT_CLI, "create-morph", base, others[0], others[1], "-o", out, "--name", "x"};
    EXPECT_EQ(runCommand(argv).status, 4);  // --name only with a single OTHER
    argv = {MIENWRIGHT_CLI, "create-morph", base, others[0], "-o", out, "--align", "sideways"};
    EXPECT_NE(runCommand(argv).status, 0);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliImportMorphs, AddsTheFittingMorphsAndOptionallyTheNeckVertices)
{
    test::TempDir dir;
    const auto base = write(dir, "base.tvf", *baseFace());
    auto source = baseFace();
    source->geometries[1]->clampIndices = {2, 0};
    source->morphs.push_back(test::makeMorph("blink", {test::makeTarget("eyes", {1}, {{0, -1, 0}})}));
    const auto sourcePath = write(dir, "source.tvf", *source);
    const auto out = (dir / "out.tvf").string();

    auto r = runCommand({MIENWRIGHT_CLI, "import-morphs", base, sourcePath, "-o", out, "--neck"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "imported 1 morphs\n");
    auto face = readFaceFile(out);
    ASSERT_TRUE(face);
    ASSERT_EQ(face->morphs.size(), 1u);
    EXPECT_EQ(face->morphs[0]->name, "blink");
    EXPECT_EQ(face->morphs[0]->targets[0]->indices, (IndexList{1}));
    EXPECT_EQ(face->geometries[1]->clampIndices, (IndexList{2, 0}));

    r = runCommand({MIENWRIGHT_CLI, "import-morphs", base, (dir / "missing.tvf").string(), "-o", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "Failed to load: ")) << r.err;
}

TEST(CliNeck, ComputesTheBorderAndAsksBeforeTakingAnotherGeometry)
{
    test::TempDir dir;
    const auto base = write(dir, "base.tvf", *baseFace());  // skin has the most corners
    const auto out = (dir / "out.tvf").string();
    auto r = runCommand({MIENWRIGHT_CLI, "neck", base, "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "geometry 0 \"skin\": 3 neck vertices\n");
    EXPECT_EQ(readFaceFile(out)->geometries[0]->clampIndices, (IndexList{0, 1, 2}));
    std::filesystem::remove(out);

    r = runCommand({MIENWRIGHT_CLI, "neck", base, "-o", out, "--geometry", "1"});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(contains(r.err, "Are you sure the currently selected geometry contains the neck vertices? No\n")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));

    r = runCommand({MIENWRIGHT_CLI, "neck", base, "-o", out, "--geometry", "1", "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFaceFile(out)->geometries[1]->clampIndices, (IndexList{0, 1, 2}));
}

}  // namespace
}  // namespace mw
