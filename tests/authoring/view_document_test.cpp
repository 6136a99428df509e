// Loading faces into the view, and the scene operations on it, checked without a window.

#include <gtest/gtest.h>

#include "authoring/view_document.h"
#include "authoring/view_operations.h"
#include "tests/authoring/view_fixture.h"
#include "tests/interaction/synthetic_events.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

TEST_F(ViewFixture, LoadingInstallsTheFaceResetsTheViewAndReportsRepairs)
{
    loadTwoGeometries();
    showGeometrySelection(state, 0);
    state.editHandler->setScale(3.0f);
    state.modified = true;
    const osg::ref_ptr<TarvFaceObject> first = state.face;
    const osg::ref_ptr<TarvFaceRenderer> firstNode = state.faceNode;

    // A relative path still names the file after loading moves into the face's folder. Triangle
    // 2 names vertex 9 of a geometry with three vertices.
    std::filesystem::create_directory(dir / "other");
    auto far = test::makeFace(
        {test::makeGeom("skin", {{20, 20, 20}, {21, 20, 20}, {20, 21, 21}}, {0, 1, 2, 0, 1, 9})});
    const auto path = writeFace(*far, "other/face.tvf");
    std::filesystem::current_path(dir.path());
    ASSERT_TRUE(loadIntoView(state, "other/face.tvf", prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].find("face.tvf"), std::string::npos);
    EXPECT_NE(prompt.messages[0].find("out of range"), std::string::npos);
    EXPECT_EQ(state.face->geometries[0]->vertexIndices, (IndexList{0, 1, 2}));

    EXPECT_NE(state.face, first);
    ASSERT_TRUE(state.faceNode);
    EXPECT_TRUE(state.scene.headTransform->containsNode(state.faceNode.get()));
    EXPECT_FALSE(state.scene.headTransform->containsNode(firstNode.get()));
    EXPECT_EQ(state.fileName, std::filesystem::canonical(path));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(dir / "other"));
    EXPECT_FALSE(state.modified);
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_EQ(state.editHandler->scale, 1.0f);
    EXPECT_FALSE(state.scene.selectionBox->hasBox);
    // The camera frames the new face alone (the old selection is gone).
    test::expectVec(state.camera->center, state.faceNode->getBound().center());

    // A file cut short is loaded as far as it goes, and the repair message says so.
    const std::string whole = test::readBytes(path);
    test::writeBytes(dir / "cut.tvf", whole.substr(0, whole.rfind('}')));
    prompt.messages.clear();
    ASSERT_TRUE(loadIntoView(state, dir / "cut.tvf", prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].find("\n- the file ends early: the face may be incomplete"), std::string::npos);
    EXPECT_EQ(state.face->geometries[0]->vertexIndices, (IndexList{0, 1, 2}));
}

TEST_F(ViewFixture, ScaleDragMarksTheFaceModifiedButNotWhileLiningUpAComparison)
{
    turnRight(state);  // no face: nothing to turn
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    test::EventDriver drag(*state.editHandler);
    setEditMode(state, 2);
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    EXPECT_FALSE(state.modified);  // nor anything to save

    loadTwoGeometries();
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    EXPECT_TRUE(state.modified);
    EXPECT_GT(state.editHandler->scale, 1.0f);

    state.modified = false;
    state.comparisonRenderer = state.faceNode;  // a comparison is pending
    drag.press(0, 0);
    drag.drag(0, 0.2f);
    EXPECT_FALSE(state.modified);
    state.comparisonRenderer = nullptr;
}

}  // namespace
}  // namespace mw
