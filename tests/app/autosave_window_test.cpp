// Unsaved work through a real crash: an editor process changes the face through its commands,
// autosaves, and is killed with SIGKILL; a new editor asks, recovers the work under the user's
// file name and saves it there.

#include <signal.h>

#include <algorithm>

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include "app/autosave_controller.h"
#include "app/morph_bar.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"
#include "tests/support/face_builders.h"

namespace mw::test {
namespace {

namespace fs = std::filesystem;

constexpr char kEditedFace[] = "MIENWRIGHT_TEST_EDITED_FACE";
// The test binary keeps its windows' autosaves apart (app_test_main.cpp); the child's go here.
constexpr char kChildStateHome[] = "MIENWRIGHT_TEST_STATE_HOME";

bool holdsAutosave(const fs::path& folder)
{
    std::error_code error;
    return std::ranges::any_of(fs::directory_iterator(folder, error), [](auto& e) { return e.path().extension() == ".json"; });
}

// The child process of the crash test (it runs only when started by it): an editor whose user
// deletes the first morph and turns the head half round, and then loses the machine.
TEST(AutosaveCrash, DISABLED_EditorUntilKilled)
{
    const char* face = std::getenv(kEditedFace);
    if (!face || !QApplication::instance())
        GTEST_SKIP() << "started by AutosaveCrash.WorkOfAKilledEditorIsRecoveredAndSaved";
    qputenv("XDG_STATE_HOME", qgetenv(kChildStateHome));
    ScriptedPrompt prompt;
    CMainFrame frame(&prompt);
    frame.show();
    ASSERT_TRUE(frame.openFace(QString::fromLocal8Bit(face)));
    frame.morphBar().selectMorphItem(0);
    for (int id : {command::DeleteMorph, command::TurnRight, command::TurnRight})
        frame.runCommand(id);
    QTest::qWait(120'000);  // killed long before
}

TEST(AutosaveCrash, WorkOfAKilledEditorIsRecoveredAndSaved)
{
    if (!QApplication::instance())
        GTEST_SKIP() << "no X display";
    const fs::path startDirectory = fs::current_path();  // recovering moves to the face's folder
    TempDir dir;
    const fs::path examples = sourceDir() / "examples";
    for (const char* name : {"sample-head.tvf", "sample-head-skin.png", "sample-head-eye.png"})
        fs::copy_file(examples / name, dir / name);
    const fs::path userFile = dir / "sample-head.tvf";
    const fs::path folder = dir / "state" / "mienwright" / "autosave";

    QProcess editor;  // the editor about to crash
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : {std::pair{kChildStateHome, (dir / "state").string()},
                                      {"MIENWRIGHT_AUTOSAVE_SECONDS", "2"}, {kEditedFace, userFile.string()}})
        env.insert(QString::fromLatin1(name), QString::fromStdString(value));
    editor.setProcessEnvironment(env);
    editor.start(QCoreApplication::applicationFilePath(),
                 {"--gtest_also_run_disabled_tests", "--gtest_filter=AutosaveCrash.DISABLED_EditorUntilKilled"});
    ASSERT_TRUE(editor.waitForStarted());
    const bool autosaved = QTest::qWaitFor([&] { return holdsAutosave(folder); }, 60'000);
    ::kill(static_cast<pid_t>(editor.processId()), SIGKILL);
    editor.waitForFinished();
    ASSERT_TRUE(autosaved) << editor.readAllStandardOutput().toStdString() << editor.readAllStandardError().toStdString();
    EXPECT_EQ(editor.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(readBytes(userFile), readBytes(examples / "sample-head.tvf")) << "the user's file is untouched";

    // The next start, in the same state folder.
    const QByteArray ownState = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString((dir / "state").string()));
    ScriptedPrompt prompt;
    prompt.answers = {true};
    auto frame = std::make_unique<CMainFrame>(&prompt);
    qputenv("XDG_STATE_HOME", ownState);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    EXPECT_TRUE(frame->autosave().offerRecovery());
    EXPECT_EQ(prompt.questions, std::vector<std::string>{
                                    "Mienwright was not closed properly. Recover the unsaved changes to sample-head.tvf?"});
    EXPECT_TRUE(frame->document().fileName == userFile && frame->isModified());
    frame->runCommand(command::Save);
    EXPECT_FALSE(frame->isModified() || holdsAutosave(folder)) << "saving removes the autosave";

    // What was saved is the original with its first morph gone, turned half round about the
    // vertical: each vertex mirrored through one vertical axis, wherever that axis stands.
    const osg::ref_ptr<TarvFaceObject> before = readFaceFile(examples / "sample-head.tvf");
    const osg::ref_ptr<TarvFaceObject> saved = readFaceFile(userFile);
    ASSERT_TRUE(before && saved);
    const std::vector<std::string> morphs = morphNames(*before);
    EXPECT_EQ(morphNames(*saved), std::vector(morphs.begin() + 1, morphs.end()));
    ASSERT_EQ(saved->geometries.size(), before->geometries.size());
    const osg::Vec3 axis = ((*before->geometries[0]->vertices)[0] + (*saved->geometries[0]->vertices)[0]) * 0.5f;
    for (std::size_t g = 0; g < before->geometries.size(); ++g) {
        const auto& was = *before->geometries[g]->vertices;
        const auto& now = *saved->geometries[g]->vertices;
        ASSERT_EQ(now.size(), was.size());
        for (std::size_t i = 0; i < was.size(); ++i)
            ASSERT_LT((now[i] - osg::Vec3(2 * axis.x() - was[i].x(), was[i].y(), 2 * axis.z() - was[i].z())).length(), 1e-4)
                << g << ":" << i;
    }
    frame.reset();
    EXPECT_TRUE(fs::is_empty(folder)) << "a clean exit leaves nothing behind";
    fs::current_path(startDirectory);
}

}  // namespace
}  // namespace mw::test
