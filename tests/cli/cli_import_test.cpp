#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/face_file.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

TEST(CliImport, ConvertsModelFilesToTvf)
{
    test::TempDir dir;
    test::writeBytes(dir / "head.obj",
                     "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                     "v 0 0 0\n"  // a repeated position, welded away
                     "f 1 2 3\nf 5 3 4\n");
    const auto tvf = (dir / "head.tvf").string();
    auto r = test::runCommand({MIENWRIGHT_CLI, "convert", (dir / "head.obj").string(), tvf});
    ASSERT_EQ(r.status, 0) << r.err;
    auto face = readFaceFile(tvf);
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->geometries.size(), 1u);
    EXPECT_EQ(face->geometries[0]->name, "geom_0");
    EXPECT_EQ(face->geometries[0]->vertices->size(), 4u);
    EXPECT_EQ(face->geometries[0]->vertexIndices.size(), 6u);

    r = test::runCommand({MIENWRIGHT_CLI, "info", "--json", (dir / "head.obj").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["geometries"][0]["triangles"], 2);
}

TEST(CliImport, UnreadableModelsFailWithTheLoadMessage)
{
    test::TempDir dir;
    for (const char* name : {"broken.obj", "noextension", "broken.3ds", "missing.ply"}) {
        const auto path = (dir / name).string();
        if (std::string(name) != "missing.ply")
            test::writeBytes(path, "no model in here\n");
        const auto out = (dir / "out.tvf").string();
        auto r = test::runCommand({MIENWRIGHT_CLI, "convert", path, out});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.err.find("Failed to load: " + path + "\n"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

}  // namespace
}  // namespace mw
