// Creating morphs from a comparison face: loading it, the threshold, the messages, the
// highlight, and the whole road from two expressions on disk to a drawn morph.

#include <bit>

#include <osg/Material>
#include <osg/PolygonOffset>

#include <gtest/gtest.h>

#include "authoring/comparison_loading.h"
#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/morph_extraction.h"
#include "import/load_face.h"
#include "tests/authoring/view_fixture.h"

namespace mw {
namespace {

// Two geometries; the far corners of skin fix the bounding box, so a comparison face that
// moves only the inner vertices is fitted with the identity.
osg::ref_ptr<TarvFaceObject> anchoredFace()
{
    return test::makeFace(
        {test::makeGeom("skin", {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {10, 10, 0}, {-100, -100, -100}, {100, 100, 100}},
                        {0, 1, 2, 1, 3, 2}),
         test::makeGeom("eyes", {{1, 1, 1}, {2, 1, 1}, {1, 2, 1}}, {0, 1, 2})});
}

void moveVertex(TarvFaceObject& face, std::size_t geometry, std::size_t vertex, const osg::Vec3& by)
{
    (*face.geometries[geometry]->vertices)[vertex] += by;
}

class MorphExtractionTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        ASSERT_TRUE(loadIntoView(state, writeFace(*anchoredFace(), "base.tvf"), prompt));
    }

    const FaceTarget& addedTarget(std::size_t i) const { return *state.face->morphs.back()->targets[i]; }
};

TEST_F(MorphExtractionTest, IdenticalFacesGiveOneMorphWithAnEmptyTargetPerGeometry)
{
    installComparisonFace(state, anchoredFace(), prompt);
    ASSERT_TRUE(hasComparison(state));
    EXPECT_EQ(state.editHandler->targetTransform, state.comparisonTransform);
    EXPECT_FALSE(state.differenceHighlight);

    ASSERT_TRUE(generateMorphTarget(state, prompt));
    ASSERT_EQ(state.face->morphs.size(), 1u);
    const FaceMorph& morph = *state.face->morphs[0];
    EXPECT_EQ(morph.name, "morph");
    ASSERT_EQ(morph.targets.size(), 2u);
    EXPECT_EQ(morph.targets[0]->name, "skin");
    EXPECT_EQ(morph.targets[1]->name, "eyes");
    for (const auto& target : morph.targets) {
        EXPECT_TRUE(target->indices.empty());
        EXPECT_TRUE(target->offsets->empty());
        EXPECT_EQ(target->weight, 0.0f);
    }
    EXPECT_TRUE(state.modified);
    EXPECT_FALSE(hasComparison(state));
    EXPECT_EQ(state.editHandler->targetTransform, state.scene.headTransform);
    EXPECT_FALSE(generateMorphTarget(state, prompt));  // nothing to compare with any more
}

TEST_F(MorphExtractionTest, AVertexAtTheThresholdIsIncludedACloserOneIsNot)
{
    EXPECT_EQ(std::bit_cast<std::uint32_t>(state.morphThreshold), 0x3A83126Fu);  // 0.001f
    setMorphThreshold(state, 5.0f);
    auto other = anchoredFace();
    moveVertex(*other, 0, 0, {3, 4, 0});     // exactly 5 away
    moveVertex(*other, 0, 1, {3, 3.99f, 0});  // just under 5
    moveVertex(*other, 0, 2, {0, 0, 5});
    installComparisonFace(state, other, prompt);
    ASSERT_TRUE(generateMorphTarget(state, prompt));
    ASSERT_EQ(addedTarget(0).indices, (IndexList{0, 2}));
    EXPECT_EQ((*addedTarget(0).offsets)[0], osg::Vec3(3, 4, 0));
    EXPECT_EQ((*addedTarget(0).offsets)[1], osg::Vec3(0, 0, 5));
    EXPECT_TRUE(addedTarget(1).indices.empty());
    EXPECT_EQ(state.morphThreshold, 5.0f);  // kept for the next morph
}

