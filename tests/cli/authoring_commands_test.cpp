// create-morph and import-morphs: the editor's authoring operations from the command line.

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

}  // namespace
}  // namespace mw
