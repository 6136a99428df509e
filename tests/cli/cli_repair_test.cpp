#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;

// One quad whose second triangle names vertex 7 of 4, and a target entry for vertex 9.
const char* const kDamagedFace =
    "Face {\n"
    "  Geometry skin {\n"
    "    vertices { 0 0 0  1 0 0  1 1 0  0 1 0 }\n"
    "    vertexIndices { 0 1 2  0 2 7 }\n"
    "  }\n"
    "  morph smile {\n"
    "    target skin { 1 0 0.5 0  9 1 1 1 }\n"
    "  }\n"
    "}\n";

TEST(CliRepair, DamagedFileIsRepairedWithAWarningPerChange)
{
    test::TempDir dir;
    const auto file = (dir / "damaged.tvf").string();
    test::writeBytes(file, kDamagedFace);

    auto r = runCommand({MIENWRIGHT_CLI, "info", file, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "warning: geometry 0 \"skin\": dropped 1 triangle with a vertex index out of range\n"
              "warning: morph 0 \"smile\", target 0 \"skin\": dropped 1 entry with a vertex index out of range\n");
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["geometries"][0]["triangles"], 1);
    EXPECT_EQ(json["morphs"][0]["targets"][0]["entries"], 1);
    EXPECT_EQ(json["repairs"],
              nlohmann::json::array({"geometry 0 \"skin\": dropped 1 triangle with a vertex index out of range",
                                     "morph 0 \"smile\", target 0 \"skin\": dropped 1 entry with a vertex index out of range"}));

    // Converting writes the repaired face; reading that back needs no repair.
    const auto out = (dir / "repaired.tvf").string();
    r = runCommand({MIENWRIGHT_CLI, "convert", file, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: "), std::string::npos);
    r = runCommand({MIENWRIGHT_CLI, "info", out, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["repairs"], nlohmann::json::array());
}

}  // namespace
}  // namespace mw
