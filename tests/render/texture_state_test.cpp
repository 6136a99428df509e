// Materials and the process-wide texture cache.

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>
#include <osg/Texture2D>
#include <osgDB/Registry>

#include "model/file_directory.h"
#include "render/tarv_face_renderer.h"
#include "render/texture_cache.h"
#include "tests/render/test_faces.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

const osg::Texture2D* boundTexture(const TarvFaceRenderer& node, unsigned i)
{
    return dynamic_cast<const osg::Texture2D*>(
        node.renderers()[i]->getStateSet()->getTextureAttribute(0, osg::StateAttribute::TEXTURE));
}

void writeTexels(const fs::path& path, unsigned char red = 10)
{
    test::writeImage(path, 2, 2, {{{red, 20, 30}}, {{40, 50, 60}}, {{70, 80, 90}}, {{100, 110, 120}}});
}

unsigned char firstRed(const osg::Texture2D* texture) { return texture->getImage()->data()[0]; }

// Counts the images the scene-graph library is asked to read.
struct CountingReads : osgDB::ReadFileCallback {
    osgDB::ReaderWriter::ReadResult readImage(const std::string& file, const osgDB::Options* options) override
    {
        ++reads;
        return osgDB::ReadFileCallback::readImage(file, options);
    }
    int reads = 0;
};

TEST(GeometryState, SharedImageIsReadOnceAndAMissingOneIsReportedEachTimeAndNeverCached)
{
    test::TempDir dir;
    const std::string shared = (dir / "shared.png").string(), missing = (dir / "missing.png").string();
    writeTexels(shared);
    auto a = test::makeQuad("a", 0, 0, 1, 1), b = test::makeQuad("b", 0, 0, 1, 1);
    auto c = test::makeQuad("c", 0, 0, 1, 1);
    a->texture = b->texture = shared;
    c->texture = missing;
    auto face = test::makeFace({a, b, c});
    osg::ref_ptr<CountingReads> counter = new CountingReads;
    osgDB::Registry::instance()->setReadFileCallback(counter.get());
    osg::ref_ptr<TarvFaceRenderer> nodes[2];
    for (auto& node : nodes) {
        testing::internal::CaptureStderr();
        node = new TarvFaceRenderer(face.get());
        std::istringstream err(testing::internal::GetCapturedStderr());
        std::vector<std::string> errors;  // the library adds lines of its own
        for (std::string line; std::getline(err, line);)
            if (line.starts_with("** "))
                errors.push_back(line);
        EXPECT_EQ(errors, std::vector<std::string>{"** ERROR: Failed to load face texture: " + missing});
        EXPECT_EQ(boundTexture(*node, 2), nullptr);
    }
    osgDB::Registry::instance()->setReadFileCallback(nullptr);
    EXPECT_EQ(counter->reads, 3);  // the shared image once, the missing one each time
    const osg::Texture2D* texture = boundTexture(*nodes[0], 0);
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(boundTexture(*nodes[0], 1) == texture && boundTexture(*nodes[1], 0) == texture);
    writeTexels(missing);  // once the file exists, the next renderer reads it
    EXPECT_NE(boundTexture(*osg::ref_ptr<TarvFaceRenderer>(new TarvFaceRenderer(face.get())), 2), nullptr);
}

TEST(GeometryState, SameNameInOtherFoldersAndChangedFilesGiveTheirOwnImages)
{
    test::TempDir dir;
    for (const auto& [folder, red] : {std::pair{"one", 11}, std::pair{"two", 22}}) {
        fs::create_directory(dir / folder);
        writeTexels(dir / folder / "skin.png", static_cast<unsigned char>(red));
    }
    auto face = test::makeFace({test::makeQuad("skin", 0, 0, 1, 1)});
    face->geometries[0]->texture = "skin.png";  // found beside the face file
    auto textureIn = [&](const char* folder) {
        osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get(), faceFolder(dir / folder / "head.tvf"));
        return osg::ref_ptr<const osg::Texture2D>(boundTexture(*node, 0));
    };
    const auto one = textureIn("one");
    ASSERT_TRUE(one.valid() && firstRed(one.get()) == 11);
    EXPECT_EQ(firstRed(textureIn("two").get()), 22);
    EXPECT_EQ(textureIn("one"), one);  // unchanged: the cached image

    // The file changes on disk: the next face that names it gets the new image.
    const fs::path file = dir / "one" / "skin.png";
    const auto before = fs::last_write_time(file);
    writeTexels(file, 33);
    fs::last_write_time(file, before + std::chrono::seconds(1));
    EXPECT_EQ(firstRed(textureIn("one").get()), 33);
}

}  // namespace
}  // namespace mw
