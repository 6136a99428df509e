#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/Material>
#include <osg/MatrixTransform>
#include <osg/PositionAttitudeTransform>
#include <osg/Switch>
#include <osg/Texture2D>

#include "import/face_converter_visitor.h"
#include "import/import_model_file.h"
#include "model/repair_face.h"

namespace mw {
namespace {

// A drawable that is not a geometry (as text or custom drawables are).
class OpaqueDrawable : public osg::Drawable {
public:
    OpaqueDrawable() = default;
    OpaqueDrawable(const OpaqueDrawable& other, const osg::CopyOp& op) : osg::Drawable(other, op) {}
    META_Object(mwtest, OpaqueDrawable)
};

// A geometry of `n` vertices (k, 0, 0) with one primitive set.
osg::ref_ptr<osg::Geometry> geometryOf(unsigned n, osg::PrimitiveSet* set, bool texcoords = false)
{
    osg::ref_ptr<osg::Geometry> g = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> v = new osg::Vec3Array;
    osg::ref_ptr<osg::Vec2Array> t = new osg::Vec2Array;
    for (unsigned k = 0; k < n; ++k) {
        v->push_back({static_cast<float>(k), 0, 0});
        t->push_back({static_cast<float>(k), 1});
    }
    g->setVertexArray(v);
    if (texcoords)
        g->setTexCoordArray(0, t);
    g->addPrimitiveSet(set);
    return g;
}

// Fills a primitive set or index array.
template <class C>
C* with(C* c, std::initializer_list<typename C::value_type> values)
{
    for (auto v : values)
        c->push_back(v);
    return c;
}

// A group, geode, transform or switch with the given children.
template <class G>
osg::ref_ptr<G> holding(G* group, std::initializer_list<osg::ref_ptr<osg::Node>> children)
{
    for (const auto& child : children)
        group->addChild(child);
    return group;
}

osg::ref_ptr<osg::Geometry> triangle() { return geometryOf(3, new osg::DrawArrays(GL_TRIANGLES, 0, 3)); }

osg::ref_ptr<TarvFaceObject> visit(osg::Node& root)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    osg::ref_ptr<FaceConverterVisitor> visitor = new FaceConverterVisitor(*face);
    root.accept(*visitor);
    return face;
}

// Converts one drawable without welding, as the visitor sees it at the root.
osg::ref_ptr<FaceGeom> convert(osg::Drawable& drawable) { return visit(drawable)->geometries.at(0); }

TEST(FaceConverter, TriangulatesEveryPolygonMode)
{
    struct Case {
        GLenum mode;
        unsigned n;
        IndexList expected;
        GLsizei count = 0;  // a run longer than the n vertices: after the repair, only whole triangles
    };
    const Case cases[] = {
        {GL_QUADS, 8, {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}}, {GL_QUADS, 6, {0, 1, 2, 0, 2, 3}},
        {GL_TRIANGLES, 7, {0, 1, 2, 3, 4, 5}}, {GL_TRIANGLE_STRIP, 5, {0, 1, 2, 1, 3, 2, 2, 3, 4}},
        {GL_TRIANGLE_STRIP, 2, {}}, {GL_QUAD_STRIP, 7, {0, 1, 2, 1, 3, 2, 2, 3, 4, 3, 5, 4}}, {GL_QUAD_STRIP, 3, {}},
        {GL_TRIANGLE_FAN, 5, {0, 1, 2, 0, 2, 3, 0, 3, 4}}, {GL_POLYGON, 4, {0, 1, 2, 0, 2, 3}},
        {GL_LINES, 6, {}}, {GL_LINE_STRIP, 6, {}},
        {GL_QUADS, 7, {0, 1, 2, 0, 2, 3, 4, 5, 6}, 8}, {GL_QUADS, 7, {0, 1, 2, 0, 2, 3, 4, 5, 6}, 0x7FFFFFFF},
        {GL_QUAD_STRIP, 5, {0, 1, 2, 1, 3, 2, 2, 3, 4}, 6}, {GL_TRIANGLE_FAN, 4, {0, 1, 2, 0, 2, 3}, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << ", " << c.n << " vertices, count " << c.count);
        auto geom = convert(*geometryOf(c.n, new osg::DrawArrays(c.mode, 0, c.count ? c.count : GLsizei(c.n))));
        if (c.count)
            dropBrokenTriangles(*geom);
        EXPECT_EQ(geom->vertices->size(), c.n);  // every vertex is copied, used or not
        EXPECT_EQ(geom->vertexIndices, c.expected);
        EXPECT_TRUE(geom->texIndices.empty());  // no texture coordinates, no texture indices
    }

    // Runs that start later, lengths, and every element width; texture indices follow.
    // The fourth vertex of the second run makes no triangle.
    auto geometry = geometryOf(9, with(new osg::DrawArrayLengths(GL_TRIANGLES, 1), {3, 4}), true);
    geometry->addPrimitiveSet(with(new osg::DrawElementsUByte(GL_TRIANGLE_STRIP), {8, 7, 6, 5}));
    geometry->addPrimitiveSet(with(new osg::DrawElementsUShort(GL_TRIANGLES), {2, 4, 6}));
    geometry->addPrimitiveSet(with(new osg::DrawElementsUInt(GL_QUADS), {0, 2, 4, 6}));
    geometry->addPrimitiveSet(new osg::DrawElementsUInt(GL_TRIANGLES));  // empty: nothing
    auto geom = convert(*geometry);
    const IndexList expected = {1, 2, 3, 4, 5, 6, 8, 7, 6, 7, 5, 6, 2, 4, 6, 0, 2, 4, 0, 4, 6};
    EXPECT_EQ(geom->vertexIndices, expected);
    EXPECT_EQ(geom->texIndices, expected);
    EXPECT_EQ(geom->texcoords->size(), 9u);
}

TEST(FaceConverter, AppliesTransformsChildFirstAndVisitsEverySwitchChild)
{
    osg::ref_ptr<osg::PositionAttitudeTransform> move = new osg::PositionAttitudeTransform;
    move->setPosition({1, 0, 0});
    const auto sw = holding(new osg::Switch, {holding(new osg::Geode, {triangle()}),
                                              holding(new osg::Geode, {triangle()})});
    sw->setValue(1, false);
    move->addChild(sw);
    // The last triangle lies after the transforms: untouched.
    const auto root = holding(new osg::Group, {holding(new osg::MatrixTransform(osg::Matrixd::scale(2, 2, 2)), {move}),
                                              holding(new osg::Geode, {triangle()})});

    auto face = visit(*root);
    ASSERT_EQ(face->geometries.size(), 3u);
    // (k, 0, 0) moved by 1, then doubled: (2k + 2, 0, 0).
    for (int g = 0; g < 2; ++g)
        for (unsigned k = 0; k < 3; ++k)
            EXPECT_EQ((*face->geometries[g]->vertices)[k], osg::Vec3(2.0f * k + 2.0f, 0, 0));
    EXPECT_EQ((*face->geometries[2]->vertices)[2], osg::Vec3(2, 0, 0));
}

// Gives a node or drawable a material of these colours.
void addMaterial(osg::Node& node, const osg::Vec4& diffuse, const osg::Vec4& specular = {0.5f, 0.5f, 0.5f, 1})
{
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setDiffuse(osg::Material::FRONT_AND_BACK, diffuse);
    material->setSpecular(osg::Material::FRONT_AND_BACK, specular);
    node.getOrCreateStateSet()->setAttribute(material);
}

// Gives a node or drawable a texture whose image has this file name.
void addTexture(osg::Node& node, const std::string& file)
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->setFileName(file);
    node.getOrCreateStateSet()->setTextureAttribute(0, new osg::Texture2D(image));
}

