#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;

osg::ref_ptr<TarvFaceObject> sampleFace()
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    auto skin = test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 3},
                               {{0, 0}, {1, 1}}, {0, 1, 1, 0, 1, 1}, {0, 3, 2});
    skin->texture = "skin.png";
    skin->diffuse = {0.5f, 0.25f, 1, 1};
    face->geometries.push_back(skin);
    face->geometries.push_back(test::makeGeom("eyes", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {0, 1, 2}));
    face->morphs.push_back(test::makeMorph("blink", {test::makeTarget("eyes", {0, 1}, {{0, 1, 0}, {0, 1, 0}}),
                                                     test::makeTarget("skin", {3}, {{0, 0, 1}})}));
    return face;
}

TEST(CliInfo, DescribesGeometriesAndMorphsAsTextAndJson)
{
    test::TempDir dir;
    const auto file = (dir / "face.tvf").string();
    ASSERT_TRUE(writeFaceFile(file, *sampleFace()));

    auto r = runCommand({MIENWRIGHT_CLI, "info", file, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    ASSERT_EQ(json["geometries"].size(), 2u);
    const auto& skin = json["geometries"][0];
    EXPECT_EQ(skin["name"], "skin");
    EXPECT_EQ(skin["vertices"], 4);
    EXPECT_EQ(skin["triangles"], 2);
    EXPECT_EQ(skin["texcoords"], 2);
    EXPECT_EQ(skin["neckVertices"], 3);
    EXPECT_EQ(skin["texture"], "skin.png");
    EXPECT_EQ(skin["diffuse"], nlohmann::json({0.5, 0.25, 1.0, 1.0}));
    EXPECT_EQ(skin["specular"], nlohmann::json({0.0, 0.0, 0.0, 1.0}));
    ASSERT_EQ(json["morphs"].size(), 1u);
    EXPECT_EQ(json["morphs"][0]["name"], "blink");
    EXPECT_EQ(json["morphs"][0]["targets"][1]["name"], "skin");
    EXPECT_EQ(json["morphs"][0]["targets"][1]["entries"], 1);

    r = runCommand({MIENWRIGHT_CLI, "info", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("geometry 1 \"eyes\": 3 vertices, 1 triangles"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("target \"eyes\": 2 entries"), std::string::npos) << r.out;
}

TEST(CliInfo, UnreadableFileFailsWithTheEditorsMessage)
{
    test::TempDir dir;
    const auto missing = (dir / "nothing.tvf").string();
    auto r = runCommand({MIENWRIGHT_CLI, "info", missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Failed to load: " + missing + "\n");
    EXPECT_TRUE(r.out.empty());
}

TEST(CliConvert, WritesTheSameFaceAndLeavesTheTargetAloneOnFailure)
{
    test::TempDir dir;
    const auto in = (dir / "in.tvf").string();
    const auto out = (dir / "out.tvf").string();
    ASSERT_TRUE(writeFaceFile(in, *sampleFace()));
    auto r = runCommand({MIENWRIGHT_CLI, "convert", in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readBytes(out), test::readBytes(in));

    // A failed load writes nothing.
    r = runCommand({MIENWRIGHT_CLI, "convert", (dir / "missing.tvf").string(), (dir / "new.tvf").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.tvf"));

    // A failed write exits 2; a folder in the way stays a folder.
    std::filesystem::create_directory(dir / "folder.tvf");
    r = runCommand({MIENWRIGHT_CLI, "convert", in, (dir / "folder.tvf").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.tvf"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);  // no temporary left
}

TEST(CliUsage, MissingArgumentsAreAnError)
{
    EXPECT_NE(runCommand({MIENWRIGHT_CLI}).status, 0);
    EXPECT_NE(runCommand({MIENWRIGHT_CLI, "info"}).status, 0);
    EXPECT_NE(runCommand({MIENWRIGHT_CLI, "convert", "only-one"}).status, 0);
}

}  // namespace
}  // namespace mw
