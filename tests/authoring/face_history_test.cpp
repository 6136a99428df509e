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
#include "authoring/view_operations.h"
#include "model/face_copy.h"
#include "import/load_face.h"
#include "tests/authoring/view_fixture.h"
#include "tests/interaction/synthetic_events.h"

namespace mw {
namespace {

// The panes' edits as the editor runs them: on the face's node, marking the face modified.
void marked(ViewState& s, bool changed) { s.modified = s.modified || changed; }

void drag(ViewState& state, EditMode mode, float toY)
{
    setEditMode(state, static_cast<int>(mode));
    test::EventDriver pointer(*state.editHandler);
    pointer.press(0.0f, 0.0f);
    for (int i = 1; i <= 5 && toY != 0.0f; ++i)
        pointer.drag(0.0f, toY * static_cast<float>(i) / 5.0f);
    pointer.release(0.0f, toY);
}

void lasso(ViewState& state, NeckEdit edit, int geometry)
{
    showGeometrySelection(state, geometry);
    setEditMode(state, static_cast<int>(EditMode::Vertex));
    state.lasso->clearLasso();
    for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {640.0f, 0.0f}, {640.0f, 1024.0f}, {0.0f, 1024.0f}})
        state.lasso->addLassoPoint(x, y);
    state.lasso->closeLasso();
    editNeckVertices(state, edit);
}

// The bytes Save would write now, without touching the view: the head placement applied to a copy.
std::string bytesNow(const ViewState& state)
{
    const osg::ref_ptr<TarvFaceObject> copy = copyFace(*state.face);
    const osg::Matrixd& head = state.scene.headTransform->getMatrix();
    if (!head.isIdentity()) {
        const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(copy.get());
        node->transformFace(head);
    }
    return formatFace(*copy);
}

class FaceHistoryTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        ASSERT_TRUE(loadIntoView(state, sample, prompt));
        // The screen spans scene x and y from -3 to 3, so the lasso's left half holds x < 0.
        state.viewCamera->setViewMatrix(osg::Matrixd::identity());
        state.viewCamera->setProjectionMatrix(osg::Matrixd::ortho(-3, 3, -3, 3, -100, 100));
    }

    // What Save writes: the head placement baked in.
    std::string savedBytes()
    {
        commitHeadTransform(state);
        const auto path = dir / "saved.tvf";
        EXPECT_TRUE(writeFaceFile(path, *state.face));
        return test::readBytes(path);
    }

    const std::filesystem::path examples = test::sourceDir() / "examples";
    const std::filesystem::path sample = examples / "sample-head.tvf";
};

