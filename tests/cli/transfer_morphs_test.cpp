// transfer-morphs: a rig's morphs onto another head, from the command line.

#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(CliTransferMorphs, RefusalsWriteNothingWithTheirStatus)
{
    test::TempDir dir;
    const auto examples = test::sourceDir() / "examples";
    const std::string rig = (examples / "sample-head.tvf").string(), head = (examples / "sample-head-smile.tvf").string();
    const auto out = (dir / "out.tvf").string();
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    } cases[] = {
        {{rig, head, "--morphs", "blink,wink"}, 4, "The rig has no morph named \"wink\""},
        {{rig, head, "--pair", "skin=face"}, 4, "The rig has no geometry named \"face\""},
        {{rig, head, "--pair", "Body=skin"}, 4, "The head has no geometry named \"Body\""},
        {{rig, rig}, 4, "The head already has a morph named \"jaw_open\""},
        {{head, rig}, 1, "The rig has no morphs to transfer"},
        {{rig, (dir / "missing.tvf").string()}, 1, "Failed to load: "},
        {{rig, head, "--pair", "skin"}, 1, "Invalid --pair"},
        {{rig, head, "--landmarks", (dir / "none.txt").string()}, 1, "Failed to load: "},
    };
    for (const auto& c : cases) {
        std::vector<std::string> command = {MIENWRIGHT_CLI, "transfer-morphs", "-o", out};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        const auto r = runCommand(command);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const auto r = runCommand({MIENWRIGHT_CLI, "transfer-morphs", rig, head, "-o", (dir / "no/dir/out.tvf").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("Failed to save: "));
}

TEST(CliTransferMorphs, AddsTheChosenMorphsInTheRigsOrderAndReportsPairing)
{
    test::TempDir dir;
    const auto examples = test::sourceDir() / "examples";
    const auto out = (dir / "out.tvf").string();
    auto r = runCommand({MIENWRIGHT_CLI, "transfer-morphs", (examples / "sample-head.tvf").string(),
                         (examples / "sample-head-smile.tvf").string(), "-o", out, "--morphs", "blink,jaw_open", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto report = nlohmann::json::parse(r.out);
    EXPECT_TRUE(report["registered"].get<bool>());
    EXPECT_NEAR(report["alignment"]["scale"].get<double>(), 1.0, 0.01);
    EXPECT_LT(report["registrationDistance"]["p95"].get<double>(), 0.05);
    EXPECT_EQ(report["morphs"].size(), 2u);
    auto face = readFaceFile(out);
    ASSERT_TRUE(face);
    EXPECT_THAT(test::morphNames(*face), ElementsAre("jaw_open", "blink"));
    EXPECT_GT(test::entryCount(*face->morphs[0]), 20u);
    EXPECT_GT(test::entryCount(*face->morphs[1]), 100u);

    // A head whose geometry pairs with nothing by name gets empty morphs and says so; --pair
    // gives its geometry the rig's skin.
    const auto smile = readFaceFile(examples / "sample-head-smile.tvf");
    smile->geometries = {smile->geometries[0]};
    smile->geometries[0]->name = "Body";
    const auto body = (dir / "body.tvf").string();
    ASSERT_TRUE(writeFaceFile(body, *smile));
    r = runCommand({MIENWRIGHT_CLI, "transfer-morphs", (examples / "sample-head.tvf").string(), body, "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("unpaired head geometries (no offsets): Body"));
    EXPECT_EQ(test::entryCount(*readFaceFile(out)->morphs[0]), 0u);
    r = runCommand({MIENWRIGHT_CLI, "transfer-morphs", (examples / "sample-head.tvf").string(), body, "-o", out,
                    "--pair", "Body=skin+brows", "--morphs", "jaw_open"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("pair: Body <- skin+brows"));
    EXPECT_GT(test::entryCount(*readFaceFile(out)->morphs[0]), 20u);
}

}  // namespace
}  // namespace mw
