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

mode_t permissionsFor(const std::filesystem::path& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

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
    // Renaming over a file needs only the folder's permission; a file its owner made
    // read-only must not be replaced behind their back.
    if (::access(finalPath.c_str(), F_OK) == 0 && ::access(finalPath.c_str(), W_OK) != 0)
        return fail(errno);
    std::string tempName = finalPath.string() + ".XXXXXX";
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0)
        return fail(errno);

    bool ok = ::fchmod(fd, permissionsFor(finalPath)) == 0 || fail(errno);
    const ChunkWriter sink = [fd, &ok, &fail](std::string_view chunk) {
        ok = ok && (writeAll(fd, chunk) || fail(errno));
        return ok;
    };
    ok = (produce(sink) || fail(EIO)) && ok;
    // The data must be on disk before the rename makes it the only copy.
    ok = ok && (::fsync(fd) == 0 || fail(errno));
    ok = (::close(fd) == 0 || fail(errno)) && ok;
    ok = ok && (std::rename(tempName.c_str(), finalPath.c_str()) == 0 || fail(errno));
    if (!ok)
        ::unlink(tempName.c_str());
    return ok;
}

}  // namespace mw
