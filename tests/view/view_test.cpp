// The view of a document: loading, drags that edit the document, and a view that follows the
// document through edits, undo and redo, checked without a window.

#include <cstdlib>
#include <functional>
#include <tuple>

#include <gtest/gtest.h>

#include "authoring/comparison_loading.h"
#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "authoring/face_properties.h"
#include "authoring/morph_management.h"
#include "authoring/morph_import.h"
#include "authoring/neck_vertices.h"
#include "import/load_face.h"
#include "model/face_operations.h"
#include "render/offscreen_render.h"
#include "tests/interaction/synthetic_events.h"
#include "tests/support/vec_expect.h"
#include "tests/view/view_fixture.h"
#include "view/view_operations.h"

namespace mw {
namespace {

TEST_F(ViewFixture, LoadingShowsTheFaceResetsTheViewAndReportsRepairs)
{
    loadTwoGeometries();
    showGeometrySelection(view, 0);
    view.editHandler->setScale(3.0f);
    const osg::ref_ptr<TarvFaceObject> first = doc.face;
    const osg::ref_ptr<TarvFaceRenderer> firstNode = view.faceNode;

    // A relative path names the file from the working directory, which loading leaves alone.
    // Triangle 2 names vertex 9 of a geometry with three vertices.
    std::filesystem::create_directory(dir / "other");
    auto far = test::makeFace(
        {test::makeGeom("skin", {{20, 20, 20}, {21, 20, 20}, {20, 21, 21}}, {0, 1, 2, 0, 1, 9})});
    const auto path = writeFace(*far, "other/face.tvf");
    std::filesystem::current_path(dir.path());
    ASSERT_TRUE(loadIntoView(doc, "other/face.tvf", prompt));
    sync();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].find("face.tvf"), std::string::npos);
    EXPECT_NE(prompt.messages[0].find("out of range"), std::string::npos);
    EXPECT_EQ(doc.face->geometries[0]->vertexIndices, (IndexList{0, 1, 2}));

    EXPECT_NE(doc.face, first);
    ASSERT_TRUE(view.faceNode);
    EXPECT_TRUE(view.scene.headTransform->containsNode(view.faceNode.get()));
    EXPECT_FALSE(view.scene.headTransform->containsNode(firstNode.get()));
    EXPECT_EQ(doc.fileName, std::filesystem::canonical(path));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(dir.path()));
    EXPECT_FALSE(isModified(doc));
    EXPECT_TRUE(view.scene.headTransform->getMatrix().isIdentity());
    EXPECT_EQ(view.editHandler->scale, 1.0f);
    EXPECT_FALSE(view.scene.selectionBox->hasBox);
    // The camera frames the new face alone (the old selection is gone).
    test::expectVec(view.camera->center, view.faceNode->getBound().center());

    // A file cut short is loaded as far as it goes, and the repair message says so.
    const std::string whole = test::readBytes(path);
    test::writeBytes(dir / "cut.tvf", whole.substr(0, whole.rfind('}')));
    prompt.messages.clear();
    ASSERT_TRUE(loadIntoView(doc, dir / "cut.tvf", prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].find("\n- the file ends early: the face may be incomplete"), std::string::npos);
    EXPECT_EQ(doc.face->geometries[0]->vertexIndices, (IndexList{0, 1, 2}));
}

TEST_F(ViewFixture, ScaleDragsPlaceTheHeadAsOneStepButAComparisonWithoutOne)
{
    test::EventDriver drag(*view.editHandler);
    setEditMode(view, EditMode::Scale);
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    drag.release(0, 0.1f);
    EXPECT_FALSE(canUndo(doc));  // no face: nothing to save

    loadTwoGeometries();
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    drag.release(0, 0.1f);
    EXPECT_TRUE(isModified(doc));
    EXPECT_GT(doc.head.scale, 1.0f);
    EXPECT_EQ(doc.head.matrix(), view.scene.headTransform->getMatrix());

    installComparisonFace(doc, twoGeometries(), prompt);
    sync();
    const std::uint64_t at = doc.history.currentId;
    const float comparisonScale = doc.comparison.placement.scale;
    drag.press(0, 0);
    drag.drag(0, 0.2f);
    drag.release(0, 0.2f);
    EXPECT_EQ(doc.history.currentId, at);
    EXPECT_GT(doc.comparison.placement.scale, comparisonScale);
    EXPECT_EQ(view.comparisonTransform->getMatrix(), doc.comparison.placement.matrix());
}