TEST(FaceConverter, AppearanceIsScopedToNodesAndDrawables)
{
    const osg::Vec4 red(1, 0, 0, 1), blue(0, 0, 1, 1);
    const auto first = triangle();
    addTexture(*first, "own.png");
    const auto redGeode = holding(new osg::Geode, {first, triangle()});
    addMaterial(*redGeode, red);
    addTexture(*redGeode, "geode.png");
    // A blue group holds the red geode, then a geode of its own; beside the group a plain geode
    // (defaults again) and one whose material has a diffuse x of -1 ("none").
    const auto outer = holding(new osg::Group, {redGeode, holding(new osg::Geode, {triangle()})});
    addMaterial(*outer, blue);
    const auto unset = holding(new osg::Geode, {triangle()});
    addMaterial(*unset, {-1, 0.5f, 0.5f, 1}, {-1, 0, 0, 1});

    auto face = visit(*holding(new osg::Group, {outer, holding(new osg::Geode, {triangle()}), unset}));
    ASSERT_EQ(face->geometries.size(), 5u);
    const auto& g = face->geometries;
    EXPECT_EQ(g[0]->texture + "|" + g[1]->texture + "|" + g[2]->texture, "own.png|geode.png|");
    EXPECT_TRUE(g[0]->diffuse == red && g[1]->diffuse == red && g[2]->diffuse == blue);
    EXPECT_EQ(g[0]->specular, osg::Vec4(0.5f, 0.5f, 0.5f, 1));
    for (int i : {3, 4})
        EXPECT_TRUE(g[i]->diffuse == osg::Vec4(1, 1, 1, 1) && g[i]->specular == osg::Vec4(0, 0, 0, 1)) << i;
}

