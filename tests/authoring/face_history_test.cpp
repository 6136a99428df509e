// Undo and redo of the sample head, checked against the bytes it saves to.

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "authoring/comparison_loading.h"
#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "authoring/face_properties.h"
#include "authoring/morph_extraction.h"
#include "authoring/morph_import.h"
#include "authoring/neck_vertices.h"
#include "model/face_copy.h"
#include "model/face_operations.h"
#include "import/load_face.h"
#include "tests/authoring/document_fixture.h"

namespace mw {
namespace {

// A head drag as the view records it: the placement moves inside one step (none when it did not move).
void drag(Document& doc, float scale, float moveY)
{
    UndoStep step(doc, "Move Head");
    doc.head.scale *= scale;
    doc.head.translation.y() += moveY;
}

// The lasso over the left half of the screen (scene x < 0, the camera looking down -z).
void lasso(Document& doc, NeckEdit edit, int geometry)
{
    const osg::Matrixd head = doc.head.matrix();
    const osg::Vec3Array& vertices = *doc.face->geometries[static_cast<std::size_t>(geometry)]->vertices;
    std::vector<bool> inside(vertices.size());
    for (std::size_t i = 0; i < vertices.size(); ++i)
        inside[i] = (vertices[i] * head).x() < 0.0f;
    editNeckVertices(doc, geometry, inside, edit);
}

// The bytes Save would write now, without touching the document: the head placement applied to a copy.
std::string bytesNow(const Document& doc)
{
    const osg::ref_ptr<TarvFaceObject> copy = copyFace(*doc.face);
    if (!doc.head.isIdentity())
        transformFace(*copy, doc.head.matrix());
    return formatFace(*copy);
}

class FaceHistoryTest : public DocumentFixture {
protected:
    void SetUp() override { ASSERT_TRUE(loadIntoView(doc, sample, prompt)); }

    // What Save writes: the head placement baked in.
    std::string savedBytes()
    {
        commitHeadTransform(doc);
        const auto path = dir / "saved.tvf";
        EXPECT_TRUE(writeFaceFile(path, *doc.face));
        return test::readBytes(path);
    }

