// Plug-ins that print on standard output are sent to standard error while the guard lives.

#include <algorithm>
#include <cstdio>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "import/standard_output_guard.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

TEST(StandardOutputGuard, WhatIsPrintedMeanwhileGoesToStandardErrorInOrder)
{
    test::TempDir dir;
    std::fflush(nullptr);
    const int savedOut = ::dup(STDOUT_FILENO), savedErr = ::dup(STDERR_FILENO);
    const int out = ::open((dir / "out").c_str(), O_WRONLY | O_CREAT, 0600);
    const int err = ::open((dir / "err").c_str(), O_WRONLY | O_CREAT, 0600);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::printf("before ");  // still buffered when the guard starts
    {
        const StandardOutputToError guard;
        std::printf("C ");
        std::cout << "C++ ";
        ASSERT_EQ(::write(STDOUT_FILENO, "raw ", 4), 4);
    }
    std::printf("after");
    std::fflush(nullptr);
    ::dup2(savedOut, STDOUT_FILENO);
    ::dup2(savedErr, STDERR_FILENO);
    for (const int fd : {savedOut, savedErr, out, err})
        ::close(fd);
    EXPECT_EQ(test::readBytes(dir / "out"), "before after");
    // Buffered text reaches the error stream when the guard flushes it, after the raw write.
    const std::string said = test::readBytes(dir / "err");
    EXPECT_TRUE(std::is_permutation(said.begin(), said.end(), std::string("C C++ raw ").begin())) << said;
    EXPECT_EQ(said.size(), 10u);
}

}  // namespace
}  // namespace mw