TEST_F(ViewFixture, RestoringRedrawsTheFaceAndLeavesTheViewAroundIt)
{
    const auto sample = test::sourceDir() / "examples/sample-head.tvf";
    ASSERT_TRUE(loadIntoView(doc, sample, prompt));
    sync();
    const osg::ref_ptr<TarvFaceObject> other = loadFace(sample);
    setMorphValue(doc, 1, 0.5f);
    setGeometryVisible(view, 2, false);
    showGeometrySelection(view, 0);
    const IndexList neck = doc.face->geometries[0]->clampIndices;
    ASSERT_FALSE(neck.empty());
    const std::vector<std::function<void()>> steps = {
        [&] { turnRight(doc); },
        [&] { flipPolygonOrder(doc, 0); },
        [&] { setGeometryDiffuse(doc, 0, osg::Vec3(0.2f, 0.3f, 0.4f)); },
        [&] { renameFaceGeometry(doc, 1, "left_eye"); },
        [&] { importMorphs(doc, *other, false); },
        [&] { clearNeckVertices(doc, 0); },
    };
    for (const auto& operation : steps) {
        UndoStep step(doc, "step");
        operation();
        sync();
    }
    ASSERT_EQ(markerCount(), 0u);
    expectDrawnAsFace(view);
    const osg::Matrixd eye = view.camera->getMatrix();

    for (std::size_t i = 1; i < steps.size(); ++i) {
        ASSERT_TRUE(undo(doc));
        sync();
    }
    EXPECT_EQ(doc.face->geometries[0]->clampIndices, neck);
    EXPECT_EQ(view.scene.selectionBox->displayedIndex, 0);
    EXPECT_TRUE(view.scene.selectionBox->hasBox);
    EXPECT_EQ(markerCount(), neck.size());
    EXPECT_EQ(doc.face->morphs.size(), 3u);
    EXPECT_FLOAT_EQ(getMorphWeight(*doc.face, 1), 0.5f);
    EXPECT_FALSE(view.faceNode->renderers()[2]->visible());
    EXPECT_FALSE(view.scene.headTransform->getMatrix().isIdentity());
    expectDrawnAsFace(view);
    while (redo(doc)) {}
    sync();
    EXPECT_EQ(doc.face->morphs.size(), 6u);
    expectDrawnAsFace(view);
    EXPECT_EQ(view.camera->getMatrix(), eye);

    // The comparison bakes the turn into the face; it must stay as it is through undo and redo.
    ASSERT_TRUE(loadComparisonFace(doc, test::sourceDir() / "examples/sample-head-smile.tvf", prompt));
    sync();
    const osg::ref_ptr<TarvFaceRenderer> comparison = view.comparisonRenderer;
    const osg::Matrixd comparisonPlace = view.comparisonTransform->getMatrix();
    ASSERT_TRUE(view.differenceHighlight);
    const osg::ref_ptr<osg::Vec3Array> turned = new osg::Vec3Array(*doc.face->geometries[0]->vertices);
    while (undo(doc)) {}
    while (redo(doc)) {}
    sync();
    EXPECT_TRUE(view.scene.headTransform->getMatrix().isIdentity());
    EXPECT_EQ(view.comparisonRenderer, comparison);
    EXPECT_EQ(view.comparisonTransform->getMatrix(), comparisonPlace);
    EXPECT_EQ(doc.face->geometries[0]->vertices->asVector(), turned->asVector());
    expectDrawnAsFace(view);
}

// The highlight's display list must follow a baked comparison placement.
TEST_F(ViewFixture, TheHighlightIsDrawnWhereBakingTheComparisonMovedIt)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X display: the OpenGL pixel tests need one (./test runs them under Xvfb)";
    std::string error;
    const auto renderer = openOffscreenRenderer(32, 32, error);
    ASSERT_TRUE(renderer) << error;
    renderer->setCamera({osg::Matrixd::identity(), osg::Matrixd::ortho(-1, 1, -1, 1, -10, 10)});

    const std::vector<osg::Vec3> square{{-0.9f, -0.5f, 0}, {-0.1f, -0.5f, 0}, {-0.9f, 0.5f, 0}, {-0.1f, 0.5f, 0}};
    const IndexList triangles{0, 1, 2, 1, 3, 2};
    load(*test::makeFace({test::makeGeom("skin", square, triangles)}), "a.tvf");
    auto other = test::makeFace({test::makeGeom("skin", square, triangles)});
    (*other->geometries[0]->vertices)[0] += osg::Vec3(0, 0, 0.1f);
    installComparisonFace(doc, other, prompt);
    sync();
    ASSERT_TRUE(view.differenceHighlight);

    const auto redAt = [&](int x) {
        const osg::ref_ptr<osg::Image> image = renderer->capture();
        const unsigned char* p = image->data(x, 16);
        return p[0] > 150 && p[1] < 60 && p[2] < 60;
    };
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    scene->addChild(view.differenceHighlight.get());
    renderer->setScene(scene.get());
    ASSERT_TRUE(redAt(5));    // left half
    doc.comparison.placement.translation.set(1, 0, 0);
    commitComparisonTransform(doc);
    sync();
    scene->removeChildren(0, scene->getNumChildren());
    scene->addChild(view.differenceHighlight.get());
    EXPECT_TRUE(redAt(21));   // right half
    EXPECT_FALSE(redAt(5));
}

