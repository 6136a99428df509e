// Opening, saving and closing from the real window under Xvfb, with real files.

#include <atomic>
#include <stdexcept>
#include <thread>

#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include "app/document_controller.h"
#include "authoring/view_operations.h"
#include "model/face_file.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

namespace fs = std::filesystem;

class DocumentWindowTest : public EditorTest, public DocumentHost {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        if (!frame)
            return;
        documents = std::make_unique<DocumentController>(*this, settings());
        documents->watch(frame.get());
        for (const char* name : {"sample-head.tvf", "sample-head-skin.png", "sample-head-eye.png"})
            fs::copy_file(sourceDir() / "examples" / name, dir / name);
    }
    void TearDown() override
    {
        documents.reset();
        EditorTest::TearDown();
    }

    QWidget* documentWindow() override { return frame.get(); }
    ViewState& viewState() override { return state(); }
    Prompt& documentPrompt() override { return prompt; }
    DocumentPanes& documentPanes() override { return panes; }
    void refreshView(bool render) override { frame->refreshView(render); }

    std::unique_ptr<QSettings> settings() const
    {
        return std::make_unique<QSettings>(QString::fromStdString((dir / "settings.ini").string()), QSettings::IniFormat);
    }
    QString head() const { return QString::fromStdString((dir / "sample-head.tvf").string()); }

    DocumentPanes panes;
    std::unique_ptr<DocumentController> documents;
};

TEST_F(DocumentWindowTest, OpenTurnRightSaveAndReadTheTurnedFileBack)
{
    fs::create_directory(dir / "elsewhere");
    fs::current_path(dir / "elsewhere");
    ASSERT_TRUE(documents->openFile(head()));
    EXPECT_EQ(fs::current_path(), fs::canonical(dir.path()));
    EXPECT_TRUE(prompt.messages.empty());
    const osg::Vec3 before = (*state().face->geometries[0]->vertices)[0];

    turnRight(state());
    ASSERT_TRUE(documents->save());
    EXPECT_FALSE(state().modified);
    const osg::ref_ptr<TarvFaceObject> saved = readFaceFile(dir / "sample-head.tvf");
    ASSERT_TRUE(saved);
    // Turned clockwise seen from above: (x y z) becomes (-z y x).
    const osg::Vec3 after = (*saved->geometries[0]->vertices)[0];
    EXPECT_NEAR((after - osg::Vec3(-before.z(), before.y(), before.x())).length(), 0.0f, 1e-4f);

    // An unreadable file leaves the face in the window.
    const osg::ref_ptr<TarvFaceRenderer> node = state().faceNode;
    writeBytes(dir / "junk.obj", "this is not a model");
    EXPECT_FALSE(documents->openFile(QString::fromStdString((dir / "junk.obj").string())));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"Failed to load: " + (dir / "junk.obj").string()});
    EXPECT_EQ(state().faceNode, node);
}

TEST_F(DocumentWindowTest, ClosingWithUnsavedWorkOnlyGoesWhenNothingIsLost)
{
    fs::create_directory(dir / "sub");
    fs::copy_file(dir / "sample-head.tvf", dir / "sub" / "head.tvf");
    ASSERT_TRUE(documents->openFile(QString::fromStdString((dir / "sub" / "head.tvf").string())));
    turnUp(state());
    const fs::path file = state().fileName;
    fs::current_path(dir.path());
    fs::remove_all(dir / "sub");  // the save will find no folder

    prompt.threeWayAnswers = {Answer::Yes, Answer::Cancel, Answer::No};
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(state().modified);
    EXPECT_EQ(prompt.messages,
              std::vector<std::string>{"Could not save " + file.string() + "\nThe folder does not exist."});
    EXPECT_FALSE(frame->close());  // Cancel
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(state().modified);
    EXPECT_EQ(prompt.questions.size(), 2u);
    EXPECT_TRUE(frame->close());  // No
    EXPECT_EQ(prompt.questions.size(), 3u);
}

TEST_F(DocumentWindowTest, DroppedAndRecentFilesOpenLikeOpenAndTheListOutlivesTheWindow)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(head())});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &drop);
    ASSERT_TRUE(waitFor([this] { return hasFace(state()); }));
    EXPECT_EQ(state().fileName, fs::canonical(dir / "sample-head.tvf"));

    // Nine more files: the oldest drops out of the eight kept.
    for (int i = 0; i < 9; ++i) {
        const fs::path copy = dir / ("copy" + std::to_string(i) + ".tvf");
        fs::copy_file(dir / "sample-head.tvf", copy);
        ASSERT_TRUE(documents->openFile(QString::fromStdString(copy.string())));
    }
    const QStringList recent = RecentFiles(settings()).files();
    ASSERT_EQ(recent.size(), 8);
    EXPECT_EQ(recent.first().toStdString(), (dir / "copy8.tvf").string());
    EXPECT_EQ(recent.last().toStdString(), (dir / "copy1.tvf").string());

    // A file that went away is removed with a message; another one opens.
    fs::remove(dir / "copy7.tvf");
    DocumentController later(*this, settings());
    const QList<QAction*> items = later.recentMenu()->actions();
    ASSERT_EQ(items.size(), 8);
    items[1]->trigger();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_NE(prompt.messages[0].find("copy7.tvf no longer exists"), std::string::npos);
    EXPECT_EQ(RecentFiles(settings()).files().size(), 7);
    later.recentMenu()->actions()[2]->trigger();  // copy5
    EXPECT_EQ(state().fileName, fs::canonical(dir / "copy5.tvf"));
    EXPECT_EQ(RecentFiles(settings()).files().first().toStdString(), (dir / "copy5.tvf").string());
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
