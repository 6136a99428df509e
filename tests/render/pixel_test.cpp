// Drawing through real OpenGL (Xvfb + Mesa under ./test), read back and checked pixel by pixel.

#include <cstdlib>
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "bench/immediate_draw.h"
#include "render/lit_scene.h"
#include "render/offscreen_render.h"
#include "render/tarv_face_renderer.h"
#include "tests/render/test_faces.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

struct Rgb { int r = 0, g = 0, b = 0; };

// The pixel under the point (x, y) of a view that spans -1 … 1 on both axes.
Rgb pixelAt(const osg::Image& image, float x, float y)
{
    const int px = static_cast<int>((x + 1.0f) / 2.0f * image.s());
    const int py = static_cast<int>((y + 1.0f) / 2.0f * image.t());
    const unsigned char* p = image.data(px, py);
    return {p[0], p[1], p[2]};
}

bool isBackground(const Rgb& c)  // the mid-grey the offscreen renderer clears to
{
    auto grey = [](int v) { return v == 127 || v == 128; };
    return grey(c.r) && grey(c.g) && grey(c.b);
}

bool isRed(const Rgb& c) { return c.r > 150 && c.g < 40 && c.b < 40; }

bool samePixels(const osg::Image& a, const osg::Image& b)
{
    return a.s() == b.s() && a.t() == b.t() && a.getTotalSizeInBytes() == b.getTotalSizeInBytes() &&
           std::memcmp(a.data(), b.data(), a.getTotalSizeInBytes()) == 0;
}

class PixelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* display = std::getenv("DISPLAY"); !display || !*display)
            GTEST_SKIP() << "no X display: the OpenGL pixel tests need one (./test runs them under Xvfb)";
        open();
    }

    void open()  // with a display present, failing to draw is a fault, not a reason to skip
    {
        std::string error;
        renderer_ = openOffscreenRenderer(64, 64, error);
        ASSERT_TRUE(renderer_) << error;
        // Eye at the origin looking down -z; the view spans -1 … 1 on x and y.
        renderer_->setCamera({osg::Matrixd::identity(), osg::Matrixd::ortho(-1, 1, -1, 1, -10, 10)});
    }

    osg::ref_ptr<osg::Image> draw(osg::Node* node)
    {
        renderer_->setScene(makeLitScene(node).get());
        osg::ref_ptr<osg::Image> image = renderer_->capture();
        EXPECT_TRUE(image);
        return image;
    }

    std::unique_ptr<OffscreenRenderer> renderer_;
};

TEST_F(PixelTest, TexturedQuadShowsEachQuarterOfItsImage)
{
    // 2 × 2 texels: red bottom left, green bottom right, blue top left, white top right.
    using Texel = std::array<unsigned char, 3>;
    const std::vector<Texel> texels = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    test::TempDir dir;
    test::writeImage(dir / "quarters.png", 2, 2, texels);
    auto quad = test::makeQuad("skin", -0.8f, -0.8f, 0.8f, 0.8f);
    quad->texture = (dir / "quarters.png").string();
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(test::makeFace({quad}).get());
    const auto image = draw(node.get());

    // Texel centres of each quarter (texture coordinates 0.25 and 0.75) lie at -0.4 and 0.4.
    for (std::size_t k = 0; k < texels.size(); ++k) {
        const Rgb c = pixelAt(*image, k % 2 ? 0.4f : -0.4f, k / 2 ? 0.4f : -0.4f);
        const auto near = [](int got, int want) { return want ? got > 150 : got < 40; };
        EXPECT_TRUE(near(c.r, texels[k][0]) && near(c.g, texels[k][1]) && near(c.b, texels[k][2])) << k;
    }

    // The cached texture serves a later OpenGL context just as well.
    renderer_.reset();
    open();
    EXPECT_TRUE(samePixels(*image, *draw(node.get())));
}

