// The face node and its renderers without OpenGL; normals that follow the morph, as the
// scene-graph library's smoother computes them.

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>
#include <osg/Geometry>
#include <osg/io_utils>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>
#include <osgUtil/SmoothingVisitor>

#include "render/tarv_face_renderer.h"
#include "tests/render/test_faces.h"
#include "tests/support/face_builders.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

// Six vertices, four triangles; vertex 5 is the one the morphs move.
osg::ref_ptr<FaceGeom> strip(std::string name)
{
    return makeGeom(std::move(name), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}, {1, 2, 0}},
                    {0, 1, 2, 2, 1, 3, 2, 3, 5, 2, 5, 4});
}

bool hitsAt(osg::Node& node, double x, double y)
{
    osg::ref_ptr<osgUtil::LineSegmentIntersector> ray =
        new osgUtil::LineSegmentIntersector(osg::Vec3d(x, y, 10), osg::Vec3d(x, y, -10));
    osgUtil::IntersectionVisitor visitor(ray.get());
    node.accept(visitor);
    return ray->containsIntersections() && std::abs(ray->getFirstIntersection().getWorldIntersectPoint().z()) < 1e-6;
}

TEST(FaceNode, DrawnPositionsFollowTheWeightsBoundsHitsAndClonesDoNot)
{
    auto f = test::makeFace({strip("skin")}, {makeMorph("up", {makeTarget("skin", {5}, {{0, 1, 0}})}),
                                    makeMorph("right", {makeTarget("skin", {5, 5, 0}, {{1, 0, 0}, {0.5f, 0, 0}, {0, 0, 2}})}),
                                    makeMorph("elsewhere", {makeTarget("teeth", {5}, {{0, 0, 9}})})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(f.get());
    const FaceRenderer& r = *node->renderers()[0];
    const osg::Vec3Array& rest = *f->geometries[0]->vertices;
    EXPECT_EQ(r.attachedTargets().size(), 2u);  // "teeth" names no geometry

    // No weight set: the rest pose itself is drawn, not a copy of it.
    EXPECT_EQ(r.morphedVertices().data(), &rest.front());
    EXPECT_EQ(r.prepareFrame().positions, &rest.front());

    node->setMorphWeight(0, 0.5f);
    test::expectVec(r.morphedVertices()[5], {1, 2.5f, 0});
    test::expectVec(rest[5], {1, 2, 0});  // the model keeps the rest pose

    // Several morphs and repeated indices add up; unattached targets change nothing.
    node->setMorphWeight(1, 2.0f);
    node->setMorphWeight(2, 1.0f);
    test::expectVec(r.morphedVertices()[5], {4, 2.5f, 0});
    test::expectVec(r.morphedVertices()[0], {0, 0, 4});
    test::expectVec(r.prepareFrame().positions[5], {4, 2.5f, 0});

    node->setMorphWeight(0, std::nanf(""));  // applied, not skipped
    EXPECT_TRUE(std::isnan(r.morphedVertices()[5].y()));

    // Bounds and intersections use the rest pose, even while hidden.
    node->setGeometryVisible(false, 0);
    node->setGeometryVisible(true, 5);  // out of range: ignored
    EXPECT_FALSE(r.visible());
    const osg::BoundingBox box = r.getBoundingBox();
    EXPECT_TRUE(box.corner(0) == osg::Vec3(0, 0, 0) && box.corner(7) == osg::Vec3(1, 2, 0));
    EXPECT_TRUE(hitsAt(*node, 0.2, 0.2));

    node->resetMorphWeights();
    const auto drawn = r.morphedVertices();
    EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), rest.begin()));

    // Clones are inert renderers; deep-copying the whole node through the scene graph's generic
    // path must not crash.
    osg::ref_ptr<osg::Object> copy = r.clone(osg::CopyOp::DEEP_COPY_ALL);
    auto* renderer = dynamic_cast<FaceRenderer*>(copy.get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_TRUE(renderer->prepareFrame().corners.empty() && !renderer->getBoundingBox().valid());
    EXPECT_TRUE(osg::ref_ptr<osg::Object>(node->clone(osg::CopyOp::DEEP_COPY_ALL)));
}

