// mienwright-cli render: a real offscreen draw (under Xvfb in ./test) written as a PNG.

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>
#include <osg/Image>
#include <osgDB/ReadFile>
#include <osgDB/WriteFile>

#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::runCommand;

// A red square facing the camera, textured with "tex.png" beside the face file; morph
// "stretch" pulls its top-right corner far out to the right, "lift" towards the camera.
osg::ref_ptr<TarvFaceObject> squareFace()
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    auto square = test::makeGeom("skin", {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, {0, 1, 2, 0, 2, 3},
                                 {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 0, 2, 3});
    square->diffuse = {1, 0, 0, 1};
    square->texture = "tex.png";
    face->geometries.push_back(square);
    face->morphs.push_back(test::makeMorph("stretch", {test::makeTarget("skin", {2}, {{3, 0, 0}})}));
    face->morphs.push_back(test::makeMorph("lift", {test::makeTarget("skin", {2}, {{0, 0, 1.5f}})}));
    return face;
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
    osg::ref_ptr<osg::Image> white = new osg::Image;
    white->allocateImage(2, 2, 1, GL_RGB, GL_UNSIGNED_BYTE);
    std::fill(white->data(), white->data() + white->getTotalSizeInBytes(), 255);
    ASSERT_TRUE(osgDB::writeImageFile(*white, (dir / "faces" / "tex.png").string()));

    // Run from the temporary folder with a relative output: the texture is found beside the
    // face, and the image lands where the user pointed, not in the face's folder.
    auto render = [&](const std::string& out, const std::string& extra) {
        const auto r = runCommand({"/bin/sh", "-c", "cd '" + dir.path().string() + "' && exec '" MIENWRIGHT_CLI
                                   "' render faces/square.tvf -o " + out + " --size 64x48 " + extra});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return osgDB::readImageFile((dir / out).string());
    };
    const auto rest = render("rest.png", "");
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->s(), 64);
    EXPECT_EQ(rest->t(), 48);
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
    const auto file = (dir / "square.tvf").string();
    ASSERT_TRUE(writeFaceFile(file, *squareFace()));
    const auto out = (dir / "out.png").string();

    auto r = runCommand({"/usr/bin/env", "-u", "DISPLAY", MIENWRIGHT_CLI, "render", file, "-o", out});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;

    r = runCommand({MIENWRIGHT_CLI, "render", file, "-o", out, "--weight", "smile=1"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "No morph named \"smile\" in " + file + "\n");

    r = runCommand({MIENWRIGHT_CLI, "render", (dir / "missing.tvf").string(), "-o", out});
    EXPECT_EQ(r.status, 1);

    for (std::string bad : {"--size=0x10", "--size=64", "--size=9000x10", "--weight=stretch", "--weight=stretch=1x",
                            "--weight=stretch=nan"})
        EXPECT_NE(runCommand({MIENWRIGHT_CLI, "render", file, "-o", out, bad}).status, 0) << bad;
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace mw
