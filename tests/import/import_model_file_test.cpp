#include <algorithm>

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Material>
#include <osg/MatrixTransform>
#include <osg/Texture2D>
#include <osgDB/WriteFile>

#include "import/import_model_file.h"
#include "model/face_file.h"
#include "import/load_face.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

// A textured, coloured unit quad lifted by a transform, as a modelling tool would export it,
// with its texture beside it in `dir`.
osg::ref_ptr<osg::Node> quadScene(const test::TempDir& dir)
{
    const osg::Vec3 v[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const osg::Vec2 t[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    osg::ref_ptr<osg::Geometry> quad = new osg::Geometry;
    quad->setVertexArray(new osg::Vec3Array(std::begin(v), std::end(v)));
    quad->setTexCoordArray(0, new osg::Vec2Array(std::begin(t), std::end(t)));
    quad->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(quad);
    auto* state = geode->getOrCreateStateSet();
    auto* material = new osg::Material;
    material->setDiffuse(osg::Material::FRONT_AND_BACK, {0.75f, 0.5f, 0.25f, 1});
    state->setAttribute(material);
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(2, 2, 1, GL_RGB, GL_UNSIGNED_BYTE);
    std::fill_n(image->data(), image->getTotalSizeInBytes(), 200);
    image->setFileName("skin.png");
    EXPECT_TRUE(osgDB::writeImageFile(*image, (dir / "skin.png").string()));
    state->setTextureAttribute(0, new osg::Texture2D(image));
    osg::ref_ptr<osg::MatrixTransform> lift = new osg::MatrixTransform(osg::Matrixd::translate(0, 0, 2));
    lift->addChild(geode);
    return lift;
}

std::vector<osg::Vec3> sortedPositions(const FaceGeom& g)
{
    std::vector<osg::Vec3> p(g.vertices->begin(), g.vertices->end());
    std::sort(p.begin(), p.end());
    return p;
}

TEST(ImportModelFile, ReadsFilesOfTheSceneGraphPluginsAndWavefrontObj)
{
    test::TempDir dir;
    const auto scene = quadScene(dir);
    const std::vector<osg::Vec3> expected = {{0, 0, 2}, {0, 1, 2}, {1, 0, 2}, {1, 1, 2}};
    for (const char* name : {"quad.osgt", "quad.osgb", "quad.osg", "quad.ive"}) {
        SCOPED_TRACE(name);
        const auto path = dir / name;
        ASSERT_TRUE(osgDB::writeNodeFile(*scene, path.string()));
        auto face = importModelFile(path);
        ASSERT_TRUE(face.valid());
        ASSERT_EQ(face->geometries.size(), 1u);
        const FaceGeom& g = *face->geometries[0];
        EXPECT_EQ(sortedPositions(g), expected);
        EXPECT_TRUE(g.vertexIndices.size() == 6 && g.texIndices.size() == 6);
        EXPECT_NE(g.texture.find("skin.png"), std::string::npos);
        EXPECT_EQ(g.diffuse, osg::Vec4(0.75f, 0.5f, 0.25f, 1));
        auto loaded = loadFace(path);  // which picks the importer for every model extension
        EXPECT_TRUE(loaded.valid() && test::facesEqual(*face, *loaded));
    }
    EXPECT_FALSE(importModelFile(dir / "missing.obj").valid());
    test::writeBytes(dir / "garbage.osgt", "this is not a scene graph");
    EXPECT_FALSE(importModelFile(dir / "garbage.osgt").valid());

    // One quad and one triangle sharing an edge, through the scene-graph plugin (loadFace reads
    // OBJ itself). The plugin turns OBJ's y-up frame into OpenSceneGraph's z-up one: (x, y, z)
    // becomes (x, -z, y).
    test::writeBytes(dir / "head.obj",
                     "# two faces\n"
                     "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 2 0.25\n"
                     "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                     "f 1/1 2/2 3/3 4/4\n"
                     "f 4/4 3/3 5/1\n");
    const auto obj = importModelFile(dir / "head.obj");
    ASSERT_TRUE(obj.valid());
    ASSERT_EQ(obj->geometries.size(), 1u);
    const FaceGeom& g = *obj->geometries[0];
    const std::vector<osg::Vec3> objPositions = {{0, 0, 0}, {0, 0, 1}, {0.5f, -0.25f, 2}, {1, 0, 0}, {1, 0, 1}};
    EXPECT_EQ(sortedPositions(g), objPositions);
    EXPECT_TRUE(g.vertexIndices.size() == 9 && g.texIndices.size() == 9 && g.texcoords->size() == 4);
}

TEST(LoadFace, ChoosesTheReaderByExtensionIgnoringCaseAndRepairs)
{
    test::TempDir dir;
    // Triangle 1 points past the vertices.
    const std::string text = "Face { Geometry skin { vertices { 0 0 0 1 0 0 0 1 0 } vertexIndices { 0 1 2 0 1 7 } } }";
    const auto repaired = test::makeFace({test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})});
    for (const char* name : {"a.tvf", "b.TVF", "c.TvF"}) {
        test::writeBytes(dir / name, text);
        RepairReport report;
        auto loaded = loadFace(dir / name, &report);
        EXPECT_TRUE(loaded.valid() && test::facesEqual(*repaired, *loaded) && report.changes.size() == 1) << name;
    }
    // The same bytes under other names go to other readers, none of which reads them as .tvf.
    for (const char* name : {"d.txt", "e.TxT", "f.obj", "noextension", "g.tvf.bak"}) {
        test::writeBytes(dir / name, text);
        auto loaded = loadFace(dir / name);
        EXPECT_FALSE(loaded.valid() && loaded->geometries.size() == 1 && loaded->geometries[0]->name == "skin") << name;
    }
}

}  // namespace
}  // namespace mw
