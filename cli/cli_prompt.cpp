#include "cli/cli_prompt.h"

#include <iostream>

namespace mw::cli {

void CliPrompt::message(const std::string& text)
{
    std::cerr << text << '\n';
}

bool CliPrompt::question(const std::string& text)
{
    // A No ends in the command's own one-line error, which says what to pass instead.
    if (answer_)
        std::cerr << text << " Yes\n";
    return answer_;
}

}  // namespace mw::cli
