// Opening, saving and closing with scripted answers; each workflow ends in a file read back.

#include <gtest/gtest.h>

#include "authoring/document_lifecycle.h"
#include "authoring/morph_extraction.h"
#include "authoring/view_operations.h"
#include "tests/authoring/view_fixture.h"
#include "tests/support/vec_expect.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

struct RecordingWork : BackgroundWork {
    void run(const std::string& activity, const std::function<void()>& work) override
    {
        activities.push_back(activity);
        work();
    }
    std::vector<std::string> activities;
};

struct RecordingPanes : DocumentPanes {
    bool modified() const override { return renamed; }
    void clearModified() override { renamed = false; }
    void setFaceNode(TarvFaceRenderer* node) override { shownNode = node; }
    void appendMorphs(int count) override { appended.push_back(count); }
    bool renamed = false;
    TarvFaceRenderer* shownNode = nullptr;
    std::vector<int> appended;
};

class DocumentTest : public ViewFixture {
protected:
    void openTwoGeometries() { ASSERT_TRUE(openFace(doc, writeFace(*twoGeometries(), "two.tvf"))); }
    static osg::ref_ptr<TarvFaceObject> reread(const fs::path& path)
    {
        auto face = readFaceFile(path);
        EXPECT_TRUE(face) << path;
        return face;
    }

    RecordingWork work;
    RecordingPanes panes;
    Document doc{state, prompt, work, panes};
};

TEST_F(DocumentTest, TurnRightThenSaveWritesTheTurnedFaceOffTheView)
{
    openTwoGeometries();
    EXPECT_EQ(panes.shownNode, state.faceNode.get());
    EXPECT_FALSE(isModified(doc));
    turnRight(state);
    panes.renamed = true;
    ASSERT_TRUE(saveCurrentFace(doc));
    EXPECT_FALSE(isModified(doc));
    EXPECT_FALSE(panes.renamed);
    EXPECT_EQ(work.activities, (std::vector<std::string>{"Loading " + (dir / "two.tvf").string(),
                                                         "Saving " + state.fileName.string()}));
    // Seen from above and turned clockwise, +x goes to +z: (1 -2 -3) becomes (3 -2 1).
    test::expectVec((*reread(dir / "two.tvf")->geometries[0]->vertices)[1], {3, -2, 1});
}

TEST_F(DocumentTest, AFaceFromAnotherFormatAsksForAFaceFileName)
{
    ASSERT_TRUE(openFace(doc, test::sourceDir() / "examples" / "sample-head.tvf"));
    state.fileName = dir / "head.TXT";  // as if it had been read from a legacy file
    state.modified = true;

    EXPECT_FALSE(saveCurrentFace(doc));  // the name is not given
    EXPECT_TRUE(isModified(doc));
    EXPECT_EQ(state.fileName, dir / "head.TXT");

    prompt.saveFiles.push_back(dir / "head.tvf");
    ASSERT_TRUE(saveCurrentFace(doc));
    EXPECT_EQ(state.fileName, dir / "head.tvf");
    EXPECT_TRUE(test::facesEqual(*reread(test::sourceDir() / "examples" / "sample-head.tvf"), *reread(dir / "head.tvf")));
    EXPECT_FALSE(fs::exists(dir / "head.TXT"));

    // Save As with a name of another extension asks once more and takes that answer.
    prompt.saveFiles = {dir / "copy.obj", dir / "copy.tvf"};
    EXPECT_TRUE(saveFaceAs(doc));
    EXPECT_EQ(state.fileName, dir / "copy.tvf");
    EXPECT_TRUE(fs::exists(dir / "copy.tvf"));
    EXPECT_FALSE(fs::exists(dir / "copy.obj"));
}

