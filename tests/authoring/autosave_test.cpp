// The autosave folder, the per-editor locks (also across a killed process), the claiming of
// orphaned autosaves with their records, and the rule that says when the next copy is written.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "authoring/autosave.h"
#include "import/embedded_images.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Sets (or, for null, unsets) an environment variable; gives back what it was.
std::optional<std::string> setEnv(const char* name, const char* value)
{
    const char* old = std::getenv(name);
    std::optional<std::string> before = old ? std::optional<std::string>(old) : std::nullopt;
    value ? setenv(name, value, 1) : unsetenv(name);
    return before;
}

osg::ref_ptr<TarvFaceObject> smallFace()
{
    return makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})},
                    {makeMorph("smile", {makeTarget("skin", {1}, {{0, 0.5f, 0}})})});
}

TEST(Autosave, FolderFollowsXdgStateHomeThenHome)
{
    struct Case { const char *state, *home; fs::path expected; } cases[] = {
        {"/xdg/state", "/home/u", "/xdg/state/mienwright/autosave"},
        {"relative/state", "/home/u", "/home/u/.local/state/mienwright/autosave"},
        {"", "/home/u", "/home/u/.local/state/mienwright/autosave"},
        {nullptr, "/home/u", "/home/u/.local/state/mienwright/autosave"},
        {nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        const auto state = setEnv("XDG_STATE_HOME", c.state), home = setEnv("HOME", c.home);
        EXPECT_EQ(autosaveFolder(), c.expected) << (c.state ? c.state : "(unset)");
        setEnv("XDG_STATE_HOME", state ? state->c_str() : nullptr);
        setEnv("HOME", home ? home->c_str() : nullptr);
    }
}

TEST(Autosave, LockIsExclusiveAndDiesWithItsProcess)
{
    TempDir dir;
    std::optional<Autosave> first = Autosave::create(dir / "autosave"), second = Autosave::create(dir / "autosave");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->files().id, second->files().id);
    EXPECT_EQ(fs::status(dir / "autosave").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(FileLock::tryLock(first->files().lock())) << "a running editor's lock cannot be taken";
    const fs::path firstLock = first->files().lock();
    first.reset();
    EXPECT_TRUE(FileLock::tryLock(firstLock)) << "the lock goes with its holder";

    // Another process holds a lock until it is killed.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        const auto lock = FileLock::tryLock(dir / "other.lock");
        const char held = lock ? 1 : 0;
        (void)!write(ready[1], &held, 1);
        pause();
    }
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    EXPECT_TRUE(held && !FileLock::tryLock(dir / "other.lock"));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(FileLock::tryLock(dir / "other.lock"));
}

TEST(Autosave, OrphansAreClaimedOnceReadBackAndRemoved)
{
    TempDir dir;
    const fs::path folder = dir / "autosave", original = dir / "head.tvf";
    std::optional<Autosave> running = Autosave::create(folder), crashed = Autosave::create(folder);
    ASSERT_TRUE(running && crashed);
    // A texture that came embedded in the user's file is kept beside the copy.
    const std::string png = "\x89PNG\r\n\x1a\nnot really an image";
    osg::ref_ptr<TarvFaceObject> face = smallFace();
    face->geometries[0]->texture =
        storeEmbeddedImage({reinterpret_cast<const std::uint8_t*>(png.data()), png.size()}, "skin", "").string();
    ASSERT_TRUE(running->write(*smallFace(), original));
    ASSERT_TRUE(crashed->write(*face, original));
    std::string failure;
    EXPECT_FALSE(crashed->write(*face, crashed->files().face(), &failure) || failure.empty()) << "never over the user's own file";
    const AutosaveFiles crashedFiles = crashed->files();
    crashed.reset();  // its process is gone: files stay, the lock is free
    writeBytes(folder / "stale.lock", "");  // an editor that died before its first autosave
    writeBytes(folder / "torn.json", R"({"original":"/a.tvf","format":"tvf"})");  // no time, no face

    std::vector<OrphanedAutosave> orphans = claimOrphanedAutosaves(folder);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_TRUE(orphans[0].files.id == crashedFiles.id && orphans[0].record.original == original &&
                orphans[0].record.format == "tvf");
    EXPECT_FALSE(fs::exists(folder / "stale.lock") || fs::exists(folder / "torn.json"));
    EXPECT_TRUE(running->exists());
    EXPECT_TRUE(claimOrphanedAutosaves(folder).empty()) << "a claimed autosave is not claimed twice";

    const osg::ref_ptr<TarvFaceObject> recovered = readAutosavedFace(orphans[0]);
    ASSERT_TRUE(recovered);
    std::string& texture = recovered->geometries[0]->texture;
    EXPECT_TRUE(isEmbeddedImage(texture) && readBytes(texture) == png) << texture;
    texture.clear();
    EXPECT_TRUE(facesEqual(*smallFace(), *recovered));

    removeAutosaveFiles(orphans[0].files);
    orphans.clear();
    running->remove();
    EXPECT_EQ(entriesIn(folder), 1u) << "only the running editor's lock is left";
}

TEST(Autosave, NextWriteFollowsChangesWithinTheIntervalAndKeepsItsSpacing)
{
    const AutosaveTiming timing = AutosaveTiming::forInterval(120), test = AutosaveTiming::forInterval(2);
    EXPECT_TRUE(timing.afterChange == 5s && timing.minimumSpacing == 30s);
    EXPECT_TRUE(test.interval == 2s && test.afterChange == 83ms && test.minimumSpacing == 500ms);

    using T = AutosaveClock::TimePoint;
    const T t0{};
    struct Case { const char* what; std::optional<T> pending; T lastChange; std::optional<T> lastWrite, due; } cases[] = {
        {"up to date", std::nullopt, t0 + 10s, t0, std::nullopt},
        {"one change", t0, t0, std::nullopt, t0 + 5s},
        {"changes keep coming: the interval holds", t0, t0 + 118s, std::nullopt, t0 + 120s},
        {"quiet after a burst", t0, t0 + 20s, std::nullopt, t0 + 25s},
        {"soon after a write: spaced", t0 + 40s, t0 + 40s, t0 + 38s, t0 + 68s},
        {"long after a write", t0 + 100s, t0 + 100s, t0 + 10s, t0 + 105s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nextAutosaveDue({c.pending, c.lastChange, c.lastWrite}, timing), c.due) << c.what;
}

}  // namespace
}  // namespace mw::test
