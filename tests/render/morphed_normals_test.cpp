// Normals that follow the morph, as the scene-graph library's smoother computes them.

#include <cstring>

#include <gtest/gtest.h>
#include <osg/Geometry>
#include <osg/io_utils>
#include <osgUtil/SmoothingVisitor>

#include "model/face_operations.h"
#include "render/tarv_face_renderer.h"
#include "tests/render/test_faces.h"
#include "tests/support/face_builders.h"

namespace mw {
namespace {

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
    auto face = test::makeFace({sphere});
    face->morphs.push_back(test::makeMorph("dent", {test::makeTarget("head", indices, offsets)}));
    return face;
}

TEST(MorphedNormals, AreTheLibrarysSmoothingOfTheRestAndOfTheMorphedSurface)
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

TEST(MorphedNormals, FollowEveryChangeOfWeightOffsetAndRestPose)
{
    const auto face = dentedSphere();
    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const FaceRenderer& renderer = *node->renderers()[0];
    const FaceGeom& sphere = *face->geometries[0];
    const auto current = [&] { return librarySmoothing(sphere.vertexIndices, renderer.morphedVertices()); };
    node->setMorphWeight(0, 0.5f);
    renderer.prepareFrame();
    node->setMorphWeight(0, 0.25f);
    EXPECT_TRUE(sameBits(current(), renderer.frameCornerNormals()));
    node->scaleMorph(0, 3.0f);
    EXPECT_TRUE(sameBits(current(), renderer.frameCornerNormals()));
    node->transformFace(osg::Matrixd::scale(1, 2, 3));
    EXPECT_TRUE(sameBits(current(), renderer.frameCornerNormals()));
    renderer.prepareFrame();
    renderer.frameCornerNormals();
    EXPECT_EQ(renderer.normalComputations(), 4u);  // once per change, not once per call
}

}  // namespace
}  // namespace mw
