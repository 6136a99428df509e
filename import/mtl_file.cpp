#include "import/mtl_file.h"

#include <algorithm>

#include "import/obj_text.h"

namespace mw {
namespace {

// Kd r [g b]: a single number stands for all three channels. Nothing when the statement
// holds no number (the spectral and CIE forms).
std::optional<osg::Vec3> parseColour(std::string_view arguments)
{
    float rgb[3];
    int count = 0;
    for (; count < 3; ++count) {
        const std::string_view token = obj::takeToken(arguments);
        if (token.empty() || !obj::parseFloat(token, rgb[count]))
            break;
    }
    if (count == 0)
        return std::nullopt;
    if (count < 3)
        rgb[1] = rgb[2] = rgb[0];
    return osg::Vec3(rgb[0], rgb[1], rgb[2]);
}

std::optional<float> parseNumber(std::string_view arguments)
{
    float value = 0.0f;
    std::string_view token = obj::takeToken(arguments);
    if (token == "-halo")  // d -halo factor
        token = obj::takeToken(arguments);
    if (token.empty() || !obj::parseFloat(token, value))
        return std::nullopt;
    return value;
}

}  // namespace

std::string mapFileName(std::string_view arguments)
{
    // Options and how many values each takes at most; the values of the numeric ones are
    // taken while they read as numbers.
    struct Option {
        std::string_view name;
        int words;    // on/off and names
        int numbers;  // numeric values, up to
    };
    static constexpr Option kOptions[] = {
        {"-blendu", 1, 0}, {"-blendv", 1, 0}, {"-cc", 1, 0},     {"-clamp", 1, 0}, {"-imfchan", 1, 0},
        {"-type", 1, 0},   {"-bm", 0, 1},     {"-boost", 0, 1},  {"-texres", 0, 1}, {"-mm", 0, 2},
        {"-o", 0, 3},      {"-s", 0, 3},      {"-t", 0, 3},
    };
    std::string_view rest = obj::trim(arguments);
    while (!rest.empty() && rest.front() == '-') {
        std::string_view after = rest;
        const std::string_view name = obj::takeToken(after);
        const auto* option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                          [&](const Option& o) { return o.name == name; });
        if (option == std::end(kOptions))
            break;  // not an option: a file name that starts with '-'
        for (int w = 0; w < option->words; ++w)
            obj::takeToken(after);
        for (int n = 0; n < option->numbers; ++n) {
            std::string_view probe = after;
            float ignored;
            if (!obj::parseFloat(obj::takeToken(probe), ignored))
                break;
            after = probe;
        }
        rest = obj::trim(after);
    }
    return obj::fileNameFromText(rest);
}

void parseMtl(std::string_view text, MtlLibrary& library)
{
    obj::LineReader lines(text);
    std::string_view line;
    MtlMaterial* current = nullptr;
    MtlMaterial ignored;  // a repeated definition goes here
    while (lines.next(line)) {
        std::string_view rest = line;
        const std::string_view keyword = obj::takeToken(rest);
        if (keyword.empty() || keyword.front() == '#')
            continue;
        if (keyword == "newmtl") {
            const std::string name(obj::trim(rest));
            const auto [it, added] = library.try_emplace(name);
            current = added ? &it->second : &ignored;
            if (!added)
                ignored = {};
            continue;
        }
        if (!current)
            continue;
        if (keyword == "Kd") {
            if (auto colour = parseColour(rest))
                current->diffuse = colour;
        } else if (keyword == "Ks") {
            if (auto colour = parseColour(rest))
                current->specular = colour;
        } else if (keyword == "d") {
            if (auto value = parseNumber(rest))
                current->opacity = value;
        } else if (keyword == "map_Kd") {
            current->texture = mapFileName(rest);
        }
    }
}

}  // namespace mw
