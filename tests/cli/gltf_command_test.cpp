// glTF through mienwright-cli: convert writes it, every command reads it, a broken file is
// refused with its reason, and an exported head draws exactly like the original.

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;

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
    std::string pictures[2];
    for (int k = 0; k < 2; ++k) {
        const std::string png = (dir / ("picture" + std::to_string(k) + ".png")).string();
        r = runCommand({MIENWRIGHT_CLI, "render", k == 0 ? head : glb, "-o", png, "--size", "128x128", "--weight",
                        "jaw_open=1"});
        ASSERT_EQ(r.status, 0) << r.err;
        pictures[k] = test::readBytes(png);
    }
    EXPECT_FALSE(pictures[0].empty());
    EXPECT_TRUE(pictures[0] == pictures[1]);
}

}  // namespace
}  // namespace mw
