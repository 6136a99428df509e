#include <gtest/gtest.h>

#include <osg/observer_ptr>

#include "model/face.h"

namespace mw {
namespace {

TEST(FaceModel, NewObjectsHaveTheirInitialValues)
{
    osg::ref_ptr<FaceGeom> g = new FaceGeom;
    EXPECT_TRUE(g->name.empty());
    EXPECT_TRUE(g->texture.empty());
    EXPECT_EQ(g->diffuse, osg::Vec4(1, 1, 1, 1));
    EXPECT_EQ(g->specular, osg::Vec4(0, 0, 0, 1));
    ASSERT_TRUE(g->vertices.valid());
    ASSERT_TRUE(g->texcoords.valid());
    EXPECT_TRUE(g->vertices->empty());
    EXPECT_TRUE(g->texcoords->empty());
    EXPECT_TRUE(g->vertexIndices.empty() && g->texIndices.empty() && g->clampIndices.empty());

    osg::ref_ptr<FaceTarget> t = new FaceTarget;
    EXPECT_EQ(t->weight, 0.0f);
    ASSERT_TRUE(t->offsets.valid());
    EXPECT_TRUE(t->offsets->empty());

    // Each object gets arrays of its own.
    osg::ref_ptr<FaceGeom> other = new FaceGeom;
    EXPECT_NE(g->vertices.get(), other->vertices.get());
}

TEST(FaceModel, ListsOwnTheirChildren)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    osg::observer_ptr<FaceTarget> watch;
    {
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        osg::ref_ptr<FaceTarget> target = new FaceTarget;
        watch = target.get();
        morph->targets.push_back(target);
        face->morphs.push_back(morph);
    }
    EXPECT_TRUE(watch.valid());
    face->morphs.clear();  // removing the morph releases its targets at once
    EXPECT_FALSE(watch.valid());
}

}  // namespace
}  // namespace mw
