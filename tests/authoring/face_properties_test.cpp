// Colour text and texture names as the panes show and store them.

#include <gtest/gtest.h>

#include "authoring/face_properties.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

TEST(FaceProperties, ColourTextReadsWhatIsShownAndSaysWhyItCannotReadTheRest)
{
    EXPECT_EQ(formatColourText({0.8f, 0.8f, 0.8f, 1}), "0.800; 0.800; 0.800");
    EXPECT_EQ(formatColourText({1.5f, 0.0004f, -0.25f, 0}), "1.500; 0.000; -0.250");

    struct Case {
        const char* text;
        std::optional<osg::Vec3> rgb;
        const char* error;
    };
    for (const Case& c : {
             Case{"0.800; 0.800; 0.800", osg::Vec3(0.8f, 0.8f, 0.8f), ""},
             Case{" 1;0 ;  +0.5 ", osg::Vec3(1, 0, 0.5f), ""},
             Case{"-1; 2e-1; 3", osg::Vec3(-1, 0.2f, 3), ""},
             Case{"0.8, 0.8, 0.8", std::nullopt, "three numbers are needed"},
             Case{"0.8; 0.8", std::nullopt, "three numbers are needed"},
             Case{"0.8; 0.8; 0.8; 1", std::nullopt, "three numbers are needed"},
             Case{"0.8; ; 0.8", std::nullopt, "three numbers are needed"},
             Case{"0.8; red; 0.8", std::nullopt, "\"red\" is not a number"},
             Case{"0.8; 0.8x; 0.8", std::nullopt, "\"0.8x\" is not a number"},
             Case{"+-1; 0; 0", std::nullopt, "\"+-1\" is not a number"},
             Case{"inf; 0; 0", std::nullopt, "\"inf\" is not a finite number"},
             Case{"1e99; 0; 0", std::nullopt, "\"1e99\" is too large"},
         }) {
        const ColourText result = parseColourText(c.text);
        EXPECT_EQ(result.rgb, c.rgb) << c.text;
        EXPECT_EQ(result.error.find(c.error), 0u) << c.text << " -> " << result.error;
    }
}

TEST(FaceProperties, ChosenTextureIsStoredRelativeToTheFaceFolderWhenInsideIt)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir / "head" / "maps");
    const std::filesystem::path face = dir / "head" / "face.tvf";
    struct Case {
        std::filesystem::path chosen;
        std::string stored;
    };
    for (const Case& c : {Case{dir / "head" / "skin.png", "skin.png"},
                          Case{dir / "head" / "maps" / "eye.png", "maps/eye.png"},
                          Case{dir / "head" / "maps" / ".." / "skin.png", "skin.png"},
                          Case{dir / "other.png", (dir / "other.png").string()},
                          Case{dir / "headless" / "x.png", (dir / "headless" / "x.png").string()}})
        EXPECT_EQ(textureNameFor(c.chosen, face), c.stored) << c.chosen;
    // Without a file of its own the face has no folder to be relative to.
    EXPECT_EQ(textureNameFor(dir / "head" / "skin.png", {}), (dir / "head" / "skin.png").string());
}

}  // namespace
}  // namespace mw
