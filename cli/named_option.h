#pragma once
// An option whose value is one of a few names (front, side, …): the help lists the names and
// nothing else, and only those names are accepted (in any case).

#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

namespace mw::cli {

template <typename T>
CLI::Option* addNamedOption(CLI::App& cmd, const std::string& flags, T& value,
                            std::vector<std::pair<std::string, T>> names, const std::string& help)
{
    std::string list;
    for (const auto& entry : names)
        list += (list.empty() ? "" : "|") + entry.first;
    const auto find = [names](const std::string& text) -> const T* {
        for (const auto& [name, named] : names)
            if (CLI::detail::to_lower(text) == name)
                return &named;
        return nullptr;
    };
    return cmd
        .add_option_function<std::string>(
            flags, [&value, find](const std::string& text) { value = *find(text); }, help)
        ->type_name(list)
        ->check(CLI::Validator(
            [find, list](std::string& text) {
                return find(text) ? std::string() : "expected " + list + ", got " + text;
            },
            ""));
}

}  // namespace mw::cli
