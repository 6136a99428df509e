// The face node and its renderers without OpenGL.

#include <cmath>

#include <gtest/gtest.h>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include "render/tarv_face_renderer.h"
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

TEST(FaceNode, FramePositionsAddTheWeightedOffsetsOfAttachedTargets)
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

    node->resetMorphWeights();
    const auto drawn = r.morphedVertices();
    EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), rest.begin()));
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

TEST(FaceNode, BoundsAndIntersectionsUseTheRestPoseEvenWhenHidden)
{
    auto f = test::makeFace({makeGeom("skin", {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, {0, 1, 2})},
                  {makeMorph("far", {makeTarget("skin", {0, 1, 2}, {{0, 0, 5}, {0, 0, 5}, {0, 0, 5}})})});
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(f.get());
    node->setMorphWeight(0, 1.0f);
    node->setGeometryVisible(false, 0);
    node->setGeometryVisible(true, 5);  // out of range: ignored
    EXPECT_FALSE(node->renderers()[0]->visible());
    const osg::BoundingBox box = node->renderers()[0]->getBoundingBox();
    EXPECT_TRUE(box.corner(0) == osg::Vec3(-1, -1, 0) && box.corner(7) == osg::Vec3(1, 1, 0));
    EXPECT_TRUE(hitsAt(*node, 0, 0));
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

TEST(FaceNode, ClonesAreInertRenderers)
{
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(test::makeFace({strip("skin")}).get());
    const FaceRenderer& original = *node->renderers()[0];
    osg::ref_ptr<osg::Object> copy = original.clone(osg::CopyOp::DEEP_COPY_ALL);
    auto* renderer = dynamic_cast<FaceRenderer*>(copy.get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_TRUE(renderer->prepareFrame().corners.empty() && !renderer->getBoundingBox().valid());
    // Deep-copying the whole node through the scene graph's generic path must not crash.
    EXPECT_TRUE(osg::ref_ptr<osg::Object>(node->clone(osg::CopyOp::DEEP_COPY_ALL)));
}

}  // namespace
}  // namespace mw
