// What the editor answers on its command line without opening a window.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/run_command.h"

namespace mw::test {
namespace {

TEST(EditorCommandLine, VersionAndHelpAnswerWithoutADisplay)
{
    const std::pair<std::string, std::string> cases[] = {{"--version", "Mienwright "}, {"--help", "--no-about"}};
    for (const auto& [flag, said] : cases) {
        const auto r = runCommand({"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb",
                                   MIENWRIGHT_EDITOR, flag});
        EXPECT_EQ(r.status, 0) << flag << ": " << r.err;
        EXPECT_THAT(r.out, ::testing::HasSubstr(said)) << flag;
    }
}

}  // namespace
}  // namespace mw::test
