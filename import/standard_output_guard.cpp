#include "import/standard_output_guard.h"

#include <cstdio>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace mw {
namespace {

void flushAll()
{
    std::cout.flush();
    std::fflush(stdout);
}

}  // namespace

StandardOutputToError::StandardOutputToError()
{
    flushAll();
    saved_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (saved_ >= 0 && ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        ::close(saved_);
        saved_ = -1;
    }
}

StandardOutputToError::~StandardOutputToError()
{
    if (saved_ < 0)
        return;
    flushAll();
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
}

}  // namespace mw