TEST(FaceNode, WeightOperationsTouchEveryTargetOfOneMorph)
{
    auto f = test::makeFace({strip("a"), strip("b")},
                  {makeMorph("three", {makeTarget("a", {1}, {{1, 2, 3}}), makeTarget("b", {2}, {{-1, 0, 0.5f}}),
                                       makeTarget("a", {3}, {{0, 0, 1}})}),
                   makeMorph("empty", {}), makeMorph("other", {makeTarget("a", {0}, {{4, 4, 4}})})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(f.get());
    const FaceTarget& other = *f->morphs[2]->targets[0];

    node->setMorphWeight(0, 0.5f);
    for (const auto& t : f->morphs[0]->targets)
        EXPECT_EQ(t->weight, 0.5f);
    f->morphs[0]->targets[0]->weight = 0.25f;
    EXPECT_EQ(node->getMorphWeight(0), 0.25f);  // the first target's value
    EXPECT_TRUE(node->getMorphWeight(1) == 0.0f && node->getMorphWeight(-1) == 0.0f);
    node->setMorphWeight(-1, 1.0f);
    node->setMorphWeight(3, 1.0f);
    EXPECT_EQ(other.weight, 0.0f);

    node->scaleMorph(0, 2.0f);
    node->scaleMorph(7, 0.0f);
    EXPECT_EQ((*f->morphs[0]->targets[0]->offsets)[0], osg::Vec3(2, 4, 6));
    EXPECT_EQ((*f->morphs[0]->targets[1]->offsets)[0], osg::Vec3(-2, 0, 1));
    EXPECT_EQ((*other.offsets)[0], osg::Vec3(4, 4, 4));

    node->resetMorphWeights();
    EXPECT_TRUE(node->getMorphWeight(0) == 0.0f && f->morphs[0]->targets[2]->weight == 0.0f);
}

TEST(FaceNode, RenameCarriesTargetsAlongAndLaterMorphsStillDraw)
{
    auto f = test::makeFace({strip("a"), strip("c")}, {makeMorph("m1", {makeTarget("a", {5}, {{0, 1, 0}}), makeTarget("c", {5}, {{0, 1, 0}})}),
                                             makeMorph("m2", {makeTarget("a", {4}, {{0, 1, 0}})})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(f.get());
    node->renameGeometry(0, "b");
    node->renameGeometry(2, "z");  // out of range
    EXPECT_EQ(f->geometries[0]->name + f->morphs[0]->targets[0]->name + f->morphs[0]->targets[1]->name +
                  f->morphs[1]->targets[0]->name, "bbcb");
    EXPECT_TRUE(node->getGeometryIndex("b") == 0 && node->getGeometryIndex("a") == -1);

    // A morph created after the rename, under the new name, reaches geometry 0.
    f->morphs.push_back(makeMorph("later", {makeTarget("b", {3}, {{0, 0, 1}})}));
    node->attachMorphTargets(2);
    node->setMorphWeight(2, 1.0f);
    test::expectVec(node->renderers()[0]->morphedVertices()[3], {1, 1, 1});
}

TEST(FaceNode, BrokenIndicesAreLeftOutInsteadOfReadOutOfBounds)
{
    // A triangle naming vertex 99, half a triangle, a texture index past the list, a target
    // entry past the vertices and one without an offset.
    auto broken = makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 0, 99, 1, 2, 1}, {{0, 0}},
                           {0, 7, 0, 0, 0, 0, 0, 0});
    auto f = test::makeFace({broken}, {makeMorph("m", {makeTarget("skin", {1, 50, 2}, {{0, 1, 0}, {0, 1, 0}})})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(f.get());
    node->setMorphWeight(0, 1.0f);
    const FaceArrays arrays = node->renderers()[0]->prepareFrame();
    ASSERT_EQ(arrays.corners.size(), 3u);  // only the first triangle is drawn
    test::expectVec(arrays.positions[arrays.corners[1]], {1, 1, 0});
    test::expectVec(arrays.positions[arrays.corners[2]], {0, 1, 0});
    EXPECT_EQ(arrays.texcoords[arrays.corners[1]], osg::Vec2(0, 0));
    EXPECT_TRUE(hitsAt(*node, 0.2, 0.2));
}

// The library's smoothing of the triangle soup of `positions` (one normal per corner).
std::vector<osg::Vec3> librarySmoothing(const IndexList& corners, std::span<const osg::Vec3> positions)
{
    osg::ref_ptr<osg::Vec3Array> soup = new osg::Vec3Array;
    for (const std::uint32_t v : corners)
        soup->push_back(positions[v]);
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(soup.get());
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(soup->size())));
    osgUtil::SmoothingVisitor::smooth(*geometry);
    const auto* normals = dynamic_cast<const osg::Vec3Array*>(geometry->getNormalArray());
    return normals ? normals->asVector() : std::vector<osg::Vec3>{};
}

::testing::AssertionResult sameBits(const std::vector<osg::Vec3>& expected, const osg::Vec3Array& actual)
{
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "sizes " << expected.size() << " and " << actual.size();
    for (std::size_t c = 0; c < expected.size(); ++c)
        if (std::memcmp(&expected[c], &actual[c], sizeof(osg::Vec3)) != 0)
            return ::testing::AssertionFailure() << "corner " << c << ": " << expected[c] << " vs " << actual[c];
    return ::testing::AssertionSuccess();
}

// A sphere whose second half of triangles uses copies of its vertices (an unwelded seam), dented
// unevenly by a morph that moves each copy with its original.
osg::ref_ptr<TarvFaceObject> dentedSphere()
{
    auto sphere = test::makeSphere("head", 1.0f, 10, 14);
    osg::Vec3Array& vertices = *sphere->vertices;
    const std::size_t original = vertices.size();
    for (std::size_t v = 0; v < original; ++v)
        vertices.push_back(vertices[v]);
    IndexList& corners = sphere->vertexIndices;
    for (std::size_t c = corners.size() / 2; c < corners.size(); ++c)
        corners[c] += static_cast<std::uint32_t>(original);
    IndexList indices;
    std::vector<osg::Vec3> offsets;
    for (std::uint32_t v = 0; v < original; v += 3)
        for (const std::uint32_t copy : {v, v + static_cast<std::uint32_t>(original)}) {
            indices.push_back(copy);
            offsets.push_back({0.1f * static_cast<float>(v % 7), -0.2f, 0.05f * static_cast<float>(v % 5)});
        }
    return test::makeFace({sphere}, {test::makeMorph("dent", {test::makeTarget("head", indices, offsets)})});
}

TEST(MorphedNormals, AreTheLibrarysSmoothingOfTheRestAndOfTheMorphedSurfaceAfterEachChange)
{
    const auto face = dentedSphere();
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const FaceRenderer& renderer = *node->renderers()[0];
    const FaceGeom& sphere = *face->geometries[0];
    const auto rest = librarySmoothing(sphere.vertexIndices, sphere.vertices->asVector());
    EXPECT_TRUE(sameBits(rest, *renderer.normals()));
    EXPECT_TRUE(sameBits(rest, renderer.frameCornerNormals()));

    for (const float weight : {0.6f, -1.3f}) {
        node->setMorphWeight(0, weight);
        const auto positions = renderer.morphedVertices();
        const std::vector<osg::Vec3> expected = librarySmoothing(sphere.vertexIndices, positions);
        EXPECT_TRUE(sameBits(expected, renderer.frameCornerNormals())) << weight;
        // The vertex-array path lays out the same normals per element.
        const FaceArrays arrays = renderer.prepareFrame();
        for (std::size_t k = 0; k < arrays.corners.size(); ++k)
            ASSERT_EQ(arrays.normals[arrays.corners[k]], expected[k]) << k;
        EXPECT_FALSE(sameBits(rest, renderer.frameCornerNormals()));
    }

    node->setMorphedNormals(false);
    EXPECT_TRUE(sameBits(rest, renderer.frameCornerNormals()));
    EXPECT_EQ(renderer.prepareFrame().normals, renderer.drawTable().normals.data());

    // Offsets and the rest pose change too; each change is smoothed once, not once per call.
    node->setMorphedNormals(true);
    const auto current = [&] { return librarySmoothing(sphere.vertexIndices, renderer.morphedVertices()); };
    const std::size_t computations = renderer.normalComputations();
    node->scaleMorph(0, 3.0f);
    EXPECT_TRUE(sameBits(current(), renderer.frameCornerNormals()));
    node->transformFace(osg::Matrixd::scale(1, 2, 3));
    EXPECT_TRUE(sameBits(current(), renderer.frameCornerNormals()));
    renderer.prepareFrame();
    renderer.frameCornerNormals();
    EXPECT_EQ(renderer.normalComputations(), computations + 2);
}

TEST(MorphedNormals, EachSideOfADoubleSidedCardKeepsItsOwnNormal)
{
    // Two triangles back to back on the same three vertices, beside an ordinary triangle.
    auto card = test::makeGeom("card", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}, {2, 1, 0}},
                               {0, 1, 2, 0, 2, 1, 3, 4, 5});
    const auto face = test::makeFace({card});
    face->morphs.push_back(test::makeMorph("tilt", {test::makeTarget("card", {1}, {{0, 0, 1}})}));
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const FaceRenderer& renderer = *node->renderers()[0];
    const osg::Vec3 front(0, 0, 1), back(0, 0, -1);
    EXPECT_EQ(renderer.normals()->asVector(), (std::vector<osg::Vec3>{front, front, front, back, back, back, front, front, front}));

    // Tilted, each side still gets its own triangle's normal, (∓1, 0, ±1) / √2.
    node->setMorphWeight(0, 1.0f);
    const osg::Vec3Array& tilted = renderer.frameCornerNormals();
    for (std::size_t c = 0; c < 6; ++c) {
        const float sign = c < 3 ? 1.0f : -1.0f;
        EXPECT_NEAR(tilted[c].x(), -sign * 0.70710678f, 1e-6f) << c;
        EXPECT_NEAR(tilted[c].z(), sign * 0.70710678f, 1e-6f) << c;
    }
    // Both sides are separate elements of the vertex arrays.
    EXPECT_EQ(renderer.drawTable().seamSources, (std::vector<std::uint32_t>{0, 2, 1}));
}

}  // namespace
}  // namespace mw
