// Names, textures and colours as the panes change them on a face and its node.

#include <osg/Material>

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

TEST(FaceProperties, TextureAndColourEditsRebuildTheDrawingStateOfThatGeometryOnly)
{
    const std::filesystem::path examples = test::sourceDir() / "examples";
    const std::string image = (examples / "sample-head-eye.png").string();
    auto a = test::makeGeom("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    a->diffuse = {0.1f, 0.2f, 0.3f, 0.5f};
    auto face = test::makeFace({a, test::makeGeom("b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const osg::StateSet* untouched = node->renderers()[1]->getStateSet();
    auto material = [&](int i) {
        return dynamic_cast<const osg::Material*>(
            node->renderers()[static_cast<std::size_t>(i)]->getStateSet()->getAttribute(osg::StateAttribute::MATERIAL));
    };

    ASSERT_TRUE(setGeometryDiffuse(*node, 0, {0.8f, 0.7f, 0.6f}));
    EXPECT_EQ(a->diffuse, osg::Vec4(0.8f, 0.7f, 0.6f, 0.5f));  // alpha kept
    EXPECT_EQ(material(0)->getDiffuse(osg::Material::FRONT), a->diffuse);
    EXPECT_FALSE(setGeometryDiffuse(*node, 0, {0.8f, 0.7f, 0.6f}));

    // A removed texture leaves the drawing state; an unreadable one is kept as a name only.
    ASSERT_TRUE(setGeometryTexture(*node, 0, image));
    EXPECT_TRUE(geometryTextureShown(*node, 0));
    EXPECT_EQ(material(0)->getDiffuse(osg::Material::FRONT), a->diffuse);
    ASSERT_TRUE(setGeometryTexture(*node, 0, ""));
    EXPECT_FALSE(geometryTextureShown(*node, 0));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(setGeometryTexture(*node, 0, (examples / "missing.png").string()));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(geometryTextureShown(*node, 0));

    EXPECT_EQ(node->renderers()[1]->getStateSet(), untouched);
    EXPECT_FALSE(setGeometryDiffuse(*node, 2, {0, 0, 0}));
}

}  // namespace
}  // namespace mw
