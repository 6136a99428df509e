// Loading faces into the view and closing them.

#include <gtest/gtest.h>

#include "authoring/view_document.h"
#include "authoring/view_operations.h"
#include "tests/authoring/view_fixture.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

TEST_F(ViewFixture, LoadingInstallsTheFaceAndResetsTransformsCameraAndSelection)
{
    loadTwoGeometries();
    showGeometrySelection(state, 0);
    state.editHandler->setScale(3.0f);
    state.modified = true;
    const osg::ref_ptr<TarvFaceObject> first = state.face;
    const osg::ref_ptr<TarvFaceRenderer> firstNode = state.faceNode;

    // A relative path still names the file after loading moves into the face's folder.
    std::filesystem::create_directory(dir / "other");
    auto far = test::makeFace({test::makeGeom("skin", {{20, 20, 20}, {21, 20, 20}, {20, 21, 21}}, {0, 1, 2})});
    const auto path = writeFace(*far, "other/face.tvf");
    std::filesystem::current_path(dir.path());
    ASSERT_TRUE(loadIntoView(state, "other/face.tvf", prompt));
    EXPECT_TRUE(prompt.messages.empty());

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
}

TEST_F(ViewFixture, AFileThatCannotBeLoadedLeavesThePreviousFaceAndSaysSoOnce)
{
    loadTwoGeometries();
    turnRight(state);
    const osg::ref_ptr<TarvFaceObject> face = state.face;
    const osg::ref_ptr<TarvFaceRenderer> node = state.faceNode;
    const std::filesystem::path fileName = state.fileName;
    const osg::Matrixd head = state.scene.headTransform->getMatrix();

    test::writeBytes(dir / "junk.nomodel", "this is no model of any kind\n");
    for (const std::filesystem::path& bad : {dir / "missing.tvf", dir / "junk.nomodel"}) {
        prompt.messages.clear();
        EXPECT_FALSE(loadIntoView(state, bad, prompt));
        ASSERT_EQ(prompt.messages.size(), 1u) << bad;
        EXPECT_EQ(prompt.messages[0], "Failed to load: " + bad.string());
        EXPECT_EQ(state.face, face);
        EXPECT_TRUE(state.scene.headTransform->containsNode(node.get()));
        EXPECT_EQ(state.fileName, fileName);
        EXPECT_TRUE(state.modified);
        EXPECT_EQ(state.scene.headTransform->getMatrix(), head);
    }

    prompt.messages.clear();
    EXPECT_FALSE(loadIntoView(state, "", prompt));
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(state.face, face);
}

TEST_F(ViewFixture, RepairsMadeWhileLoadingAreReported)
{
    // Triangle 2 names vertex 9 of a geometry with three vertices.
    auto broken = test::makeFace({test::makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 0, 1, 9})});
    ASSERT_TRUE(loadIntoView(state, writeFace(*broken, "broken.tvf"), prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].find("broken.tvf"), std::string::npos);
    EXPECT_NE(prompt.messages[0].find("out of range"), std::string::npos);
    EXPECT_EQ(state.face->geometries[0]->vertexIndices, (IndexList{0, 1, 2}));
}

}  // namespace
}  // namespace mw
