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
    const std::filesystem::path finalPath = resolveTarget(target);
    if (finalPath.filename().empty())
        return false;
    std::string tempName = finalPath.string() + ".XXXXXX";
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0)
        return false;

    bool ok = ::fchmod(fd, permissionsFor(finalPath)) == 0;
    const ChunkWriter sink = [fd, &ok](std::string_view chunk) {
        ok = ok && writeAll(fd, chunk);
        return ok;
    };
    ok = produce(sink) && ok;
    // The data must be on disk before the rename makes it the only copy.
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tempName.c_str(), finalPath.c_str()) == 0;
    if (!ok)
        ::unlink(tempName.c_str());
    return ok;
}

}  // namespace mw
