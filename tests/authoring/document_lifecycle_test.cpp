// Opening, saving and closing with scripted answers; each workflow ends in a file read back.

#include <gtest/gtest.h>

#include "authoring/document_lifecycle.h"
#include "authoring/document_writing.h"
#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "import/embedded_images.h"
#include "import/load_face.h"
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
        EXPECT_FALSE(openFace(session, bad));
        const std::vector<std::string> said{"Failed to load: " + bad.string() + reason};
        EXPECT_EQ(prompt.messages, bad.empty() ? std::vector<std::string>{} : said);
        EXPECT_EQ(prompt.failures, prompt.messages);
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
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Failed to load: " + (dir / "missing.tvf").string() +
                                                        " (no such file)"});
    EXPECT_TRUE(doc.face->morphs.empty());
}

TEST_F(DocumentTest, MorphsAsObjFilesAreWrittenAsTheHeadStandsWithEmbeddedTexturesGivenAFile)
{
    osg::ref_ptr<TarvFaceObject> face = twoGeometries();
    face->morphs.push_back(test::makeMorph("smile", {test::makeTarget("skin", {1}, {{0, 1, 0}})}));
    load(*face, "head.tvf");
    const std::string png = "\x89PNG\r\n\x1a\nnot really an image";
    doc.face->geometries[0]->texture =
        storeEmbeddedImage({reinterpret_cast<const std::uint8_t*>(png.data()), png.size()}, "skin", "").string();
    turn();

    std::vector<fs::path> written;
    const DocumentWrite write = writeDocumentMorphs(doc, dir / "kit", &written);
    ASSERT_TRUE(write.written) << write.failure;
    EXPECT_EQ(written, (std::vector<fs::path>{dir / "kit" / "head.obj", dir / "kit" / "smile.obj"}));
    // The turn is baked in, as a save bakes it: (1 -2 -3) became (3 -2 1), and the morph moves it up.
    EXPECT_TRUE(doc.head.isIdentity());
    const osg::ref_ptr<TarvFaceObject> rest = loadFace(dir / "kit" / "head.obj"), smile = loadFace(written[1]);
    ASSERT_TRUE(rest && smile);
    test::expectVec((*rest->geometries[0]->vertices)[1], {3, -2, 1});
    test::expectVec((*smile->geometries[0]->vertices)[1], {3, -1, 1});
    // The image that came inside the face is a file in the folder now, named by the OBJ.
    const fs::path texture = doc.face->geometries[0]->texture;
    EXPECT_FALSE(isEmbeddedImage(texture));
    EXPECT_EQ(texture.parent_path(), dir / "kit");  // named absolutely: the face is not there
    EXPECT_EQ(test::readBytes(texture), png);
    EXPECT_NE(test::readBytes(dir / "kit" / "head.mtl").find("map_Kd head_skin.png"), std::string::npos);
}

}  // namespace
}  // namespace mw
