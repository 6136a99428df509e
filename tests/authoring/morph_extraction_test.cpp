// Creating morphs from a comparison face, from loading it to a drawn morph.

#include <gtest/gtest.h>

#include "authoring/comparison_fit.h"
#include "authoring/comparison_loading.h"
#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/morph_batch.h"
#include "authoring/morph_extraction.h"
#include "import/load_face.h"
#include "model/face_file.h"
#include "model/face_operations.h"
#include "model/weld.h"
#include "tests/authoring/document_fixture.h"

namespace mw {
namespace {

// The far corners of skin fix the box, so moving inner vertices keeps the identity fit.
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

// The corners of the highlight's triangles, three by three.
std::vector<osg::Vec3> highlightCorners(const Document& doc) { return doc.comparison.highlight->asVector(); }

class MorphExtractionTest : public DocumentFixture {
protected:
    void SetUp() override { load(*anchoredFace(), "base.tvf"); }

    const FaceTarget& addedTarget(std::size_t i) const { return *doc.face->morphs.back()->targets[i]; }
};

TEST_F(MorphExtractionTest, IdenticalFacesGiveOneMorphWithAnEmptyTargetPerGeometry)
{
    installComparisonFace(doc, anchoredFace(), prompt);
    ASSERT_TRUE(hasComparison(doc));
    EXPECT_FALSE(doc.comparison.highlight);

    ASSERT_TRUE(generateMorphTarget(doc, prompt));
    ASSERT_EQ(doc.face->morphs.size(), 1u);
    const FaceMorph& morph = *doc.face->morphs[0];
    EXPECT_EQ(morph.name, "morph");
    ASSERT_EQ(morph.targets.size(), 2u);
    EXPECT_EQ(morph.targets[1]->name, "eyes");
    EXPECT_EQ(test::entryCount(morph), 0u);
    EXPECT_TRUE(doc.changes.has(document_change::kMorphList));
    EXPECT_FALSE(hasComparison(doc));
    EXPECT_FALSE(generateMorphTarget(doc, prompt));  // nothing to compare with any more

    // A second morph from the same comparison gets a name of its own, as a duplicate does.
    installComparisonFace(doc, anchoredFace(), prompt);
    ASSERT_TRUE(generateMorphTarget(doc, prompt));
    EXPECT_EQ(test::morphNames(*doc.face), (std::vector<std::string>{"morph", "morph.001"}));
}

TEST_F(MorphExtractionTest, AVertexAtTheThresholdIsIncludedACloserOneIsNot)
{
    setMorphThreshold(doc, 5.0f);
    auto other = anchoredFace();
    moveVertex(*other, 0, 0, {3, 4, 0});     // exactly 5 away
    moveVertex(*other, 0, 1, {3, 3.99f, 0});  // just under 5
    moveVertex(*other, 0, 2, {0, 0, 5});
    // The eyes' triangle lists differ in length: their vertices pair by index.
    other->geometries[1]->name = "skin";  // geometries pair by position, whatever their names
    other->geometries[1]->vertexIndices.insert(other->geometries[1]->vertexIndices.end(), {0, 2, 1});
    moveVertex(*other, 1, 2, {0, 0, 6});
    installComparisonFace(doc, other, prompt);
    ASSERT_TRUE(generateMorphTarget(doc, prompt));
    ASSERT_EQ(addedTarget(0).indices, (IndexList{0, 2}));
    EXPECT_EQ((*addedTarget(0).offsets)[0], osg::Vec3(3, 4, 0));
    EXPECT_EQ((*addedTarget(0).offsets)[1], osg::Vec3(0, 0, 5));
    EXPECT_EQ(addedTarget(1).indices, (IndexList{2}));
    EXPECT_EQ((*addedTarget(1).offsets)[0], osg::Vec3(0, 0, 6));
    EXPECT_EQ(doc.morphThreshold, 5.0f);  // kept for the next morph
}

TEST_F(MorphExtractionTest, MismatchedFacesAreShownButGiveNoMorph)
{
    auto oneGeometry = test::makeFace({anchoredFace()->geometries[0]});
    installComparisonFace(doc, oneGeometry, prompt);
    EXPECT_TRUE(hasComparison(doc));
    EXPECT_FALSE(doc.comparison.highlight);
    EXPECT_FALSE(generateMorphTarget(doc, prompt));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"The two models have a different number of geometric "
                                                        "components.\nCannot extract morph targets."});
    EXPECT_TRUE(hasComparison(doc));
    EXPECT_TRUE(doc.face->morphs.empty());
    EXPECT_FALSE(doc.changes.has(document_change::kMorphList));