// An editing operation with its choices (geometry, factor, colour …) drawn from `random`.
struct Operation {
    bool makesOwnStep;  // the drags and the comparison's morph, as in the editor
    std::function<void(ViewState&, std::mt19937&)> run;
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
    const auto morphs = [](const ViewState& s) { return static_cast<int>(s.face->morphs.size()); };
    const auto name = [](std::mt19937& r) { return "part" + std::to_string(r()); };
    const auto texture = [&](std::mt19937& r) { return pick(r, 2) ? "sample-head-eye.png" : ""; };
    const std::vector<Operation> operations = {
        {true, [&](ViewState& s, std::mt19937& r) { drag(s, EditMode::Translate, pick(r, 2) ? 0.3f : -0.2f); }},
        {true, [&](ViewState& s, std::mt19937& r) { drag(s, EditMode::Scale, pick(r, 2) ? 0.05f : -0.04f); }},
        {true, [&](ViewState& s, std::mt19937&) {
             ASSERT_TRUE(loadComparisonFace(s, examples / "sample-head-smile.tvf", prompt));
             UndoStep step(s, "Generate morph target");
             generateMorphTarget(s, prompt);
         }},
        {false, [&](ViewState& s, std::mt19937&) { turnRight(s); }},
        {false, [&](ViewState& s, std::mt19937&) { turnUp(s); }},
        {false, [&](ViewState& s, std::mt19937&) { autoScale(s, prompt); }},
        {false, [&](ViewState& s, std::mt19937& r) { flipPolygonOrder(s, pick(r, 3)); }},
        {false, [&](ViewState& s, std::mt19937& r) {
             prompt.answers = {true};
             computeNeckVertices(s, pick(r, 3), prompt);
         }},
        {false, [&](ViewState& s, std::mt19937& r) { lasso(s, static_cast<NeckEdit>(pick(r, 3)), pick(r, 3)); }},
        {false, [&](ViewState& s, std::mt19937& r) { clearNeckVertices(s, pick(r, 3)); }},
        {false, [&](ViewState& s, std::mt19937&) { importNeckVertices(s, *neckSource); }},
        {false, [&](ViewState& s, std::mt19937& r) { importMorphs(s, *morphSource, pick(r, 2) == 1); }},
        {false, [&](ViewState& s, std::mt19937& r) { scaleMorph(s, pick(r, morphs(s)), pick(r, 2) ? 2.0f : -0.5f); }},
        {false, [&](ViewState& s, std::mt19937& r) { marked(s, renameFaceGeometry(*s.faceNode, pick(r, 3), name(r))); }},
        {false, [&](ViewState& s, std::mt19937& r) { marked(s, renameFaceMorph(*s.faceNode, pick(r, morphs(s)), name(r))); }},
        {false, [&](ViewState& s, std::mt19937& r) { marked(s, setGeometryTexture(*s.faceNode, pick(r, 3), texture(r))); }},
        {false, [&](ViewState& s, std::mt19937& r) { marked(s, setGeometryDiffuse(*s.faceNode, pick(r, 3), colour(r))); }},
        {false, [&](ViewState& s, std::mt19937& r) { marked(s, setGeometrySpecular(*s.faceNode, pick(r, 3), colour(r))); }},
    };
    const auto perform = [&](ViewState& s, std::size_t operation, unsigned choices) {
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
        ASSERT_TRUE(loadIntoView(state, sample, prompt));
        std::mt19937 random(seed);
        std::vector<std::string> states{original};                 // along the history
        std::vector<std::pair<std::size_t, unsigned>> steps;       // leading to states[k + 1]
        std::size_t at = 0;
        for (int i = 0; i < 60; ++i) {
            const int action = pick(random, 8);
            if (action == 0) {
                ASSERT_EQ(undo(state), at > 0);
                at -= at > 0;
            } else if (action == 1) {
                ASSERT_EQ(redo(state), at + 1 < states.size());
                at += at + 1 < states.size();
            } else {
                const auto operation = static_cast<std::size_t>(pick(random, static_cast<int>(operations.size())));
                const unsigned choices = random();
                const std::uint64_t previous = state.history.currentId;
                perform(state, operation, choices);
                if (state.history.currentId == previous) {
                    ASSERT_EQ(bytesNow(state), states[at]) << "a dropped step changed the face";
                    continue;
                }
                states.resize(at + 1);
                steps.resize(at);
                states.push_back(bytesNow(state));
                steps.emplace_back(operation, choices);
                ++at;
                continue;
            }
            ASSERT_EQ(bytesNow(state), states[at]) << "after action " << i;
            EXPECT_EQ(state.modified, at != 0);
        }
        EXPECT_GE(states.size(), 20u);

        while (undo(state)) {}
        EXPECT_FALSE(state.modified);
        EXPECT_EQ(savedBytes(), original);
        while (redo(state)) {}
        EXPECT_TRUE(state.modified);
        EXPECT_EQ(savedBytes(), states.back());

        ASSERT_TRUE(loadIntoView(state, sample, prompt));  // a fresh head, an empty history
        for (std::size_t k = 0; k + 1 < states.size(); ++k)
            perform(state, steps[k].first, steps[k].second);
        EXPECT_EQ(bytesNow(state), states.back());
    }
}

// A step that changed nothing is dropped; the state last saved may lie anywhere in the history.
TEST_F(FaceHistoryTest, EmptyStepsAreDroppedAndTheSavedStateIsKnownAnywhere)
{
    const auto step = [&](std::string_view name, const std::function<void()>& operation) {
        UndoStep recorded(state, name);
        operation();
    };
    drag(state, EditMode::Translate, 0.0f);  // a click without a drag
    step("Flip Polygon Order", [&] {
        flipPolygonOrder(state, 0);
        flipPolygonOrder(state, 0);
    });
    EXPECT_FALSE(canUndo(state));
    EXPECT_FALSE(state.modified);

    drag(state, EditMode::Translate, 0.4f);
    EXPECT_EQ(undoName(state), kMoveHeadStep);
    ASSERT_TRUE(undo(state));
    step("Turn Right", [&] { turnRight(state); });
    EXPECT_FALSE(canRedo(state));  // a new step discards what was undone
    commitHeadTransform(state);    // saved here
    markSaved(state);
    state.modified = false;
    step("Scale Morph", [&] { scaleMorph(state, 0, 2.0f); });
    for (const bool modified : {false, true}) {
        ASSERT_TRUE(undo(state));
        EXPECT_EQ(state.modified, modified);
    }
    for (const bool modified : {false, true}) {
        ASSERT_TRUE(redo(state));
        EXPECT_EQ(state.modified, modified);
    }
}

