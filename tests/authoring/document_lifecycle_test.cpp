// Opening, saving and closing with scripted answers; each workflow ends in a file read back.

#include <gtest/gtest.h>

#include "authoring/document_lifecycle.h"
#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "tests/authoring/document_fixture.h"
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

class DocumentTest : public DocumentFixture {
protected:
    void openTwoGeometries() { ASSERT_TRUE(openFace(session, writeFace(*twoGeometries(), "two.tvf"))); }
    // A change that makes the face differ from its file.
    void turn()
    {
        UndoStep step(doc, "Turn Right");
        turnRight(doc);
    }
    static osg::ref_ptr<TarvFaceObject> reread(const fs::path& path)
    {
        auto face = readFaceFile(path);
        EXPECT_TRUE(face) << path;
        return face;
    }

    RecordingWork work;
    DocumentSession session{doc, prompt, work};
};

TEST_F(DocumentTest, TurnRightThenSaveWritesTheTurnedFaceOffTheView)
{
    openTwoGeometries();
    EXPECT_TRUE(doc.changes.has(document_change::kOpened));
    EXPECT_FALSE(isModified(doc));
    turn();
    EXPECT_TRUE(isModified(doc));
    ASSERT_TRUE(saveCurrentFace(session));
    EXPECT_FALSE(isModified(doc));
    EXPECT_EQ(work.activities, (std::vector<std::string>{"Loading " + (dir / "two.tvf").string(),
                                                         "Saving " + doc.fileName.string()}));
    // Seen from above and turned clockwise, +x goes to +z: (1 -2 -3) becomes (3 -2 1).
    test::expectVec((*reread(dir / "two.tvf")->geometries[0]->vertices)[1], {3, -2, 1});
}

TEST_F(DocumentTest, AFaceFromAnotherFormatAsksForAFaceFileName)
{
    ASSERT_TRUE(openFace(session, test::sourceDir() / "examples" / "sample-head.tvf"));
    doc.fileName = dir / "head.TXT";  // as if it had been read from a legacy file
    // Modified, yet the same data as the file: a rename and its reversal are two steps.
    const std::string name = doc.face->morphs[0]->name;
    for (const std::string& to : {std::string("renamed"), name}) {
        UndoStep step(doc, "Rename Morph");
        doc.face->morphs[0]->name = to;
    }

    EXPECT_FALSE(saveCurrentFace(session));  // the name is not given
    EXPECT_TRUE(isModified(doc));
    EXPECT_EQ(doc.fileName, dir / "head.TXT");

    prompt.saveFiles.push_back(dir / "head.tvf");
    ASSERT_TRUE(saveCurrentFace(session));
    EXPECT_EQ(doc.fileName, dir / "head.tvf");
    EXPECT_TRUE(test::facesEqual(*reread(test::sourceDir() / "examples" / "sample-head.tvf"), *reread(dir / "head.tvf")));
    EXPECT_FALSE(fs::exists(dir / "head.TXT"));

    // Save As with a name of another extension asks once more and takes that answer.
    prompt.saveFiles = {dir / "copy.obj", dir / "copy.tvf"};
    EXPECT_TRUE(saveFaceAs(session));
    EXPECT_EQ(doc.fileName, dir / "copy.tvf");
    EXPECT_TRUE(fs::exists(dir / "copy.tvf"));
    EXPECT_FALSE(fs::exists(dir / "copy.obj"));

    // The answer to that is not tested again: a bare name gets the dialog's extension, one the
    // program does not write is refused with the formats it writes.
    prompt.saveFiles = {dir / "bare.obj", dir / "bare"};
    EXPECT_TRUE(saveFaceAs(session));
    EXPECT_EQ(doc.fileName, dir / "bare.tvf");
    EXPECT_TRUE(reread(dir / "bare.tvf"));
    prompt.messages.clear();
    prompt.saveFiles = {dir / "copy.obj", dir / "copy.png"};
    EXPECT_FALSE(saveFaceAs(session));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Could not save " + (dir / "copy.png").string() +
                                                        "\nMienwright writes .tvf, .glb, .gltf and .obj files"});
    EXPECT_FALSE(fs::exists(dir / "copy.png"));
    EXPECT_EQ(doc.fileName, dir / "bare.tvf");
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
        markSaved(doc);  // whatever the last case left is not asked about
        openTwoGeometries();
        const fs::path other = writeFace(*test::makeFace({test::makeGeom("other", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})}),
                                         "other.tvf");
        const std::string before = test::readBytes(dir / "two.tvf");
        turn();
        const fs::path missing = dir / "gone" / "two.tvf";
        if (c.saveFails)
            doc.fileName = missing;
        const fs::path name = doc.fileName;
        const osg::ref_ptr<TarvFaceObject> face = doc.face;
        prompt.questions.clear();
        prompt.threeWayAnswers = {c.answer};

        EXPECT_EQ(openFace(session, other), c.opens);
        EXPECT_EQ(prompt.questions, std::vector<std::string>{std::string(kModifiedQuestion)});
        EXPECT_EQ(doc.face != face, c.opens);
        EXPECT_EQ(isModified(doc), !c.opens);
        EXPECT_EQ(doc.fileName, c.opens ? fs::canonical(other) : name);
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
    turn();
    const osg::ref_ptr<TarvFaceObject> face = doc.face;
    const fs::path fileName = doc.fileName;
    const osg::Matrixd head = doc.head.matrix();
    test::writeBytes(dir / "junk.tvf", "nothing to see");
    test::writeBytes(dir / "junk.nomodel", "this is no model of any kind\n");
    // Each is said once; an empty name (nothing chosen) says nothing.
    for (const fs::path& bad : {dir / "missing.tvf", dir / "junk.tvf", dir / "junk.nomodel", fs::path()}) {
        SCOPED_TRACE(bad.string());
        prompt.messages.clear();
        prompt.threeWayAnswers = {Answer::No};
        EXPECT_FALSE(openFace(session, bad));
        const std::vector<std::string> said{"Failed to load: " + bad.string()};
        EXPECT_EQ(prompt.messages, bad.empty() ? std::vector<std::string>{} : said);
        EXPECT_EQ(doc.face, face);
        EXPECT_EQ(doc.fileName, fileName);
        EXPECT_TRUE(isModified(doc));
        EXPECT_EQ(doc.head.matrix(), head);
    }

    // Open File: Cancel at the question, then a cancelled file chooser.
    prompt.openFaceChoices = {OpenFaceChoice{}, OpenFaceChoice{}};
    prompt.threeWayAnswers = {Answer::Cancel, Answer::No};
    EXPECT_FALSE(openWithDialog(session));
    EXPECT_FALSE(openWithDialog(session));
    EXPECT_EQ(doc.face, face);
    EXPECT_TRUE(isModified(doc));
    EXPECT_TRUE(test::facesEqual(*twoGeometries(), *reread(dir / "two.tvf")));

    // Morphs from a file that cannot be read: it is said, nothing is added.
    prompt.messages.clear();
    prompt.openFiles.push_back(dir / "missing.tvf");
    EXPECT_FALSE(openChoice(session, OpenFaceChoice{OpenFaceChoice::ImportMorphs, true}));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Failed to load: " + (dir / "missing.tvf").string()});
    EXPECT_TRUE(doc.face->morphs.empty());
}

}  // namespace
}  // namespace mw
