// arkit, sheet and the ARKit operations of morphs: the report as JSON, renaming, joining and
// splitting in the order typed, and a contact sheet drawn offscreen (under Xvfb in ./test).

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <osg/Image>
#include <osgDB/ReadFile>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::makeMorph;
using test::makeTarget;
using test::runCommand;

// A red square facing the camera, x from -1 to 3, so the mirror plane is x = 1.
osg::ref_ptr<TarvFaceObject> squareFace(std::initializer_list<osg::ref_ptr<FaceMorph>> morphs)
{
    auto skin = test::makeGeom("skin", {{3, -1, 0}, {-1, -1, 0}, {-1, 1, 0}, {3, 1, 0}, {1, 0, 0}}, {0, 1, 2, 0, 2, 3});
    skin->diffuse = {1, 0, 0, 1};
    return test::makeFace({skin}, morphs);
}

std::string write(const test::TempDir& dir, const std::string& name, const TarvFaceObject& face)
{
    EXPECT_TRUE(writeFaceFile(dir / name, face));
    return (dir / name).string();
}

TEST(CliArkit, JsonListsPresentHalvesMissingAndExtrasInArkitOrder)
{
    test::TempDir dir;
    const auto in = write(dir, "in.tvf", *squareFace({makeMorph("extra1", {}), makeMorph("browInnerUp_R", {}),
                                                      makeMorph("eye_blink_L", {}), makeMorph("browInnerUp_L", {}),
                                                      makeMorph("JAW_OPEN", {})}));
    const auto r = runCommand({MIENWRIGHT_CLI, "arkit", in, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::ordered_json::parse(r.out);
    EXPECT_EQ(json["present"].dump(), R"({"eyeBlinkLeft":"eye_blink_L","jawOpen":"JAW_OPEN"})");
    EXPECT_EQ(json["halves"].dump(), R"({"browInnerUp":["browInnerUp_L","browInnerUp_R"]})");
    EXPECT_EQ(json["missing"].size(), 49u);
    EXPECT_EQ(json["missing"][0], "eyeLookDownLeft");
    EXPECT_EQ(json["missing"][48], "tongueOut");
    EXPECT_EQ(json["extra"].dump(), R"(["extra1"])");
    EXPECT_EQ(runCommand({MIENWRIGHT_CLI, "arkit", (dir / "none.tvf").string()}).status, 1);
}

TEST(CliMorphs, SplitJoinAndToArkitRunInOrderAroundTheMirrorPlaneAndRefuseUnknownNames)
{
    test::TempDir dir;
    const auto in = write(dir, "in.tvf", *squareFace({makeMorph("smile", {makeTarget("skin", {1, 4, 0}, {{0, 2, 0}, {0, 2, 0}, {0, 2, 0}})}),
                                                      makeMorph("x", {makeTarget("skin", {1}, {{1, 0, 0}})})}));
    const auto out = (dir / "out.tvf").string();
    const struct {
        std::vector<std::string> ops;
        int status;
    } refused[] = {
        {{"--rename", "smile_L=a", "--split", "smile"}, 4},  // smile_L does not exist yet
        {{"--split", "nope"}, 4},
        {{"--split", "x", "--split", "x"}, 4},
        {{"--join", "smile+nope=y"}, 4},
        {{"--join", "smile+x=x_L", "--split", "x"}, 4},  // x is gone
        {{"--split", "smile=abc"}, 1},
        {{"--split", "smile=-1"}, 1},
        {{"--join", "smile=y"}, 1},
        {{"--join", "smile+smile=y"}, 1},
    };
    for (const auto& c : refused) {
        std::vector<std::string> argv = {MIENWRIGHT_CLI, "morphs", in, "-o", out};
        argv.insert(argv.end(), c.ops.begin(), c.ops.end());
        EXPECT_EQ(runCommand(argv).status, c.status) << c.ops[0] << ' ' << c.ops[1];
        EXPECT_FALSE(std::filesystem::exists(out));
    }

    // Halves of width 2 around x = 1: vertex 1 (x = -1) all left, 4 (x = 1) shared, 0 (x = 3) all right.
    const auto r = runCommand({MIENWRIGHT_CLI, "morphs", in, "-o", out, "--split", "smile=2", "--rename",
                               "smile_L=mouthSmile_L", "--rename", "smile_R=mouthSmile.R", "--join", "x+mouthSmile_L=a",
                               "--split", "a", "--to-arkit"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto result = readFaceFile(out);
    ASSERT_TRUE(result);
    EXPECT_EQ(test::morphNames(*result), (std::vector<std::string>{"mouthSmileRight", "a_L", "a_R"}));
    const FaceTarget& right = *result->morphs[0]->targets[0];
    EXPECT_EQ(right.indices, (IndexList{4, 0}));
    EXPECT_EQ(right.offsets->asVector(), (std::vector<osg::Vec3>{{0, 1, 0}, {0, 2, 0}}));
    // x + the left half, split again with the default width (15 % of 4 = 0.6): only vertex 4 is shared.
    const FaceTarget& left = *result->morphs[1]->targets[0];
    EXPECT_EQ(left.indices, (IndexList{1, 4}));
    EXPECT_EQ(left.offsets->asVector(), (std::vector<osg::Vec3>{{1, 2, 0}, {0, 0.5f, 0}}));
    EXPECT_EQ(result->morphs[2]->targets[0]->indices, (IndexList{4}));
}

// The pixel at (x, y) counted from the image's top-left corner.
const unsigned char* at(const osg::Image& image, int x, int y) { return image.data(x, image.t() - 1 - y); }

TEST(CliSheet, DrawsEachMorphInItsOwnLabelledTileAndEmptyTilesForMissingArkitShapes)
{
    if (const char* display = std::getenv("DISPLAY"); !display || !*display)
        GTEST_SKIP() << "no X display: sheet needs one (./test runs it under Xvfb)";
    test::TempDir dir;
    const auto in = write(dir, "in.tvf", *squareFace({makeMorph("shrink", {makeTarget("skin", {0, 3}, {{-3.5f, 0, 0}, {-3.5f, 0, 0}})}),
                                                      makeMorph("jawOpen", {})}));
    const auto png = (dir / "sheet.png").string();
    auto r = runCommand({MIENWRIGHT_CLI, "sheet", in, png, "--tile", "64", "--columns", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto sheet = osgDB::readImageFile(png);
    ASSERT_TRUE(sheet);
    // Two tiles side by side, each 64 pixels of picture over its label.
    ASSERT_GE(sheet->s(), 128);
    ASSERT_GE(sheet->t(), 64 + 7);
    auto isRed = [](const unsigned char* p) { return p[0] > 120 && p[1] < 60 && p[2] < 60; };
    auto whiteIn = [&](int x0, int y0, int w, int h) {
        int count = 0;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                count += at(*sheet, x, y)[0] == 255 && at(*sheet, x, y)[1] == 255;
        return count;
    };
    const int tile = (sheet->s() - 2) / 2;  // the width of one tile with its gap
    // The camera looks along +z, so x = 3 is on the picture's left; shrink pulls it to x = -0.5.
    EXPECT_FALSE(isRed(at(*sheet, 22, 36)));
    EXPECT_TRUE(isRed(at(*sheet, 60, 36)));
    EXPECT_TRUE(isRed(at(*sheet, tile + 22, 36)));
    EXPECT_GT(whiteIn(0, 66, tile, sheet->t() - 66), 20);     // "shrink"
    EXPECT_GT(whiteIn(tile, 66, tile, sheet->t() - 66), 20);  // "jawOpen"
    EXPECT_EQ(whiteIn(0, 0, sheet->s(), 60), 0);

    // ARKit's order: eyeBlinkLeft is missing, an empty tile with a label; jawOpen is the 18th.
    r = runCommand({MIENWRIGHT_CLI, "sheet", in, png, "--tile", "64", "--columns", "18", "--arkit"});
    ASSERT_EQ(r.status, 0) << r.err;
    sheet = osgDB::readImageFile(png);
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(isRed(at(*sheet, 30, 30)));
    EXPECT_TRUE(isRed(at(*sheet, 17 * tile + 22, 36)));
    EXPECT_GT(whiteIn(0, 66, tile, 14), 20);
    EXPECT_EQ(runCommand({MIENWRIGHT_CLI, "sheet", write(dir, "bare.tvf", *squareFace({})), png}).status, 4);
}

}  // namespace
}  // namespace mw
