#include <stdexcept>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "model/atomic_file.h"
#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;
using test::entriesIn;

osg::ref_ptr<TarvFaceObject> faceWithVertices(std::size_t count)
{
    auto g = test::makeGeom("g", {}, {});
    for (std::size_t i = 0; i < count; ++i)
        g->vertices->push_back({i * 0.001f, 1.5f, -2.25f});
    return test::makeFace({g});
}

TEST(AtomicSave, FailedSavesReturnFalseAndLeaveTheOldFileAlone)
{
    test::TempDir dir;
    auto face = faceWithVertices(3);

    std::error_code error;  // a folder that does not exist; the failure says why
    EXPECT_FALSE(writeFaceFile(dir / "no-such-folder" / "head.tvf", *face, error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(entriesIn(dir.path()), 0u);

    // A target that is a folder stays a folder with its contents, and no temporary file is left.
    fs::create_directory(dir / "head.tvf");
    test::writeBytes(dir / "head.tvf" / "inside", "keep");
    EXPECT_FALSE(writeFaceFile(dir / "head.tvf", *face, error));
    EXPECT_EQ(error, std::errc::is_a_directory);
    EXPECT_EQ(test::readBytes(dir / "head.tvf" / "inside"), "keep");
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    // A producer that fails midway (after some bytes reached the temporary file).
    test::writeBytes(dir / "old.tvf", "previous contents");
    EXPECT_FALSE(replaceFileAtomically(dir / "old.tvf", [](const ChunkWriter& write) {
        return write("Face {\r\n") && write("\tGeometry half") && false;
    }));
    EXPECT_EQ(test::readBytes(dir / "old.tvf"), "previous contents");
    EXPECT_EQ(entriesIn(dir.path()), 2u);

    // A file its owner made read-only is not replaced (root may write anything).
    if (::geteuid() != 0) {
        ::chmod((dir / "old.tvf").c_str(), 0444);
        EXPECT_FALSE(writeFaceFile(dir / "old.tvf", *face, error));
        EXPECT_EQ(error, std::errc::permission_denied);
        EXPECT_EQ(test::readBytes(dir / "old.tvf"), "previous contents");
    }
}

TEST(AtomicSave, ReplacesContentsKeepsModeAndOwnerAndFollowsLinks)
{
    test::TempDir dir;  // the longest name a file system allows still saves
    const auto target = dir / (std::string(251, 'n') + ".tvf");
    const std::string saved = formatFace(*faceWithVertices(2));
    test::writeBytes(target, "old");
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(writeFaceFile(target, *faceWithVertices(2)));
    EXPECT_EQ(test::readBytes(target), saved);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    if (::geteuid() == 0) {  // only root may hand a file to another owner
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
        ASSERT_TRUE(writeFaceFile(target, *faceWithVertices(2)));
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_TRUE(st.st_uid == 65534u && st.st_gid == 65534u);
    }

    // A writer that throws leaves neither a descriptor nor a temporary file behind.
    const std::size_t before = entriesIn("/proc/self/fd");
    EXPECT_THROW(replaceFileAtomically(target, [](const ChunkWriter& write) -> bool {
                     write("partial");
                     throw std::runtime_error("out of memory");
                 }),
                 std::runtime_error);
    EXPECT_EQ(entriesIn("/proc/self/fd"), before);
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    EXPECT_EQ(test::readBytes(target), saved);

    // Saving through a link updates the file it points to and keeps the link.
    fs::create_symlink(target, dir / "link.tvf");
    ASSERT_TRUE(writeFaceFile(dir / "link.tvf", *faceWithVertices(5)));
    EXPECT_TRUE(fs::is_symlink(dir / "link.tvf"));
    EXPECT_EQ(test::readBytes(target), formatFace(*faceWithVertices(5)));
    EXPECT_EQ(entriesIn(dir.path()), 2u);
}

// A tiny file system of its own, so that the disk fills up halfway through a save.
struct SmallDisk {
    fs::path path;
    bool mounted = fs::create_directory(path) && ::geteuid() == 0 &&
                   ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0;
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(path.c_str(), MNT_DETACH);
    }
};

TEST(AtomicSave, DiskFullMidwayKeepsThePreviousFile)
{
    test::TempDir dir;
    const SmallDisk disk{dir / "disk"};
    if (!disk.mounted)
        GTEST_SKIP() << "needs root to mount a small tmpfs";
    const auto target = dir / "disk" / "head.tvf";
    const std::string previous = formatFace(*faceWithVertices(10));
    test::writeBytes(target, previous);

    auto big = faceWithVertices(20000);  // several hundred kilobytes of text
    std::error_code error;
    EXPECT_FALSE(writeFaceFile(target, *big, error));
    EXPECT_EQ(error, std::errc::no_space_on_device);
    EXPECT_EQ(test::readBytes(target), previous);
    EXPECT_EQ(entriesIn(dir / "disk"), 1u);
}

}  // namespace
}  // namespace mw
