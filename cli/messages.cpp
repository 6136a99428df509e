// What the subcommands share in judging names and wording errors.

#include "authoring/face_properties.h"
#include "cli/commands.h"

namespace mw::cli {

std::optional<std::string> morphNameRefusal(const std::string& name)
{
    if (name.empty())
        return std::string("A morph needs a name");
    return nameRefusal(name);
}

std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

}  // namespace mw::cli