    const std::filesystem::path examples = test::sourceDir() / "examples";
    const std::filesystem::path sample = examples / "sample-head.tvf";
};

// An editing operation with its choices (geometry, factor, colour …) drawn from `random`.
struct Operation {
    bool makesOwnStep;  // the drags and the comparison's morph, as in the editor
    std::function<void(Document&, std::mt19937&)> run;
};

// Every undo/redo gives that point's bytes; replaying the kept steps on a fresh head gives the same.
TEST_F(FaceHistoryTest, RandomEditsUndoAndRedoExactly)
{
    const std::string original = test::readBytes(sample);
    const osg::ref_ptr<TarvFaceObject> morphSource = loadFace(sample);
    const osg::ref_ptr<TarvFaceObject> neckSource = loadFace(sample);
    ASSERT_TRUE(morphSource && neckSource);
    for (const auto& geometry : neckSource->geometries)
        std::erase_if(geometry->clampIndices, [](std::uint32_t i) { return i % 3 == 0; });

    const auto pick = [](std::mt19937& random, int count) {
        return std::uniform_int_distribution<int>(0, count - 1)(random);
    };
    const auto colour = [&](std::mt19937& r) {
        return osg::Vec3(pick(r, 1000) / 999.0f, pick(r, 1000) / 999.0f, 0.5f);
    };
    const auto morphs = [](const Document& s) { return static_cast<int>(s.face->morphs.size()); };
    const auto name = [](std::mt19937& r) { return "part" + std::to_string(r()); };
    const auto texture = [&](std::mt19937& r) { return pick(r, 2) ? "sample-head-eye.png" : ""; };
    const std::vector<Operation> operations = {
        {true, [&](Document& s, std::mt19937& r) { drag(s, 1.0f, pick(r, 2) ? 0.3f : -0.2f); }},
        {true, [&](Document& s, std::mt19937& r) { drag(s, pick(r, 2) ? 1.05f : 0.96f, 0.0f); }},
        {true, [&](Document& s, std::mt19937&) {
             ASSERT_TRUE(loadComparisonFace(s, examples / "sample-head-smile.tvf", prompt));
             UndoStep step(s, "Generate morph target");
             generateMorphTarget(s, prompt);
         }},
        {false, [&](Document& s, std::mt19937&) { turnRight(s); }},
        {false, [&](Document& s, std::mt19937&) { turnUp(s); }},
        {false, [&](Document& s, std::mt19937&) { autoScale(s, prompt); }},
        {false, [&](Document& s, std::mt19937& r) { flipPolygonOrder(s, pick(r, 3)); }},
        {false, [&](Document& s, std::mt19937& r) {
             prompt.answers = {true};
             computeNeckVertices(s, pick(r, 3), prompt);
         }},
        {false, [&](Document& s, std::mt19937& r) { lasso(s, static_cast<NeckEdit>(pick(r, 3)), pick(r, 3)); }},
        {false, [&](Document& s, std::mt19937& r) { clearNeckVertices(s, pick(r, 3)); }},
        {false, [&](Document& s, std::mt19937&) { importNeckVertices(s, *neckSource); }},
        {false, [&](Document& s, std::mt19937& r) { importMorphs(s, *morphSource, pick(r, 2) == 1); }},
        {false, [&](Document& s, std::mt19937& r) { scaleMorph(s, pick(r, morphs(s)), pick(r, 2) ? 2.0f : -0.5f); }},
        {false, [&](Document& s, std::mt19937& r) { renameFaceGeometry(s, pick(r, 3), name(r)); }},
        {false, [&](Document& s, std::mt19937& r) { renameFaceMorph(s, pick(r, morphs(s)), name(r)); }},
        {false, [&](Document& s, std::mt19937& r) { setGeometryTexture(s, pick(r, 3), texture(r)); }},
        {false, [&](Document& s, std::mt19937& r) { setGeometryDiffuse(s, pick(r, 3), colour(r)); }},
        {false, [&](Document& s, std::mt19937& r) { setGeometrySpecular(s, pick(r, 3), colour(r)); }},
    };
    const auto perform = [&](Document& s, std::size_t operation, unsigned choices) {
        std::mt19937 random(choices);
        if (operations[operation].makesOwnStep) {
            operations[operation].run(s, random);
        } else {
            UndoStep step(s, "operation " + std::to_string(operation));
            operations[operation].run(s, random);
        }
    };

    for (const unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ASSERT_TRUE(loadIntoView(doc, sample, prompt));
        std::mt19937 random(seed);
        std::vector<std::string> states{original};                 // along the history
        std::vector<std::pair<std::size_t, unsigned>> steps;       // leading to states[k + 1]
        std::size_t at = 0;
        for (int i = 0; i < 60; ++i) {
            const int action = pick(random, 8);
            if (action == 0) {
                ASSERT_EQ(undo(doc), at > 0);
                at -= at > 0;
            } else if (action == 1) {
                ASSERT_EQ(redo(doc), at + 1 < states.size());
                at += at + 1 < states.size();
            } else {
                const auto operation = static_cast<std::size_t>(pick(random, static_cast<int>(operations.size())));
                const unsigned choices = random();
                const std::uint64_t previous = doc.history.currentId;
                perform(doc, operation, choices);
                if (doc.history.currentId == previous) {
                    ASSERT_EQ(bytesNow(doc), states[at]) << "a dropped step changed the face";
                    continue;
                }
                states.resize(at + 1);
                steps.resize(at);
                states.push_back(bytesNow(doc));
                steps.emplace_back(operation, choices);
                ++at;
                continue;
            }
            ASSERT_EQ(bytesNow(doc), states[at]) << "after action " << i;
            EXPECT_EQ(isModified(doc), at != 0);
        }
        EXPECT_GE(states.size(), 20u);

        while (undo(doc)) {}
        EXPECT_FALSE(isModified(doc));
        EXPECT_EQ(savedBytes(), original);
        while (redo(doc)) {}
        EXPECT_TRUE(isModified(doc));
        EXPECT_EQ(savedBytes(), states.back());

        ASSERT_TRUE(loadIntoView(doc, sample, prompt));  // a fresh head, an empty history
        for (std::size_t k = 0; k + 1 < states.size(); ++k)
            perform(doc, steps[k].first, steps[k].second);
        EXPECT_EQ(bytesNow(doc), states.back());
    }
}

// A step that changed nothing is dropped; the state last saved may lie anywhere in the history.
TEST_F(FaceHistoryTest, EmptyStepsAreDroppedAndTheSavedStateIsKnownAnywhere)
{
    const auto step = [&](std::string_view name, const std::function<void()>& operation) {
        UndoStep recorded(doc, name);
        operation();
    };
    drag(doc, 1.0f, 0.0f);  // a click without a drag
    step("Flip Polygon Order", [&] {
        flipPolygonOrder(doc, 0);
        flipPolygonOrder(doc, 0);
    });
    EXPECT_FALSE(canUndo(doc));
    EXPECT_FALSE(isModified(doc));

    drag(doc, 1.0f, 0.4f);
    EXPECT_EQ(undoName(doc), "Move Head");
    ASSERT_TRUE(undo(doc));
    step("Turn Right", [&] { turnRight(doc); });
    EXPECT_FALSE(canRedo(doc));  // a new step discards what was undone
    commitHeadTransform(doc);    // saved here
    markSaved(doc);
    step("Scale Morph", [&] { scaleMorph(doc, 0, 2.0f); });
    for (const bool modified : {false, true}) {
        ASSERT_TRUE(undo(doc));
        EXPECT_EQ(isModified(doc), modified);
    }
    for (const bool modified : {false, true}) {
        ASSERT_TRUE(redo(doc));
        EXPECT_EQ(isModified(doc), modified);
    }
}

TEST_F(FaceHistoryTest, UnchangedDataIsSharedAndTheOldestStepsGoOverTheLimit)
{
    std::vector<osg::Vec3> quadrupled = doc.face->morphs[0]->targets[0]->offsets->asVector();
    for (osg::Vec3& offset : quadrupled)
        offset *= 4.0f;
    {
        UndoStep step(doc, "Turn Right");
        turnRight(doc);
    }
    const std::size_t oneCopy = historyBytes(doc);
    EXPECT_GT(oneCopy, test::readBytes(sample).size() / 4);  // the face, stored once
    for (int i = 0; i < 10; ++i) {
        drag(doc, 1.1f, 0.0f);
        UndoStep step(doc, "Turn Up");
        turnUp(doc);
    }
    // Turns and drags store a few pointers each, no face data (one copy is ~50 KB).
    EXPECT_LT(historyBytes(doc) - oneCopy, 20 * 2048u);

    for (const char* name : {"Scale Morph 1", "Scale Morph 2", "Scale Morph 3"}) {
        UndoStep step(doc, name);
        scaleMorph(doc, 0, 2.0f);
    }
    setHistoryLimit(doc, 1);  // only the newest step stays
    EXPECT_EQ(undoName(doc), "Scale Morph 3");
    ASSERT_TRUE(undo(doc));
    EXPECT_FALSE(canUndo(doc));
    EXPECT_EQ(doc.face->morphs[0]->targets[0]->offsets->asVector(), quadrupled);
}

}  // namespace
}  // namespace mw