TEST_F(MorphExtractionTest, AMovedComparisonFaceAddsItsMovementToEveryOffset)
{
    auto other = anchoredFace();
    moveVertex(*other, 0, 1, {0, 2, 0});
    installComparisonFace(state, other, prompt);
    state.editHandler->setTranslation(0.5f, 0, 0);  // the user lines it up in translate mode
    ASSERT_TRUE(generateMorphTarget(state, prompt));

    ASSERT_EQ(addedTarget(0).indices, (IndexList{0, 1, 2, 3, 4, 5}));
    for (std::size_t j = 0; j < 6; ++j)
        EXPECT_EQ((*addedTarget(0).offsets)[j], j == 1 ? osg::Vec3(0.5f, 2, 0) : osg::Vec3(0.5f, 0, 0)) << j;
    ASSERT_EQ(addedTarget(1).indices, (IndexList{0, 1, 2}));
    EXPECT_EQ((*addedTarget(1).offsets)[2], osg::Vec3(0.5f, 0, 0));
}

TEST_F(MorphExtractionTest, MismatchedFacesAreShownButGiveNoMorph)
{
    auto oneGeometry = test::makeFace({anchoredFace()->geometries[0]});
    installComparisonFace(state, oneGeometry, prompt);
    EXPECT_TRUE(hasComparison(state));
    EXPECT_FALSE(state.differenceHighlight);
    EXPECT_FALSE(generateMorphTarget(state, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0],
              "The two models have a different number of geometric components.\nCannot extract morph targets.");
    EXPECT_TRUE(hasComparison(state));
    EXPECT_TRUE(state.face->morphs.empty());
    EXPECT_FALSE(state.modified);

    auto moreVertices = anchoredFace();
    state.face->geometries[1]->vertices->push_back(osg::Vec3(1, 1, 2));  // the current face's eyes grow
    installComparisonFace(state, moreVertices, prompt);
    state.editHandler->setTranslation(0, 0, 1);
    EXPECT_FALSE(generateMorphTarget(state, prompt));
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[1],
              "Encountered geometric components with different number of vertices.\nCannot extract morph targets.");
    EXPECT_TRUE(hasComparison(state));
    EXPECT_TRUE(state.face->morphs.empty());
    // The comparison transform was baked before the counts were compared.
    EXPECT_TRUE(state.comparisonTransform->getMatrix().isIdentity());
    EXPECT_EQ((*state.comparisonFace->geometries[0]->vertices)[0], osg::Vec3(0, 0, 1));
}

TEST_F(ViewFixture, TheHighlightHoldsTheTrianglesAroundEachChangedVertex)
{
    // Triangle 3 is degenerate and touches vertex 1 twice: it still counts once for vertex 1.
    const std::vector<osg::Vec3> rest{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}};
    const IndexList triangles{0, 1, 2, 1, 3, 2, 2, 3, 4, 1, 1, 4};
    ASSERT_TRUE(loadIntoView(state, writeFace(*test::makeFace({test::makeGeom("skin", rest, triangles)}), "a.tvf"), prompt));
    auto other = test::makeFace({test::makeGeom("skin", rest, triangles)});
    moveVertex(*other, 0, 1, {0, 0, 0.5f});
    moveVertex(*other, 0, 3, {0, 0, 0.5f});
    installComparisonFace(state, other, prompt);

    ASSERT_TRUE(state.differenceHighlight);
    const osg::ref_ptr<osg::Geode> first = state.differenceHighlight;
    highlightDifference(state);
    EXPECT_NE(state.differenceHighlight, first);
    EXPECT_EQ(state.comparisonTransform->getNumChildren(), 2u);  // the comparison face and one highlight
    EXPECT_FALSE(state.comparisonTransform->containsNode(first.get()));

    const osg::Geometry* geometry = state.differenceHighlight->getDrawable(0)->asGeometry();
    ASSERT_TRUE(geometry);
    const auto& corners = *dynamic_cast<const osg::Vec3Array*>(geometry->getVertexArray());
    const osg::Vec3 a(0, 0, 0), b(1, 0, 0.5f), c(0, 1, 0), d(1, 1, 0.5f), e(0, 2, 0);
    const std::vector<osg::Vec3> expected{a, b, c, b, d, c, b, b, e,   // around vertex 1: triangles 0, 1, 3
                                          b, d, c, c, d, e};           // around vertex 3: triangles 1, 2
    EXPECT_EQ(corners.asVector(), expected);
    const auto* draw = dynamic_cast<const osg::DrawArrays*>(geometry->getPrimitiveSet(0));
    ASSERT_TRUE(draw);
    EXPECT_EQ(draw->getMode(), static_cast<GLenum>(GL_TRIANGLES));
    EXPECT_EQ(draw->getCount(), 15);

    // Red, and pulled further forward than the yellow comparison face.
    const auto offsetOf = [](osg::Node& node) {
        return dynamic_cast<osg::PolygonOffset*>(node.getStateSet()->getAttribute(osg::StateAttribute::POLYGONOFFSET))->getFactor();
    };
    EXPECT_EQ(offsetOf(*state.differenceHighlight), -2.0f);
    EXPECT_EQ(offsetOf(*state.comparisonRenderer), -1.0f);
    EXPECT_EQ(dynamic_cast<osg::Material*>(state.differenceHighlight->getStateSet()->getAttribute(osg::StateAttribute::MATERIAL))
                  ->getDiffuse(osg::Material::FRONT),
              osg::Vec4(1, 0, 0, 1));

    // Baking a movement of the comparison face carries the highlight along.
    state.editHandler->setTranslation(0, 0, 1);
    commitComparisonTransform(state);
    ASSERT_GT(corners.size(), 1u);
    EXPECT_EQ(corners[1], osg::Vec3(1, 0, 1.5f));
}