TEST_F(ViewFixture, MorphFromTheMixDrawsWhatTheMixDrew)
{
    auto face = twoGeometries();
    face->morphs.push_back(test::makeMorph("up", {test::makeTarget("skin", {0, 2, 2}, {{0, 1, 0}, {0, 0.5f, 0}, {0.1f, 0, 0}}),
                                            test::makeTarget("eyes", {1}, {{0, 0, 3}})}));
    face->morphs.push_back(test::makeMorph("side", {test::makeTarget("skin", {2, 3}, {{0.3f, 0, 0}, {0, 0, 0}})}));
    load(*face, "mix.tvf");
    sync();
    setMorphValue(doc, 0, 0.7f);
    setMorphValue(doc, 1, -0.4f);
    std::vector<std::vector<osg::Vec3>> drawn;
    for (const auto& renderer : view.faceNode->renderers()) {
        const auto positions = renderer->morphedVertices();
        drawn.emplace_back(positions.begin(), positions.end());
    }

    const auto index = addMorphFromMix(doc, "up");
    sync();
    ASSERT_EQ(index, 2u);
    const FaceMorph& mix = *doc.face->morphs[2];
    EXPECT_EQ(mix.name, "up.001");
    ASSERT_EQ(mix.targets.size(), 2u);
    EXPECT_EQ(mix.targets[0]->indices, (IndexList{0, 2}));  // vertex 3 does not move
    EXPECT_EQ(mix.targets[1]->indices, (IndexList{1}));
    EXPECT_EQ(getMorphWeight(*doc.face, 2), 0.0f);

    resetMorphWeights(*doc.face);
    setMorphValue(doc, 2, 1.0f);
    for (std::size_t g = 0; g < drawn.size(); ++g) {
        const auto positions = view.faceNode->renderers()[g]->morphedVertices();
        for (std::size_t v = 0; v < drawn[g].size(); ++v)
            test::expectVec(positions[v], drawn[g][v], 1e-6);
    }
}