TEST_F(PixelTest, RedShowsWhereTheMorphedFaceIsButNotItsBackFacesOrHiddenGeometry)
{
    auto front = test::makeQuad("front", -0.5f, -0.5f, 0.5f, 0.5f, {1, 0, 0, 1});
    // The same triangle wound clockwise as seen from the camera.
    auto back = test::makeGeom("back", {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0, 0.5f, 0}}, {0, 2, 1});
    auto raise = test::makeMorph("raise", {test::makeTarget("front", {2}, {{0, 0.3f, 0}})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(test::makeFace({front, back}, {raise}).get());
    const auto image = draw(node.get());
    for (auto [x, y] : {std::pair{0.0f, 0.0f}, {-0.45f, -0.45f}, {0.45f, 0.45f}})
        EXPECT_TRUE(isRed(pixelAt(*image, x, y))) << x << "," << y;
    for (auto [x, y] : {std::pair{-0.9f, 0.0f}, {0.6f, 0.0f}, {0.0f, 0.6f}, {0.4f, 0.7f}, {0.9f, -0.9f}})
        EXPECT_TRUE(isBackground(pixelAt(*image, x, y))) << x << "," << y;
    node->setMorphWeight(0, 1.0f);  // the top right corner rises to 0.8: the silhouette follows
    const auto morphed = draw(node.get());
    EXPECT_TRUE(isRed(pixelAt(*morphed, 0.4f, 0.7f)));
    EXPECT_TRUE(isBackground(pixelAt(*morphed, 0.4f, 0.85f)));
    node->setGeometryVisible(false, 0);
    EXPECT_TRUE(samePixels(*draw(new osg::Group), *draw(node.get())));
}

TEST_F(PixelTest, VertexArraysGiveTheSamePixelsAsImmediateMode)
{
    test::TempDir dir;
    std::vector<std::array<unsigned char, 3>> texels;
    for (unsigned i = 0; i < 64; ++i)
        texels.push_back({static_cast<unsigned char>(i * 4), static_cast<unsigned char>(255 - i * 3),
                          static_cast<unsigned char>(i * 37 % 256)});
    test::writeImage(dir / "skin.png", 8, 8, texels);

    auto head = test::makeSphere("head", 0.6f, 12, 16);
    head->texture = (dir / "skin.png").string();
    head->specular = {0.5f, 0.5f, 0.5f, 1};
    auto eye = test::makeSphere("eye", 0.15f, 6, 8);
    for (osg::Vec3& v : *eye->vertices)
        v += osg::Vec3(0.25f, 0.2f, 0.55f);
    eye->texIndices.clear();  // textured, but drawn without texture coordinates
    eye->texture = head->texture;
    auto puff = test::makeMorph(
        "puff", {test::makeTarget("head", {2, 3, 20, 20}, {{0, 0, 0.2f}, {0.1f, 0, 0}, {0, 0, 0.1f}, {0, 0, 0.1f}}),
                 test::makeTarget("eye", {0, 5}, {{0, 0.1f, 0}, {0.05f, 0, 0}})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(test::makeFace({head, eye}, {puff}).get());
    ASSERT_FALSE(node->renderers()[0]->drawTable().seamSources.empty());

    renderer_->setCamera(frontCamera(node->getBound(), 1.0));
    for (float weight : {0.0f, 0.7f}) {
        node->setMorphWeight(0, weight);
        node->setCornerDrawer(drawImmediate);
        const auto immediate = draw(node.get());
        node->setCornerDrawer(nullptr);
        const auto arrays = draw(node.get());
        EXPECT_TRUE(samePixels(*immediate, *arrays)) << "weight " << weight;
        EXPECT_FALSE(isBackground(pixelAt(*arrays, 0.0f, 0.0f)));
    }
}

// Two squares side by side facing the camera, sharing the edge x = 0; the morph bends the
// right square towards the camera (its far edge 1 unit nearer), so it faces right and the
// silhouette stays the same under the orthographic view.
osg::ref_ptr<TarvFaceObject> bentStrip()
{
    auto strip = test::makeGeom("skin", {{-0.8f, -0.5f, 0}, {0, -0.5f, 0}, {0.8f, -0.5f, 0}, {-0.8f, 0.5f, 0}, {0, 0.5f, 0}, {0.8f, 0.5f, 0}},
                                {0, 1, 4, 0, 4, 3, 1, 2, 5, 1, 5, 4});
    strip->diffuse = {0.9f, 0.9f, 0.9f, 1};
    auto bend = test::makeMorph("bend", {test::makeTarget("skin", {2, 5}, {{0, 0, 1}, {0, 0, 1}})});
    return test::makeFace({strip}, {bend});
}

TEST_F(PixelTest, ShadingFollowsTheMorphedSurfaceAndWeightZeroLooksAsBefore)
{
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(bentStrip().get());
    const auto rest = draw(node.get());
    node->setMorphedNormals(false);
    EXPECT_TRUE(samePixels(*rest, *draw(node.get())));
    node->setMorphWeight(0, 1.0f);
    const auto restNormals = draw(node.get());
    node->setMorphedNormals(true);
    const auto morphed = draw(node.get());

    // The bent half turns away from the headlight and darkens; the rest normals kept it bright.
    EXPECT_LT(pixelAt(*morphed, 0.6f, 0.0f).r + 20, pixelAt(*restNormals, 0.6f, 0.0f).r);

    // The same bent shape built as a rest pose, its normals computed when it is built, looks
    // the same wherever it is sampled.
    const auto shape = bentStrip();
    for (osg::Vec3& v : *shape->geometries[0]->vertices)
        if (v.x() > 0.5f)
            v.z() += 1.0f;
    shape->morphs.clear();
    osg::ref_ptr<TarvFaceRenderer> built = new TarvFaceRenderer(shape.get());
    const auto expected = draw(built.get());
    for (auto [x, y] : {std::pair{-0.6f, 0.0f}, {-0.1f, 0.3f}, {0.1f, -0.3f}, {0.6f, 0.0f}}) {
        const Rgb a = pixelAt(*expected, x, y), b = pixelAt(*morphed, x, y);
        EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << x << "," << y;
    }

    node->setMorphWeight(0, 0.0f);
    EXPECT_TRUE(samePixels(*rest, *draw(node.get())));
}

TEST_F(PixelTest, ADoubleSidedCardIsLitFromBothSides)
{
    // Two triangles back to back on the same vertices.
    auto card = test::makeGeom("lashes", {{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0, 0.5f, 0}}, {0, 1, 2, 0, 2, 1});
    card->diffuse = {1, 0, 0, 1};
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(test::makeFace({card}).get());
    EXPECT_TRUE(isRed(pixelAt(*draw(node.get()), 0.0f, -0.2f)));
    // Looking from behind (the headlight goes with the camera): the other triangle, as bright.
    renderer_->setCamera({osg::Matrixd::rotate(osg::PI, osg::Y_AXIS), osg::Matrixd::ortho(-1, 1, -1, 1, -10, 10)});
    EXPECT_TRUE(isRed(pixelAt(*draw(node.get()), 0.0f, -0.2f)));
}

}  // namespace
}  // namespace mw
