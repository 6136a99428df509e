// mienwright-cli render: a real offscreen draw (under Xvfb in ./test) written as a PNG.

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <osg/Image>
#include <osgDB/ReadFile>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;

// A red square facing -z, textured "tex.ppm"; "stretch" pulls its top-right corner far right, "lift" to the camera.
osg::ref_ptr<TarvFaceObject> squareFace()
{
    auto square = test::makeGeom("skin", {{1, -1, 0}, {-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}}, {0, 1, 2, 0, 2, 3},
                                 {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 0, 2, 3});
    square->diffuse = {1, 0, 0, 1};
    square->texture = "tex.ppm";
    auto stretch = test::makeMorph("stretch", {test::makeTarget("skin", {2}, {{-3, 0, 0}})});
    auto lift = test::makeMorph("lift", {test::makeTarget("skin", {2}, {{0, 0, -1.5f}})});
    return test::makeFace({square}, {stretch, lift});
}

// A red "head" square with a green "hat" above it, Y-up (facing -z) or Z-up (facing -y).
osg::ref_ptr<TarvFaceObject> hatFace(bool zUp)
{
    std::vector<osg::Vec3> v{{1, -1, 0}, {-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
    std::vector<osg::Vec3> hat{{1, 1.2f, 0}, {-1, 1.2f, 0}, {-1, 2.2f, 0}, {1, 2.2f, 0}};
    if (zUp)
        for (auto* list : {&v, &hat})
            for (osg::Vec3& p : *list)
                p = {p.x(), p.z(), p.y()};  // y up becomes z up; facing -z becomes facing -y
    // Mirroring y and z swaps the winding back, so both face their viewer.
    const IndexList corners = zUp ? IndexList{0, 2, 1, 0, 3, 2} : IndexList{0, 1, 2, 0, 2, 3};
    auto skin = test::makeGeom("skin", v, corners), top = test::makeGeom("hat", hat, corners);
    skin->diffuse = {1, 0, 0, 1};
    top->diffuse = {0, 1, 0, 1};
    return test::makeFace({skin, top});
}

const unsigned char* pixel(const osg::Image& image, double fx, double fy)
{
    return image.data(static_cast<int>(fx * image.s()), static_cast<int>(fy * image.t()));
}

TEST(CliRender, DrawsTheFaceWithItsWeightsIntoAPng)
{
    if (const char* display = std::getenv("DISPLAY"); !display || !*display)
        GTEST_SKIP() << "no X display: render needs one (./test runs it under Xvfb)";
    test::TempDir dir;
    std::filesystem::create_directory(dir / "faces");
    ASSERT_TRUE(writeFaceFile(dir / "faces" / "square.tvf", *squareFace()));
    test::writeBytes(dir / "faces" / "tex.ppm", "P3\n1 1\n255\n255 255 255\n");  // one white texel

    // Relative output from the temporary folder: texture found beside the face, image where asked.
    auto render = [&](const std::string& out, const std::string& extra) {
        const auto r = runCommand({"/bin/sh", "-c", "cd '" + dir.path().string() + "' && exec '" MIENWRIGHT_CLI
                                   "' render faces/square.tvf -o " + out + " --size 64x48 " + extra});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return osgDB::readImageFile((dir / out).string());
    };
    const auto rest = render("rest.png", "");
    ASSERT_TRUE(rest);
    EXPECT_TRUE(rest->s() == 64 && rest->t() == 48);
    const unsigned char* centre = pixel(*rest, 0.5, 0.5);
    EXPECT_TRUE(centre[0] > 150 && centre[1] < 60 && centre[2] < 60);
    for (const unsigned char* grey : {pixel(*rest, 0.02, 0.02), pixel(*rest, 0.85, 0.6)})
        EXPECT_TRUE(std::abs(grey[0] - 127.5) <= 1 && std::abs(grey[1] - 127.5) <= 1 && std::abs(grey[2] - 127.5) <= 1);

    // The stretched corner reaches into the right part of the image; weight 0 changes nothing.
    const auto stretched = render("stretched.png", "--weight stretch=0.5");
    ASSERT_TRUE(stretched);
    EXPECT_LT(pixel(*stretched, 0.85, 0.6)[1], 60);
    render("zero.png", "--weight stretch=0");
    EXPECT_EQ(test::readBytes(dir / "zero.png"), test::readBytes(dir / "rest.png"));

    // A lifted corner tilts the surface: its shading changes unless the rest normals are asked for.
    render("lift.png", "--weight lift=1");
    render("lift-rest.png", "--weight lift=1 --rest-normals");
    EXPECT_NE(test::readBytes(dir / "lift.png"), test::readBytes(dir / "lift-rest.png"));
}

TEST(CliRender, RefusesWithoutWritingAnything)
{
    test::TempDir dir;
    const auto file = (dir / "square.tvf").string(), out = (dir / "out.png").string();
    ASSERT_TRUE(writeFaceFile(file, *squareFace()));

    // Neither an X display nor an EGL driver: nothing to draw with.
    auto r = runCommand({"/usr/bin/env", "-u", "DISPLAY", "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json",
                         MIENWRIGHT_CLI, "render", file, "-o", out});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    r = runCommand({MIENWRIGHT_CLI, "render", file, "-o", out, "--weight", "smile=1"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "No morph named \"smile\" in " + file + "\n");

    EXPECT_EQ(runCommand({MIENWRIGHT_CLI, "render", (dir / "missing.tvf").string(), "-o", out}).status, 1);
    for (std::string bad : {"--size=0x10", "--size=9000x10", "--weight=stretch", "--weight=stretch=nan", "--up=x",
                            "--view=back"})
        EXPECT_NE(runCommand({MIENWRIGHT_CLI, "render", file, "-o", out, bad}).status, 0) << bad;
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Mean row (0 at the bottom; -1 if none) of the pixels where `channel` (0 red, 1 green) dominates.
double meanRow(const osg::Image& image, int channel)
{
    double sum = 0, count = 0;
    for (int y = 0; y < image.t(); ++y)
        for (int x = 0; x < image.s(); ++x)
            if (const unsigned char* p = image.data(x, y); p[channel] > 120 && p[1 - channel] < 80) {
                sum += y;
                ++count;
            }
    return count ? sum / count : -1;
}

TEST(CliRender, UpAxisAndViewsPlaceTheHeadUpright)
{
    if (const char* display = std::getenv("DISPLAY"); !display || !*display)
        GTEST_SKIP() << "no X display";
    test::TempDir dir;
    auto render = [&](bool zUp, const std::vector<std::string>& extra) {
        const auto file = (dir / (zUp ? "z.tvf" : "y.tvf")).string();
        EXPECT_TRUE(writeFaceFile(file, *hatFace(zUp)));
        const auto out = (dir / "out.png").string();
        std::vector<std::string> command{MIENWRIGHT_CLI, "render", file, "-o", out, "--size", "64x64"};
        command.insert(command.end(), extra.begin(), extra.end());
        const auto r = runCommand(command);
        EXPECT_EQ(r.status, 0) << r.err;
        const auto image = osgDB::readImageFile(out);
        return image ? std::pair{meanRow(*image, 1), meanRow(*image, 0)} : std::pair{-1.0, -1.0};
    };
    // Upright: both seen, the hat above the head.
    for (const auto& [zUp, extra] : std::vector<std::pair<bool, std::vector<std::string>>>{
             {false, {}}, {false, {"--up", "y"}}, {true, {"--up", "z"}}, {false, {"--view", "three-quarter"}},
             {true, {"--up", "z", "--view", "three-quarter"}}}) {
        const auto [hat, head] = render(zUp, extra);
        EXPECT_GE(head, 0) << zUp;
        EXPECT_GT(hat, head) << zUp << ' ' << (extra.empty() ? "" : extra.back());
    }
    // A Z-up head taken as Y-up is seen from below its chin: no longer upright.
    const auto [hat, head] = render(true, {});
    EXPECT_FALSE(hat > head && head >= 0);
    // From above, the flat squares are seen edge-on: hardly anything red.
    EXPECT_LT(render(false, {"--view", "top"}).second, 0);
}

TEST(CliThumbnail, DrawsASquarePictureWithoutADisplay)
{
    test::TempDir dir;
    const auto out = (dir / "thumb.png").string();
    const auto sample = (test::sourceDir() / "examples/sample-head.tvf").string();
    const auto r = runCommand({"/usr/bin/env", "-u", "DISPLAY", MIENWRIGHT_CLI, "thumbnail", sample, out, "96"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto image = osgDB::readImageFile(out);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->s() == 96 && image->t() == 96);
    // The head fills the middle; the corners show the grey background.
    const unsigned char* centre = pixel(*image, 0.5, 0.5);
    EXPECT_GT(std::abs(centre[0] - centre[2]), 20) << "no skin colour in the middle";
    EXPECT_NEAR(pixel(*image, 0.02, 0.02)[0], 127.5, 1.0);
    EXPECT_NE(runCommand({MIENWRIGHT_CLI, "thumbnail", sample, out, "0"}).status, 0);
}

}  // namespace
}  // namespace mw