    auto moreVertices = anchoredFace();
    // The current face's eyes grow by a vertex and a triangle: neither corners nor indices pair.
    doc.face->geometries[1]->vertices->push_back(osg::Vec3(1, 1, 2));
    doc.face->geometries[1]->vertexIndices.insert(doc.face->geometries[1]->vertexIndices.end(), {0, 2, 3});
    installComparisonFace(doc, moreVertices, prompt);
    doc.comparison.placement.translation.set(0, 0, 1);
    EXPECT_FALSE(generateMorphTarget(doc, prompt));
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[1], "Encountered geometric components with different number of vertices.\n"
                                  "Cannot extract morph targets.");
    EXPECT_TRUE(hasComparison(doc));
    EXPECT_TRUE(doc.face->morphs.empty());
    // The comparison transform was baked before the counts were compared.
    EXPECT_TRUE(doc.comparison.placement.isIdentity());
    EXPECT_EQ((*doc.comparison.face->geometries[0]->vertices)[0], osg::Vec3(0, 0, 1));
}

TEST_F(DocumentFixture, TheHighlightHoldsTheTrianglesAroundEachChangedVertexPairedByPosition)
{
    // Triangle 3 is degenerate and touches vertex 1 twice: it still counts once for vertex 1.
    const std::vector<osg::Vec3> rest{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 2, 0}};
    const IndexList triangles{0, 1, 2, 1, 3, 2, 2, 3, 4, 1, 1, 4};
    const auto eyes = [](const char* name, float z) {
        return test::makeGeom(name, {{5, 0, 0}, {6, 0, 0}, {5, 1, z}}, {0, 1, 2});
    };
    const auto base = test::makeFace({test::makeGeom("skin", rest, triangles), eyes("eyes", 0)});
    ASSERT_TRUE(loadIntoView(doc, writeFace(*base, "a.tvf"), prompt));
    const osg::Vec3 a(0, 0, 0), b(1, 0, 0.5f), c(0, 1, 0), d(1, 1, 0.5f), e(0, 2, 0);
    const std::vector<osg::Vec3> expected{a, b, c, b, d, c, b, b, e,  // around vertex 1: triangles 0, 1, 3
                                          b, d, c, c, d, e,           // around vertex 3: triangles 1, 2
                                          {5, 0, 0}, {6, 0, 0}, {5, 1, 1}};
    // Named as an OBJ import names them, and the second one also bears the first one's name.
    for (const char* secondName : {"geom_1", "skin"}) {
        SCOPED_TRACE(secondName);
        auto other = test::makeFace({test::makeGeom("geom_0", rest, triangles), eyes(secondName, 1)});
        moveVertex(*other, 0, 1, {0, 0, 0.5f});
        moveVertex(*other, 0, 3, {0, 0, 0.5f});
        installComparisonFace(doc, other, prompt);
        ASSERT_TRUE(doc.comparison.highlight);
        EXPECT_EQ(highlightCorners(doc), expected);
    }

    const osg::ref_ptr<osg::Vec3Array> first = doc.comparison.highlight;
    highlightDifference(doc);
    EXPECT_NE(doc.comparison.highlight, first);  // made anew
}

// An 11 x 11 sheet over -1 … 1 bulging in z; the "jaw" lies below y = -0.5.
osg::ref_ptr<FaceGeom> sheet(const std::string& name)
{
    const osg::ref_ptr<FaceGeom> geometry = gridGeom(name, 11, 11);
    for (osg::Vec3& v : *geometry->vertices) {
        v = v * 0.2f - osg::Vec3(1, 1, 0);
        v.z() = 1.0f - 0.3f * (v.x() * v.x() + v.y() * v.y());
    }
    return geometry;
}

