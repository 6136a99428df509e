#include "model/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mw {
namespace {

bool writeAll(int fd, std::string_view chunk)
{
    while (!chunk.empty()) {
        const ssize_t n = ::write(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;  // a regular file that takes no more bytes is full
        if (n <= 0)
            return false;
        chunk.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Saving through a symbolic link replaces the file it points to, not the link.
std::filesystem::path resolveTarget(const std::filesystem::path& target)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, ec))) {
        const auto real = std::filesystem::weakly_canonical(target, ec);
        if (!ec)
            return real;
    }
    return target;
}

// A file that exists must be writable for this user: the rename alone would replace a
// write-protected file whenever its folder is writable.
bool mayReplace(const std::filesystem::path& target)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == ENOENT;
}

// Owner, group and permissions of the replaced file go to the new one as far as this user
// may set them; a new file gets the usual permissions under the umask.
bool takeOverAttributes(int fd, const std::filesystem::path& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0)
            (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        return ::fchmod(fd, st.st_mode & 07777) == 0;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::fchmod(fd, 0666 & ~mask) == 0;
}

// Makes a rename durable: the folder's entry must reach the disk too.
void syncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The temporary file: closed and removed unless it was renamed into place, also when the
// producer throws.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& folder)
        : name_(((folder.empty() ? std::filesystem::path(".") : folder) / ".mw-save-XXXXXX").string()),
          fd_(::mkstemp(name_.data()))
    {
    }
    ~TemporaryFile()
    {
        if (fd_ == -1)
            return;  // never created
        close();
        if (!renamed_)
            ::unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool created() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool close()
    {
        if (fd_ < 0)
            return true;
        const bool ok = ::close(fd_) == 0;
        fd_ = -2;  // closed, name still ours
        return ok;
    }
    bool renameTo(const std::filesystem::path& target)
    {
        renamed_ = std::rename(name_.c_str(), target.c_str()) == 0;
        return renamed_;
    }

private:
    std::string name_;
    int fd_;
    bool renamed_ = false;
};

}  // namespace

bool replaceFileAtomically(const std::filesystem::path& target,
                           const std::function<bool(const ChunkWriter&)>& produce)
{
    std::error_code error;
    return replaceFileAtomically(target, produce, error);
}

bool replaceFileAtomically(const std::filesystem::path& target,
                           const std::function<bool(const ChunkWriter&)>& produce, std::error_code& error)
{
    error.clear();
    // The first failure is the one worth telling; later steps only clean up after it.
    const auto fail = [&error](int code) {
        if (!error)
            error = std::error_code(code != 0 ? code : EIO, std::generic_category());
        return false;
    };
    const std::filesystem::path finalPath = resolveTarget(target);
    if (finalPath.filename().empty())
        return fail(EISDIR);
    if (!mayReplace(finalPath))
        return fail(errno);
    // A short name: the target's own name may already be as long as the file system allows.
    TemporaryFile temp(finalPath.parent_path());
    if (!temp.created())
        return fail(errno);

    bool ok = takeOverAttributes(temp.fd(), finalPath) || fail(errno);
    const int fd = temp.fd();
    const ChunkWriter sink = [fd, &ok, &fail](std::string_view chunk) {
        ok = ok && (writeAll(fd, chunk) || fail(errno));
        return ok;
    };
    ok = (produce(sink) || fail(EIO)) && ok;
    // The data must be on disk before the rename makes it the only copy.
    ok = ok && (::fsync(fd) == 0 || fail(errno));
    ok = (temp.close() || fail(errno)) && ok;
    ok = ok && (temp.renameTo(finalPath) || fail(errno));
    if (ok)
        syncFolder(finalPath.parent_path().empty() ? std::filesystem::path(".") : finalPath.parent_path());
    return ok;
}

}  // namespace mw