TEST(FaceConverter, SkipsWhatItCannotConvertAndNamesCountConvertedGeometriesOnly)
{
    auto doubles = geometryOf(0, new osg::DrawArrays(GL_TRIANGLES, 0, 3));
    doubles->setVertexArray(new osg::Vec3dArray(3));
    // Three-component texture coordinates are ignored, the geometry is kept.
    auto geometry = triangle();
    geometry->setTexCoordArray(0, new osg::Vec3Array(3));
    // The last drawable lies under a group, not a geode.
    const auto root = holding(new osg::Group, {holding(new osg::Geode, {triangle(), new OpaqueDrawable, doubles,
                                                                        geometry}),
                                              geometryOf(4, new osg::DrawArrays(GL_QUADS, 0, 4))});
    auto face = visit(*root);
    ASSERT_EQ(face->geometries.size(), 3u);
    for (unsigned i = 0; i < 3; ++i)
        EXPECT_EQ(face->geometries[i]->name, "geom_" + std::to_string(i));
    EXPECT_TRUE(face->geometries[1]->texcoords->empty() && face->geometries[1]->texIndices.empty());
    EXPECT_TRUE(face->geometries[1]->vertexIndices.size() == 3 && face->geometries[2]->vertexIndices.size() == 6);

    // Nothing convertible: no face. Lines only: a face with a geometry and no triangles.
    EXPECT_FALSE(importSceneGraph(*holding(new osg::Geode, {new OpaqueDrawable})).valid());
    auto lineFace = importSceneGraph(*holding(new osg::Geode, {geometryOf(4, new osg::DrawArrays(GL_LINES, 0, 4))}));
    EXPECT_TRUE(lineFace.valid() && lineFace->geometries[0]->vertexIndices.empty());
}

// Index arrays of the old geometry binding ride on the arrays as user data.
TEST(FaceConverter, IndexArraysTakeTriangleListsUpToTheFirstOtherModeAndSkipOverruns)
{
    auto geometry = geometryOf(4, new osg::DrawArrays(GL_TRIANGLES, 0, 3), true);
    geometry->addPrimitiveSet(with(new osg::DrawElementsUShort(GL_TRIANGLES), {3, 4, 5}));
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLE_STRIP, 0, 4));  // ends the walk
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, 3));
    geometry->getVertexArray()->setUserData(with(new osg::UIntArray, {3, 2, 1, 0, 1, 2}));
    // One entry short: position 5 has no texture index.
    geometry->getTexCoordArray(0)->setUserData(with(new osg::UByteArray, {0, 0, 0, 1, 1}));

    auto geom = convert(*geometry);
    EXPECT_EQ(geom->vertexIndices, (IndexList{3, 2, 1, 0, 1, 2}));
    EXPECT_EQ(geom->texIndices, (IndexList{0, 0, 0, 1, 1, kMissingIndex}));

    // Without a texture index array the position itself is the texture index; an incomplete
    // last triangle is dropped.
    geometry->getTexCoordArray(0)->setUserData(nullptr);
    geometry->removePrimitiveSet(1, 3);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 3, 2));
    geom = convert(*geometry);
    EXPECT_EQ(geom->vertexIndices, (IndexList{3, 2, 1}));
    EXPECT_EQ(geom->texIndices, (IndexList{0, 1, 2}));

    // A set that runs past the index array loses only its own triangles that reach past it;
    // the sets after it still count.
    geometry = geometryOf(4, new osg::DrawArrays(GL_TRIANGLES, 0, 6));
    geometry->addPrimitiveSet(with(new osg::DrawElementsUShort(GL_TRIANGLES), {1, 2, 3}));
    geometry->getVertexArray()->setUserData(with(new osg::UIntArray, {3, 2, 1, 0}));
    geom = convert(*geometry);
    dropBrokenTriangles(*geom);
    EXPECT_EQ(geom->vertexIndices, (IndexList{3, 2, 1, 2, 1, 0}));
}

}  // namespace
}  // namespace mw