osg::ref_ptr<TarvFaceObject> sheetFace() { return test::makeFace({sheet("skin")}); }

// Lowers every vertex below y = -0.5 by 0.23, the lowest point included; returns how many.
std::size_t lowerJaw(TarvFaceObject& face)
{
    std::size_t moved = 0;
    for (osg::Vec3& v : *face.geometries[0]->vertices)
        if (v.y() < -0.5f) {
            v.y() -= 0.23f;
            ++moved;
        }
    return moved;
}

TEST_F(DocumentFixture, FitComparisonFaceLinesUpAScaledExpressionSoOnlyTheJawMoves)
{
    ASSERT_TRUE(loadIntoView(doc, writeFace(*sheetFace(), "base.tvf"), prompt));
    auto jaw = sheetFace();
    const std::size_t moved = lowerJaw(*jaw);
    ASSERT_EQ(moved, 33u);
    for (osg::Vec3& v : *jaw->geometries[0]->vertices)
        v = v * 2.5f + osg::Vec3(1, -2, 3);
    installComparisonFace(doc, jaw, prompt);  // placed by width and lowest point: everything differs

    ASSERT_TRUE(fitComparisonFace(doc, prompt));
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_TRUE(generateMorphTarget(doc, prompt));
    const FaceTarget& target = *doc.face->morphs.back()->targets[0];
    EXPECT_EQ(target.indices.size(), moved);
    for (const osg::Vec3& offset : *target.offsets)
        EXPECT_LT((offset - osg::Vec3(0, -0.23f, 0)).length(), 1e-4f);

    EXPECT_FALSE(fitComparisonFace(doc, prompt));  // nothing to fit any more
    // Points that coincide fix nothing.
    const std::vector<osg::Vec3> same(5, osg::Vec3(1, 1, 1));
    EXPECT_FALSE(fitSimilarity(same, same));
}

TEST_F(DocumentFixture, ABatchAddsOneMorphPerFileOrNoneAndStopsWhenAsked)
{
    ASSERT_TRUE(loadIntoView(doc, writeFace(*sheetFace(), "base.tvf"), prompt));
    auto jaw = sheetFace();
    lowerJaw(*jaw);
    const auto jawFile = writeFace(*jaw, "jaw open.tvf");
    const auto sameFile = writeFace(*sheetFace(), "rest.tvf");
    const auto oddFile = writeFace(*test::makeFace({sheet("a"), sheet("b")}), "odd.tvf");

    // Nothing is added when one file fails.
    std::vector<std::filesystem::path> files{jawFile, sameFile, oddFile};
    MorphBatchResult result = createMorphsFromFiles(doc, files, ComparisonAlignment::Fit);
    EXPECT_EQ(result.status, MorphBatchResult::Status::Failed);
    EXPECT_EQ(result.error, oddFile.string() + ": " + std::string(kGeometryCountMismatch));
    EXPECT_TRUE(doc.face->morphs.empty());
    EXPECT_FALSE(doc.changes.has(document_change::kMorphList));

    files.pop_back();
    result = createMorphsFromFiles(doc, files, ComparisonAlignment::Seed);
    ASSERT_EQ(result.status, MorphBatchResult::Status::Done);
    ASSERT_EQ(doc.face->morphs.size(), 2u);
    EXPECT_EQ(doc.face->morphs[0]->name, "jaw_open");
    // Lifted by 0.23 onto the old lowest point: the jaw lands where it was, the other 88 vertices differ.
    EXPECT_EQ(test::entryCount(*doc.face->morphs[0]), 88u);

    std::size_t calls = 0;
    const auto stopAfterOne = [&](std::size_t done, std::size_t total, const MorphFromFile& step) {
        ++calls;
        EXPECT_EQ(total, 2u);
        EXPECT_EQ(step.file, files[done - 1]);
        return false;  // stopped after the first file: its morph is kept
    };
    result = createMorphsFromFiles(doc, files, ComparisonAlignment::Fit, stopAfterOne);
    EXPECT_EQ(result.status, MorphBatchResult::Status::Stopped);
    EXPECT_EQ(calls, 1u);
    ASSERT_EQ(doc.face->morphs.size(), 3u);
    EXPECT_EQ(test::entryCount(*doc.face->morphs[2]), 33u);  // fitted: only the jaw
    EXPECT_TRUE(doc.changes.has(document_change::kMorphList));
}