TEST_F(MorphExtractionTest, AComparisonFileThatCannotBeReadLeavesTheEarlierOneLoaded)
{
    ASSERT_TRUE(loadComparisonFace(state, writeFace(*anchoredFace(), "other.tvf"), prompt));
    const osg::ref_ptr<TarvFaceObject> loaded = state.comparisonFace;
    const auto missing = dir / "missing.tvf";
    EXPECT_FALSE(loadComparisonFace(state, missing, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], "Failed to load: " + missing.string());
    EXPECT_EQ(state.comparisonFace, loaded);
    EXPECT_EQ(state.editHandler->targetTransform, state.comparisonTransform);

    closeFace(state);
    EXPECT_FALSE(loadComparisonFace(state, dir / "other.tvf", prompt));
    EXPECT_FALSE(hasComparison(state));
}

// The road of a morph: two expressions of the shipped sample head, the morph created, saved,
// read back and drawn at full weight gives the second expression.
TEST_F(ViewFixture, AMorphCreatedFromTheSecondExpressionReproducesItAfterSaving)
{
    const auto examples = test::sourceDir() / "examples";
    const osg::ref_ptr<TarvFaceObject> smile = loadFace(examples / "sample-head-smile.tvf");
    ASSERT_TRUE(smile);
    ASSERT_TRUE(loadIntoView(state, examples / "sample-head.tvf", prompt));
    ASSERT_TRUE(loadComparisonFace(state, examples / "sample-head-smile.tvf", prompt));
    ASSERT_TRUE(state.differenceHighlight);
    ASSERT_TRUE(generateMorphTarget(state, prompt));
    EXPECT_TRUE(prompt.messages.empty());

    const auto saved = dir / "with-smile.tvf";
    commitHeadTransform(state);
    ASSERT_TRUE(writeFaceFile(saved, *state.face));
    const osg::ref_ptr<TarvFaceObject> reloaded = loadFace(saved);
    ASSERT_TRUE(reloaded);
    const int morph = static_cast<int>(reloaded->morphs.size()) - 1;
    ASSERT_GE(morph, 0);
    const osg::ref_ptr<TarvFaceRenderer> drawn = new TarvFaceRenderer(reloaded.get());
    drawn->setMorphWeight(morph, 1.0f);

    // Vertices that moved less than the threshold are not part of the morph.
    const float tolerance = kDefaultMorphThreshold + 1e-5f;
    std::size_t moved = 0;
    ASSERT_EQ(reloaded->geometries.size(), smile->geometries.size());
    for (std::size_t g = 0; g < smile->geometries.size(); ++g) {
        const auto positions = drawn->renderers()[g]->morphedVertices();
        const osg::Vec3Array& wanted = *smile->geometries[g]->vertices;
        const osg::Vec3Array& rest = *reloaded->geometries[g]->vertices;
        ASSERT_EQ(positions.size(), wanted.size());
        for (std::size_t j = 0; j < wanted.size(); ++j) {
            EXPECT_LT((positions[j] - wanted[j]).length(), tolerance) << "geometry " << g << " vertex " << j;
            moved += (rest[j] - wanted[j]).length() > 0.01f;
        }
    }
    EXPECT_GT(moved, 10u);  // the expressions really differ
}

}  // namespace
}  // namespace mw