TEST_F(FaceHistoryTest, RestoringRedrawsTheFaceAndLeavesTheViewAroundIt)
{
    const osg::ref_ptr<TarvFaceObject> other = loadFace(sample);
    state.faceNode->setMorphWeight(1, 0.5f);
    state.faceNode->setGeometryVisible(false, 2);
    showGeometrySelection(state, 0);
    const IndexList neck = state.face->geometries[0]->clampIndices;
    ASSERT_FALSE(neck.empty());
    const std::vector<std::function<void()>> steps = {
        [&] { turnRight(state); },
        [&] { flipPolygonOrder(state, 0); },
        [&] { marked(state, setGeometryDiffuse(*state.faceNode, 0, osg::Vec3(0.2f, 0.3f, 0.4f))); },
        [&] { marked(state, renameFaceGeometry(*state.faceNode, 1, "left_eye")); },
        [&] { importMorphs(state, *other, false); },
        [&] { clearNeckVertices(state, 0); },
    };
    for (const auto& operation : steps) {
        UndoStep step(state, "step");
        operation();
    }
    ASSERT_EQ(markerCount(), 0u);
    expectDrawnAsFace(state);
    const osg::Matrixd eye = state.camera->getMatrix();

    for (std::size_t i = 1; i < steps.size(); ++i)
        ASSERT_TRUE(undo(state));
    EXPECT_EQ(state.face->geometries[0]->clampIndices, neck);
    EXPECT_EQ(state.scene.selectionBox->displayedIndex, 0);
    EXPECT_TRUE(state.scene.selectionBox->hasBox);
    EXPECT_EQ(markerCount(), neck.size());
    EXPECT_EQ(state.face->morphs.size(), 3u);
    EXPECT_FLOAT_EQ(state.faceNode->getMorphWeight(1), 0.5f);
    EXPECT_FALSE(state.faceNode->renderers()[2]->visible());
    EXPECT_FALSE(state.scene.headTransform->getMatrix().isIdentity());
    expectDrawnAsFace(state);
    while (redo(state)) {}
    EXPECT_EQ(state.face->morphs.size(), 6u);
    expectDrawnAsFace(state);
    EXPECT_EQ(state.camera->getMatrix(), eye);

    // The comparison bakes the turn into the face; it must stay as it is through undo and redo.
    ASSERT_TRUE(loadComparisonFace(state, examples / "sample-head-smile.tvf", prompt));
    const osg::ref_ptr<TarvFaceRenderer> comparison = state.comparisonRenderer;
    const osg::Matrixd comparisonPlace = state.comparisonTransform->getMatrix();
    const osg::ref_ptr<osg::Vec3Array> turned = new osg::Vec3Array(*state.face->geometries[0]->vertices);
    while (undo(state)) {}
    while (redo(state)) {}
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_EQ(state.comparisonRenderer, comparison);
    EXPECT_EQ(state.comparisonTransform->getMatrix(), comparisonPlace);
    EXPECT_EQ(state.face->geometries[0]->vertices->asVector(), turned->asVector());
    expectDrawnAsFace(state);
}

TEST_F(FaceHistoryTest, UnchangedDataIsSharedAndTheOldestStepsGoOverTheLimit)
{
    std::vector<osg::Vec3> quadrupled = state.face->morphs[0]->targets[0]->offsets->asVector();
    for (osg::Vec3& offset : quadrupled)
        offset *= 4.0f;
    {
        UndoStep step(state, "Turn Right");
        turnRight(state);
    }
    const std::size_t oneCopy = historyBytes(state);
    EXPECT_GT(oneCopy, test::readBytes(sample).size() / 4);  // the face, stored once
    for (int i = 0; i < 10; ++i) {
        drag(state, EditMode::Scale, 0.1f);
        UndoStep step(state, "Turn Up");
        turnUp(state);
    }
    // Turns and drags store a few pointers each, no face data (one copy is ~50 KB).
    EXPECT_LT(historyBytes(state) - oneCopy, 20 * 2048u);

    for (const char* name : {"Scale Morph 1", "Scale Morph 2", "Scale Morph 3"}) {
        UndoStep step(state, name);
        scaleMorph(state, 0, 2.0f);
    }
    setHistoryLimit(state, 1);  // only the newest step stays
    EXPECT_EQ(undoName(state), "Scale Morph 3");
    ASSERT_TRUE(undo(state));
    EXPECT_FALSE(canUndo(state));
    EXPECT_EQ(state.face->morphs[0]->targets[0]->offsets->asVector(), quadrupled);
}

}  // namespace
}  // namespace mw