// A 4 x 4 OBJ sheet whose vertex 5 has a copy (16); in the expression the two drift 0.002 apart
// either way, more than the threshold, their mean stays (only vertex 10 moves).
std::string sheetObj(bool expression)
{
    std::string obj;
    for (int j = 0; j < 17; ++j) {
        const int v = j == 16 ? 5 : j;
        const float drift = !expression ? 0.0f : j == 5 ? 0.002f : j == 16 ? -0.002f : 0.0f;
        const float forward = expression && j == 10 ? 0.1f : 0.0f;
        obj += "v " + std::to_string(v % 4 + drift) + " " + std::to_string(v / 4) + " " + std::to_string(forward) + "\n";
        obj += "vt " + std::to_string((v % 4) / 3.0) + " " + std::to_string((v / 4) / 3.0) + "\n";
    }
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const auto corner = [&](int v) {
                const int used = v == 5 && column == 1 ? 16 : v;  // the quads right of vertex 5 use its copy
                return " " + std::to_string(used + 1) + "/" + std::to_string(used + 1);
            };
            const int a = row * 4 + column;
            obj += "f" + corner(a) + corner(a + 1) + corner(a + 5) + "\n";
            obj += "f" + corner(a) + corner(a + 5) + corner(a + 4) + "\n";
        }
    return obj;
}

TEST_F(DocumentFixture, ExpressionsWeldedApartInObjFilesBecomeMorphsThatReproduceThemCornerByCorner)
{
    // The neutral is welded (as a model file through a plugin would be); the expression keeps
    // the OBJ's own vertices, so its two copies of vertex 5 stay apart.
    test::writeBytes(dir / "neutral.obj", sheetObj(false));
    test::writeBytes(dir / "forward.obj", sheetObj(true));
    const osg::ref_ptr<TarvFaceObject> neutral = loadFace(dir / "neutral.obj");
    ASSERT_TRUE(neutral);
    weldFace(*neutral);
    ASSERT_TRUE(writeFaceFile(dir / "neutral.tvf", *neutral));
    const osg::ref_ptr<TarvFaceObject> expression = loadFace(dir / "forward.obj");
    ASSERT_TRUE(expression);
    ASSERT_TRUE(loadIntoView(doc, dir / "neutral.tvf", prompt));
    ASSERT_EQ(doc.face->geometries[0]->vertices->size() + 1, expression->geometries[0]->vertices->size());

    const std::vector<std::filesystem::path> files{dir / "forward.obj"};
    const MorphBatchResult result = createMorphsFromFiles(doc, files, ComparisonAlignment::Fit);
    ASSERT_EQ(result.status, MorphBatchResult::Status::Done) << result.error;
    EXPECT_EQ(result.morphs[0].spreadVertices, 1u);
    EXPECT_NEAR(result.morphs[0].largestSpread, 0.002f, 1e-5f);
    const FaceTarget& target = *doc.face->morphs.back()->targets[0];
    EXPECT_EQ(target.indices, (IndexList{10}));  // only the vertex that moved

    std::vector<osg::Vec3> drawn = doc.face->geometries[0]->vertices->asVector();
    for (std::size_t j = 0; j < target.indices.size(); ++j)
        drawn[target.indices[j]] += (*target.offsets)[j];
    const FaceGeom &base = *doc.face->geometries[0], &wanted = *expression->geometries[0];
    ASSERT_EQ(base.vertexIndices.size(), wanted.vertexIndices.size());
    for (std::size_t c = 0; c < base.vertexIndices.size(); ++c)
        EXPECT_LT((drawn[base.vertexIndices[c]] - (*wanted.vertices)[wanted.vertexIndices[c]]).length(), 0.005f) << c;
}

}  // namespace
}  // namespace mw
