#include "cli/cli_prompt.h"

#include <iostream>

namespace mw::cli {

void CliPrompt::message(const std::string& text)
{
    std::cerr << text << '\n';
}

bool CliPrompt::question(const std::string& text)
{
    std::cerr << text << ' ' << (answer_ ? "Yes" : "No") << '\n';
    return answer_;
}

}  // namespace mw::cli