TEST_F(ViewFixture, TextureAndColourEditsRebuildTheDrawingStateOfThatGeometryOnly)
{
    const std::filesystem::path examples = test::sourceDir() / "examples";
    const std::string image = (examples / "sample-head-eye.png").string();
    auto a = test::makeGeom("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    a->diffuse = {0.1f, 0.2f, 0.3f, 0.5f};
    doc.face = test::makeFace({a, test::makeGeom("b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})});
    sync();
    const TarvFaceRenderer* node = view.faceNode.get();
    const osg::StateSet* untouched = node->renderers()[1]->getStateSet();
    // An edit as the window runs it: the view follows at once.
    const auto edited = [&](bool changed) {
        sync();
        return changed;
    };
    auto material = [&](int i) {
        return dynamic_cast<const osg::Material*>(
            node->renderers()[static_cast<std::size_t>(i)]->getStateSet()->getAttribute(osg::StateAttribute::MATERIAL));
    };

    ASSERT_TRUE(edited(setGeometryDiffuse(doc, 0, {0.8f, 0.7f, 0.6f})));
    EXPECT_EQ(a->diffuse, osg::Vec4(0.8f, 0.7f, 0.6f, 0.5f));  // alpha kept
    EXPECT_EQ(material(0)->getDiffuse(osg::Material::FRONT), a->diffuse);
    EXPECT_FALSE(edited(setGeometryDiffuse(doc, 0, {0.8f, 0.7f, 0.6f})));

    // A removed texture leaves the drawing state; an unreadable one is kept as a name only.
    ASSERT_TRUE(edited(setGeometryTexture(doc, 0, image)));
    EXPECT_TRUE(geometryTextureShown(view, 0));
    EXPECT_EQ(material(0)->getDiffuse(osg::Material::FRONT), a->diffuse);
    ASSERT_TRUE(edited(setGeometryTexture(doc, 0, "")));
    EXPECT_FALSE(geometryTextureShown(view, 0));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(edited(setGeometryTexture(doc, 0, (examples / "missing.png").string())));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(geometryTextureShown(view, 0));

    EXPECT_EQ(node->renderers()[1]->getStateSet(), untouched);
    EXPECT_FALSE(edited(setGeometryDiffuse(doc, 2, {0, 0, 0})));
}

// Relative texture names mean files beside the face's own file, whatever was opened since.
TEST_F(ViewFixture, RelativeTexturesStayBesideTheFaceAfterAFailedOpenElsewhere)
{
    for (const char* folder : {"a", "b"})
        std::filesystem::create_directory(dir / folder);
    std::filesystem::copy_file(test::sourceDir() / "examples" / "sample-head-eye.png", dir / "a" / "skin.png");
    auto face = twoGeometries();
    face->geometries[0]->texture = "skin.png";
    ASSERT_TRUE(loadIntoView(doc, writeFace(*face, "a/head.tvf"), prompt));
    sync();
    ASSERT_TRUE(geometryTextureShown(view, 0));
    EXPECT_FALSE(loadIntoView(doc, dir / "b" / "missing.tvf", prompt));
    sync();
    // A colour edit and its undo each draw the geometry afresh from its texture name.
    {
        UndoStep step(doc, "Change Colour");
        ASSERT_TRUE(setGeometryDiffuse(doc, 0, {0.5f, 0.5f, 0.5f}));
    }
    sync();
    EXPECT_TRUE(geometryTextureShown(view, 0));
    ASSERT_TRUE(undo(doc));
    sync();
    EXPECT_TRUE(geometryTextureShown(view, 0));
}

// The camera maps scene x, y straight onto overlay units; the lasso is the square 100 … 200.
TEST_F(ViewFixture, KeepDiscardAndAddFollowTheLassoOnScreen)
{
    const auto face = test::makeFace(
        {test::makeGeom("skin", {{150, 150, 0}, {300, 150, 0}, {120, 180, 0}, {50, 50, 0}}, {0, 1, 2, 0, 2, 3})});
    load(*face, "lasso.tvf");
    sync();
    view.viewCamera->setViewMatrix(osg::Matrixd::identity());
    view.viewCamera->setProjectionMatrix(osg::Matrixd::ortho(0, 1280, 0, 1024, -1, 1));
    for (const auto& [x, y] : {std::pair{100.0f, 100.0f}, {200.0f, 100.0f}, {200.0f, 200.0f}, {100.0f, 200.0f}})
        view.lasso->addLassoPoint(x, y);
    view.lasso->closeLasso();
    setEditMode(view, EditMode::Vertex);
    showGeometrySelection(view, 0);
    IndexList& neck = doc.face->geometries[0]->clampIndices;

    // Vertices 0 and 2 lie in the square; one already listed is not listed twice.
    for (const auto& [before, edit, after] : {std::tuple{IndexList{3, 0, 1, 2}, NeckEdit::Keep, IndexList{0, 2}},
                                              {IndexList{3, 0, 1, 2}, NeckEdit::Discard, IndexList{3, 1}},
                                              {IndexList{0}, NeckEdit::Add, IndexList{0, 2}},
                                              {IndexList{1, 3}, NeckEdit::Keep, IndexList{}}}) {
        neck = before;
        editNeckVertices(view, edit);
        sync();
        EXPECT_EQ(neck, after);
        EXPECT_EQ(markerCount(), after.size());
    }

    // The head placement moves the vertices on screen: only vertex 3 lands in the square.
    doc.head.translation.set(100, 100, 0);
    sync();
    editNeckVertices(view, NeckEdit::Add);
    EXPECT_EQ(neck, (IndexList{3}));

    // Only in vertex mode, and only with a completed lasso.
    takeChanges(doc);
    setEditMode(view, EditMode::Scale);
    editNeckVertices(view, NeckEdit::Add);
    setEditMode(view, EditMode::Vertex);
    view.lasso->clearLasso();
    editNeckVertices(view, NeckEdit::Add);
    EXPECT_EQ(neck, (IndexList{3}));
    EXPECT_FALSE(doc.changes.any());
}

}  // namespace
}  // namespace mw
