#pragma once
// Runs a program and captures its exit status, standard output and standard error.

#include <string>
#include <vector>

namespace mw::test {

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

CommandResult runCommand(const std::vector<std::string>& argv);

}  // namespace mw::test