// Each answer to the question before another face is opened, with a save that works or fails
// (into a folder that is gone: that is said, and the face keeps its name and stays modified).
TEST_F(DocumentTest, TheModifiedQuestionNeverLosesWork)
{
    struct Case {
        Answer answer;
        bool saveFails;
        bool opens;
        bool saved;
    };
    for (const Case c : {Case{Answer::Yes, false, true, true}, Case{Answer::Yes, true, false, false},
                         Case{Answer::No, false, true, false}, Case{Answer::Cancel, false, false, false}}) {
        SCOPED_TRACE(static_cast<int>(c.answer) * 10 + c.saveFails);
        state.modified = false;
        openTwoGeometries();
        const fs::path other = writeFace(*test::makeFace({test::makeGeom("other", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})}),
                                         "other.tvf");
        const std::string before = test::readBytes(dir / "two.tvf");
        turnRight(state);
        const fs::path missing = dir / "gone" / "two.tvf";
        if (c.saveFails)
            state.fileName = missing;
        const fs::path name = state.fileName;
        const osg::ref_ptr<TarvFaceObject> face = state.face;
        prompt.questions.clear();
        prompt.threeWayAnswers = {c.answer};

        EXPECT_EQ(openFace(doc, other), c.opens);
        EXPECT_EQ(prompt.questions, std::vector<std::string>{std::string(kModifiedQuestion)});
        EXPECT_EQ(state.face != face, c.opens);
        EXPECT_EQ(state.modified, !c.opens);
        EXPECT_EQ(state.fileName, c.opens ? fs::canonical(other) : name);
        EXPECT_EQ(test::readBytes(dir / "two.tvf") != before, c.saved);
        const std::vector<std::string> failed{"Could not save " + missing.string() +
                                              "\nThe folder does not exist."};
        EXPECT_EQ(prompt.messages, c.saveFails ? failed : std::vector<std::string>{});
        prompt.messages.clear();
    }
}

TEST_F(DocumentTest, CancelsAndUnreadableFilesChangeNothing)
{
    openTwoGeometries();
    turnRight(state);
    const osg::ref_ptr<TarvFaceRenderer> node = state.faceNode;
    const fs::path fileName = state.fileName;
    const osg::Matrixd head = state.scene.headTransform->getMatrix();
    test::writeBytes(dir / "junk.tvf", "nothing to see");
    test::writeBytes(dir / "junk.nomodel", "this is no model of any kind\n");
    fs::create_directory(dir / "folder.tvf");
    // Each is said once, as a failure with its reason; an empty name (nothing chosen) says nothing.
    const std::pair<fs::path, std::string> refused[] = {{dir / "missing.tvf", " (no such file)"},
                                                        {dir / "junk.tvf", " (not a face file)"},
                                                        {dir / "junk.nomodel", " (not a face file)"},
                                                        {dir / "folder.tvf", " (is a folder)"},
                                                        {fs::path(), ""}};
    for (const auto& [bad, reason] : refused) {
        SCOPED_TRACE(bad.string());
        prompt.messages.clear();
        prompt.failures.clear();
        prompt.threeWayAnswers = {Answer::No};
        EXPECT_FALSE(openFace(doc, bad));
        const std::vector<std::string> said{"Failed to load: " + bad.string() + reason};
        EXPECT_EQ(prompt.messages, bad.empty() ? std::vector<std::string>{} : said);
        EXPECT_EQ(prompt.failures, prompt.messages);
        EXPECT_EQ(state.faceNode, node);
        EXPECT_TRUE(state.scene.headTransform->containsNode(node.get()));
        EXPECT_EQ(panes.shownNode, node.get());
        EXPECT_EQ(state.fileName, fileName);
        EXPECT_TRUE(state.modified);
        EXPECT_EQ(state.scene.headTransform->getMatrix(), head);
    }

    // Open File: Cancel at the question, then a cancelled file chooser.
    prompt.openFaceChoices = {OpenFaceChoice{}, OpenFaceChoice{}};
    prompt.threeWayAnswers = {Answer::Cancel, Answer::No};
    EXPECT_FALSE(openWithDialog(doc));
    EXPECT_FALSE(openWithDialog(doc));
    EXPECT_EQ(state.faceNode, node);
    EXPECT_TRUE(state.modified);
    EXPECT_TRUE(test::facesEqual(*twoGeometries(), *reread(dir / "two.tvf")));

    // Morphs from a file that cannot be read: it is said, nothing is added.
    prompt.messages.clear();
    prompt.openFiles.push_back(dir / "missing.tvf");
    EXPECT_FALSE(openChoice(doc, OpenFaceChoice{OpenFaceChoice::ImportMorphs, true}));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Failed to load: " + (dir / "missing.tvf").string() +
                                                        " (no such file)"});
    EXPECT_TRUE(panes.appended.empty());
    EXPECT_TRUE(state.face->morphs.empty());
}

}  // namespace
}  // namespace mw
