// The autosave folder, the per-editor locks (also across a killed process), the record, the
// claiming of orphaned autosaves and the rule that says when the next copy is written.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "authoring/autosave.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Sets (or, for null, unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

osg::ref_ptr<TarvFaceObject> smallFace()
{
    return makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})},
                    {makeMorph("smile", {makeTarget("skin", {1}, {{0, 0.5f, 0}})})});
}

TEST(Autosave, FolderFollowsXdgStateHomeThenHome)
{
    struct Case {
        const char* state;
        const char* home;
        fs::path expected;
    } cases[] = {
        {"/xdg/state", "/home/u", "/xdg/state/mienwright/autosave"},
        {"relative/state", "/home/u", "/home/u/.local/state/mienwright/autosave"},
        {"", "/home/u", "/home/u/.local/state/mienwright/autosave"},
        {nullptr, "/home/u", "/home/u/.local/state/mienwright/autosave"},
        {nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        const ScopedEnv state("XDG_STATE_HOME", c.state), home("HOME", c.home);
        EXPECT_EQ(autosaveFolder(), c.expected) << (c.state ? c.state : "(unset)");
    }
}

TEST(Autosave, LockIsExclusiveAndDiesWithItsProcess)
{
    TempDir dir;
    std::optional<Autosave> first = Autosave::create(dir / "autosave");
    std::optional<Autosave> second = Autosave::create(dir / "autosave");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->files().id, second->files().id);
    EXPECT_EQ(fs::status(dir / "autosave").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(FileLock::tryLock(first->files().lock())) << "a running editor's lock cannot be taken";
    const fs::path firstLock = first->files().lock();
    first.reset();
    EXPECT_TRUE(FileLock::tryLock(firstLock)) << "the lock goes with its holder";

    // Another process holds a lock until it is killed.
    const fs::path lockPath = dir / "other.lock";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        auto lock = FileLock::tryLock(lockPath);
        const char byte = lock ? 1 : 0;
        (void)!write(ready[1], &byte, 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 1);
    EXPECT_FALSE(FileLock::tryLock(lockPath));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(FileLock::tryLock(lockPath));
    close(ready[0]);
    close(ready[1]);
}

TEST(Autosave, RecordRoundTripsAndRefusesIncompleteText)
{
    const AutosaveRecord record{"/home/u/heads/my \"best\" head.tvf", "tvf", "2026-12-07T09:15:00Z"};
    const std::optional<AutosaveRecord> back = parseAutosaveRecord(formatAutosaveRecord(record));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->original, record.original);
    EXPECT_EQ(back->format, record.format);
    EXPECT_EQ(back->time, record.time);
    for (const char* text : {"", "{", "[]", R"({"original":"/a.tvf","format":"tvf"})",
                             R"({"original":"","format":"tvf","time":"t"})", R"({"original":1,"format":"tvf","time":"t"})"})
        EXPECT_FALSE(parseAutosaveRecord(text)) << text;
}

TEST(Autosave, OrphansAreClaimedOnceReadBackAndRemoved)
{
    TempDir dir;
    const fs::path folder = dir / "autosave";
    const fs::path original = dir / "head.tvf";
    std::optional<Autosave> running = Autosave::create(folder);
    std::optional<Autosave> crashed = Autosave::create(folder);
    ASSERT_TRUE(running && crashed);
    osg::ref_ptr<TarvFaceObject> face = smallFace();
    ASSERT_TRUE(running->write(*smallFace(), original));
    ASSERT_TRUE(crashed->write(*face, original));
    std::string failure;
    EXPECT_FALSE(crashed->write(*face, crashed->files().face(), &failure)) << "never over the user's own file";
    EXPECT_FALSE(failure.empty());
    const AutosaveFiles crashedFiles = crashed->files();
    crashed.reset();  // its process is gone: files stay, the lock is free
    writeBytes(folder / "stale.lock", "");  // an editor that died before its first autosave

    std::vector<OrphanedAutosave> orphans = claimOrphanedAutosaves(folder);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0].files.id, crashedFiles.id);
    EXPECT_EQ(orphans[0].record.original, original);
    EXPECT_EQ(orphans[0].record.format, "tvf");
    EXPECT_FALSE(fs::exists(folder / "stale.lock"));
    EXPECT_TRUE(running->exists());
    EXPECT_TRUE(claimOrphanedAutosaves(folder).empty()) << "a claimed autosave is not claimed twice";

    const osg::ref_ptr<TarvFaceObject> recovered = readAutosavedFace(orphans[0]);
    ASSERT_TRUE(recovered);
    EXPECT_TRUE(facesEqual(*smallFace(), *recovered));

    removeAutosaveFiles(orphans[0].files);
    orphans.clear();
    running->remove();
    EXPECT_FALSE(running->exists());
    EXPECT_EQ(entriesIn(folder), 1u) << "only the running editor's lock is left";
}

TEST(Autosave, NextWriteFollowsChangesWithinTheIntervalAndKeepsItsSpacing)
{
    const AutosaveTiming timing = AutosaveTiming::forInterval(120);
    EXPECT_EQ(timing.afterChange, 5s);
    EXPECT_EQ(timing.minimumSpacing, 30s);
    const AutosaveTiming test = AutosaveTiming::forInterval(2);
    EXPECT_EQ(test.interval, 2s);
    EXPECT_EQ(test.minimumSpacing, 500ms);

    using T = AutosaveClock::TimePoint;
    const T t0{};
    struct Case {
        const char* what;
        std::optional<T> pending;
        T lastChange;
        std::optional<T> lastWrite;
        std::optional<T> due;
    } cases[] = {
        {"up to date", std::nullopt, t0 + 10s, t0, std::nullopt},
        {"one change", t0, t0, std::nullopt, t0 + 5s},
        {"changes keep coming: the interval holds", t0, t0 + 118s, std::nullopt, t0 + 120s},
        {"quiet after a burst", t0, t0 + 20s, std::nullopt, t0 + 25s},
        {"soon after a write: spaced", t0 + 40s, t0 + 40s, t0 + 38s, t0 + 68s},
        {"long after a write", t0 + 100s, t0 + 100s, t0 + 10s, t0 + 105s},
    };
    for (const Case& c : cases) {
        const AutosaveClock clock{c.pending, c.lastChange, c.lastWrite};
        EXPECT_EQ(nextAutosaveDue(clock, timing), c.due) << c.what;
    }
}

}  // namespace
}  // namespace mw::test
