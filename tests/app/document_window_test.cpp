// Opening, saving and closing from the real window under Xvfb, with real files.

#include <atomic>
#include <stdexcept>
#include <thread>

#include <QCheckBox>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include "app/background_work.h"
#include "app/document_controller.h"
#include "app/open_face_dialog.h"
#include "app/command_table.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

namespace fs = std::filesystem;

class DocumentWindowTest : public EditorTest {
protected:
    DocumentController& documents() { return frame->documents(); }
};

TEST_F(DocumentWindowTest, ClosingWithUnsavedWorkOnlyGoesWhenNothingIsLost)
{
    fs::create_directory(dir / "sub");
    fs::copy_file(copySampleHead(), dir / "sub" / "head.tvf");
    ASSERT_TRUE(documents().openFile(QString::fromStdString((dir / "sub" / "head.tvf").string())));
    frame->runCommand(command::TurnUp);
    const fs::path file = doc().fileName;
    fs::current_path(dir.path());
    fs::remove_all(dir / "sub");  // the save will find no folder

    prompt.threeWayAnswers = {Answer::Yes, Answer::Cancel, Answer::No};
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->isModified());
    EXPECT_EQ(prompt.messages,
              std::vector<std::string>{"Could not save " + file.string() + "\nThe folder does not exist."});
    EXPECT_FALSE(frame->close());  // Cancel
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->isModified());
    EXPECT_EQ(prompt.questions.size(), 2u);
    EXPECT_TRUE(frame->close());  // No
    EXPECT_EQ(prompt.questions.size(), 3u);
}

TEST_F(DocumentWindowTest, DroppedAndRecentFilesOpenLikeOpenAndTheListOutlivesTheWindow)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(copySampleHead().string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &drop);
    ASSERT_TRUE(waitFor([this] { return hasFace(doc()); }));
    EXPECT_EQ(doc().fileName, fs::canonical(dir / "sample-head.tvf"));

    // Nine more files: the oldest drops out of the eight kept.
    for (int i = 0; i < 9; ++i) {
        const fs::path copy = dir / ("copy" + std::to_string(i) + ".tvf");
        fs::copy_file(dir / "sample-head.tvf", copy);
        ASSERT_TRUE(documents().openFile(QString::fromStdString(copy.string())));
    }
    const QStringList recent = documents().recentFiles().files();
    ASSERT_EQ(recent.size(), 8);
    EXPECT_EQ(recent.first().toStdString(), (dir / "copy8.tvf").string());
    EXPECT_EQ(recent.last().toStdString(), (dir / "copy1.tvf").string());

    // The next run has them; a vanished file is dropped with a message, another one opens.
    fs::remove(dir / "copy7.tvf");
    frame = std::make_unique<CMainFrame>(&prompt);
    frame->show();
    QMenu* recentMenu = documents().recentMenu();
    ASSERT_EQ(recentMenu->actions().size(), 8);
    recentMenu->actions()[1]->trigger();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].find("copy7.tvf no longer exists"), std::string::npos);
    EXPECT_EQ(documents().recentFiles().files().size(), 7);
    EXPECT_FALSE(hasFace(doc()));
    recentMenu->actions()[2]->trigger();  // copy5
    EXPECT_EQ(doc().fileName, fs::canonical(dir / "copy5.tvf"));
    EXPECT_EQ(documents().recentFiles().files().first().toStdString(), (dir / "copy5.tvf").string());
}

TEST_F(DocumentWindowTest, ImportMorphsWithNeckVerticesFromTheOpenDialogThenSave)
{
    ASSERT_TRUE(documents().openFile(QString::fromStdString(copySampleHead().string())));
    auto source = readFaceFile(dir / "sample-head.tvf");
    const std::size_t morphs = source->morphs.size();
    source->geometries[0]->clampIndices = {0, 1, 2};
    for (auto& morph : source->morphs)
        morph->name += "_copy";
    ASSERT_TRUE(writeFaceFile(dir / "source.tvf", *source));
    prompt.openFiles.push_back(dir / "source.tvf");

    ASSERT_TRUE(answerDialog<COpenFace>([&] { act(command::Open).trigger(); }, [](COpenFace& d) {
        withText<QRadioButton>(d, "Import Morphs")->setChecked(true);
        withText<QCheckBox>(d, "Import neck vertices")->setChecked(true);
        withText<QPushButton>(d, "OK")->click();
    }));
    EXPECT_TRUE(frame->isModified());
    ASSERT_TRUE(act(command::Save).isEnabled());
    act(command::Save).trigger();
    EXPECT_FALSE(act(command::Save).isEnabled());

    const auto saved = readFaceFile(dir / "sample-head.tvf");
    ASSERT_EQ(saved->morphs.size(), 2 * morphs);
    EXPECT_EQ(saved->morphs.back()->name, source->morphs.back()->name);
    EXPECT_EQ(saved->geometries[0]->clampIndices, (IndexList{0, 1, 2}));
}

TEST_F(DocumentWindowTest, BackgroundWorkRunsOffTheGuiThreadWhileTimersGoOn)
{
    QtBackgroundWork work(frame.get());
    std::atomic<bool> ticked{false};
    QTimer::singleShot(20, [&ticked] { ticked = true; });
    std::thread::id workerThread;
    work.run("Waiting", [&] {
        workerThread = std::this_thread::get_id();
        for (int i = 0; i < 500 && !ticked; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    EXPECT_TRUE(ticked);
    EXPECT_NE(workerThread, std::this_thread::get_id());
    EXPECT_FALSE(work.busy());
    EXPECT_THROW(work.run("Failing", [] { throw std::runtime_error("no"); }), std::runtime_error);
}

}  // namespace
}  // namespace mw::test
