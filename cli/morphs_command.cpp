// mienwright-cli morphs: delete, duplicate, move, rename, mirror and mix morphs, in the order given.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <map>
#include <memory>
#include <string_view>

#include "authoring/arkit_names.h"
#include "authoring/morph_join.h"
#include "authoring/morph_management.h"
#include "authoring/morph_split.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/document_files.h"
#include "model/face_operations.h"

namespace mw::cli {
namespace {

struct MorphsArgs {
    std::string file;
    std::string output;
    std::vector<std::string> deletions, duplicates, moves, renames, mirrors, mixes, joins, splits;
    int toArkit = 0;
};

// One operation as typed; `option` tells which.
struct Operation {
    std::string option;
    std::string value;
};

// "A=B" split at its first '=' (`last` for the last one); false without one.
bool splitAt(std::string_view text, char separator, std::string& left, std::string& right, bool last = false)
{
    const auto at = last ? text.rfind(separator) : text.find(separator);
    if (at == std::string_view::npos)
        return false;
    left = text.substr(0, at);
    right = text.substr(at + 1);
    return true;
}

template <typename Number>
bool parseNumber(std::string_view text, Number& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

// NAME=W,NAME=W…:NEW
bool parseMix(std::string_view text, std::vector<std::pair<std::string, float>>& weights, std::string& newName)
{
    std::string list;
    if (!splitAt(text, ':', list, newName, true) || newName.empty() || list.empty())
        return false;
    weights.clear();
    std::string_view rest = list;
    while (true) {
        const auto comma = rest.find(',');
        std::string name, value;
        float weight = 0.0f;
        if (!splitAt(rest.substr(0, comma), '=', name, value, true) || !parseNumber(value, weight) ||
            !std::isfinite(weight))
            return false;
        weights.emplace_back(name, weight);
        if (comma == std::string_view::npos)
            return true;
        rest.remove_prefix(comma + 1);
    }
}

// A+B…=NAME: at least two different morphs and a name.
bool parseJoin(std::string_view text, std::vector<std::string>& parts, std::string& newName)
{
    std::string list;
    if (!splitAt(text, '=', list, newName, true) || newName.empty())
        return false;
    parts.clear();
    std::string_view rest = list;
    while (true) {
        const auto plus = rest.find('+');
        const std::string part(rest.substr(0, plus));
        if (part.empty() || std::find(parts.begin(), parts.end(), part) != parts.end())
            return false;
        parts.push_back(part);
        if (plus == std::string_view::npos)
            return parts.size() >= 2;
        rest.remove_prefix(plus + 1);
    }
}

// NAME or NAME=WIDTH, WIDTH a finite number >= 0 (-1 when not given).
bool parseSplit(std::string_view text, std::string& name, double& width)
{
    std::string value;
    width = -1.0;
    if (!splitAt(text, '=', name, value, true)) {
        name = text;
        return !name.empty();
    }
    return !name.empty() && parseNumber(value, width) && std::isfinite(width) && width >= 0.0;
}

class Runner {
public:
    explicit Runner(Document& doc) : doc_(doc) {}

    // Runs one operation: kOk, or the exit status after a message on stderr.
    int run(const Operation& op)
    {
        if (op.option == "--delete" || op.option == "--duplicate") {
            const auto index = morph(op.value);
            if (!index)
                return kBadArgument;
            if (op.option == "--delete")
                deleteMorph(doc_, static_cast<int>(*index));
            else
                duplicateMorph(doc_, static_cast<int>(*index));
            return kOk;
        }
        if (op.option == "--move")
            return move(op.value);
        if (op.option == "--rename")
            return rename(op.value);
        if (op.option == "--mirror")
            return mirror(op.value);
        if (op.option == "--to-arkit")
            return toArkit();
        if (op.option == "--join")
            return join(op.value);
        if (op.option == "--split")
            return split(op.value);
        return mix(op.value);
    }

    // What the operations report, printed once the result is saved.
    const std::string& said() const { return said_; }

private:
    std::optional<std::size_t> morph(const std::string& name)
    {
        const auto index = findMorph(*doc_.face, name);
        if (!index)
            std::cerr << "No morph named \"" << name << "\"\n";
        return index;
    }

    // kOk when `name` may be given to a morph: a malformed name is status 1, a taken one 4.
    int freeName(const std::string& name)
    {
        if (const auto refusal = morphNameRefusal(name)) {
            std::cerr << "error: " << *refusal << '\n';
            return kInvalidArgument;
        }
        if (findMorph(*doc_.face, name)) {
            std::cerr << "A morph named \"" << name << "\" already exists\n";
            return kBadArgument;
        }
        return kOk;
    }

    int move(const std::string& value)
    {
        std::string name, position;
        std::size_t to = 0;
        splitAt(value, '=', name, position, true);
        const auto index = morph(name);
        if (!index)
            return kBadArgument;
        if (!parseNumber(position, to) || to >= doc_.face->morphs.size()) {
            std::cerr << "No morph position " << position << " (there are " << doc_.face->morphs.size() << ")\n";
            return kBadArgument;
        }
        moveMorph(doc_, static_cast<int>(*index), static_cast<int>(to));
        return kOk;
    }

    int rename(const std::string& value)
    {
        std::string from, to;
        splitAt(value, '=', from, to);
        const auto index = morph(from);
        if (!index)
            return kBadArgument;
        if (from != to)
            if (const int status = freeName(to); status != kOk)
                return status;
        doc_.face->morphs[*index]->name = to;
        return kOk;
    }

    int mirror(const std::string& value)
    {
        std::string name = value, newName;
        splitAt(value, '=', name, newName);
        const auto index = morph(name);
        if (!index)
            return kBadArgument;
        if (value.find('=') != std::string::npos)
            if (const int status = freeName(newName); status != kOk)
                return status;
        const auto result = mirrorMorph(doc_, static_cast<int>(*index), newName);
        if (!result)
            return kBadArgument;
        said_ += "mirrored " + name + " as " + doc_.face->morphs[result->index]->name + ": " +
                 std::to_string(result->unmatched) +
                 (result->unmatched == 1 ? " vertex" : " vertices") + " without a partner left out\n";
        return kOk;
    }

    int mix(const std::string& value)
    {
        std::vector<std::pair<std::string, float>> weights;
        std::string newName;
        parseMix(value, weights, newName);
        if (const int status = freeName(newName); status != kOk)
            return status;
        resetMorphWeights(*doc_.face);
        for (const auto& [name, weight] : weights) {
            const auto index = morph(name);
            if (!index)
                return kBadArgument;
            setMorphWeight(*doc_.face, static_cast<int>(*index), weight);
        }
        addMorphFromMix(doc_, newName);
        resetMorphWeights(*doc_.face);
        return kOk;
    }

    int toArkit()
    {
        const ArkitRenameResult result = renameToArkit(doc_);
        said_ += "to ARKit: " + std::to_string(result.renamed) + " renamed, " + std::to_string(result.joined) +
                 " joined from halves\n";
        return kOk;
    }

    int join(const std::string& value)
    {
        std::vector<std::string> parts;
        std::string newName;
        parseJoin(value, parts, newName);
        std::vector<std::size_t> indices;
        for (const std::string& part : parts) {
            const auto index = morph(part);
            if (!index)
                return kBadArgument;
            indices.push_back(*index);
        }
        if (std::find(parts.begin(), parts.end(), newName) == parts.end())
            if (const int status = freeName(newName); status != kOk)
                return status;
        if (!joinMorphs(*doc_.face, indices, newName)) {
            std::cerr << "Cannot join " << value << '\n';
            return kBadArgument;
        }
        doc_.changes.add(document_change::kMorphList);
        return kOk;
    }

    int split(const std::string& value)
    {
        std::string name;
        double width = -1.0;
        parseSplit(value, name, width);
        const auto index = morph(name);
        if (!index)
            return kBadArgument;
        const auto [left, right] = splitMorphNames(name);
        for (const std::string& half : {left, right})
            if (const int status = freeName(half); status != kOk)
                return status;
        if (width < 0.0)
            width = kDefaultSplitWidthShare * faceWidth(*doc_.face);
        return splitMorph(doc_, static_cast<int>(*index), static_cast<float>(width)) ? kOk : kBadArgument;
    }

    Document& doc_;
    std::string said_;
};

int manageMorphs(const MorphsArgs& args, const std::vector<Operation>& operations)
{
    if (!isWritableOutput(args.output))
        return kUnwritableFormat;
    CliPrompt prompt;
    const std::unique_ptr<Document> doc = openDocument(args.file, prompt);
    if (!doc)
        return kLoadFailed;
    Runner runner(*doc);
    for (const Operation& op : operations)
        if (const int status = runner.run(op); status != kOk)
            return status;
    const int status = saveDocument(*doc, args.output, args.output);
    if (status == kOk)
        std::cout << runner.said();
    return status;
}

CLI::Validator pairValidator(char separator, bool numberAfter)
{
    return CLI::Validator(
        [separator, numberAfter](std::string& text) {
            std::string left, right;
            std::size_t number = 0;
            if (!splitAt(text, separator, left, right, numberAfter) || left.empty() ||
                (numberAfter && !parseNumber(right, number)))
                return std::string("expected NAME") + separator + (numberAfter ? "INDEX" : "NAME") + ", got " + text;
            return std::string();
        },
        numberAfter ? "NAME=INDEX" : "OLD=NEW");
}

}  // namespace

void addMorphsCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("morphs", "Delete, duplicate, move, rename, mirror, mix, join and split morphs, or "
                                             "rename them to ARKit's, in the order given");
    auto args = std::make_shared<MorphsArgs>();
    cmd->add_option("FILE", args->file, "face whose morphs are changed")->required();
    cmd->add_option("-o,--output", args->output, outputHelp())->required();
    // Each operation option with the list its values go to, in the order of Runner::run.
    auto options = std::make_shared<std::vector<std::pair<CLI::Option*, const std::vector<std::string>*>>>();
    auto add = [&](const char* name, std::vector<std::string>& list, const char* help) {
        CLI::Option* option = cmd->add_option(name, list, help)->allow_extra_args(false);
        options->emplace_back(option, &list);
        return option;
    };
    add("--delete", args->deletions, "NAME: remove the morph");
    add("--duplicate", args->duplicates, "NAME: copy the morph as NAME.001 (or the next free count)");
    add("--move", args->moves, "NAME=INDEX: move the morph to position INDEX (0 is the first)")
        ->check(pairValidator('=', true));
    add("--rename", args->renames, "OLD=NEW: rename a morph")->check(pairValidator('=', false));
    add("--mirror", args->mirrors,
        "NAME[=NEW]: add the morph's mirror across the head's symmetry plane (default name: sides swapped)");
    add("--mix", args->mixes, "NAME=W,NAME=W…:NEW: add morph NEW, the listed morphs at these weights together")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::vector<std::pair<std::string, float>> weights;
                std::string name;
                return parseMix(text, weights, name) ? std::string() : "expected NAME=W,NAME=W…:NEW, got " + text;
            },
            "NAME=W,…:NEW"));
    add("--join", args->joins, "A+B…=NEW: replace the morphs by their sum, called NEW")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::vector<std::string> parts;
                std::string name;
                return parseJoin(text, parts, name) ? std::string()
                                                    : "expected A+B=NEW with two or more different morphs, got " + text;
            },
            "A+B=NEW"));
    add("--split", args->splits,
        "NAME[=WIDTH]: replace the morph by its left and right halves, NAME_L and NAME_R (ARKit names: "
        "NAMELeft, NAMERight), blended across the mirror plane over WIDTH model units (default 15 % of the "
        "face's width)")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::string name;
                double width = 0.0;
                return parseSplit(text, name, width)
                           ? std::string()
                           : "expected NAME or NAME=WIDTH with a number WIDTH >= 0, got " + text;
            },
            "NAME[=WIDTH]"));
    CLI::Option* toArkit = cmd->add_flag("--to-arkit", args->toArkit,
                                         "rename recognised morphs to ARKit's names, join halves, put the standard "
                                         "shapes first in ARKit's order");
    cmd->callback([cmd, args, options, toArkit, &status] {
        // The operations in the order they were typed, whatever option each one is.
        std::map<const CLI::Option*, std::size_t> used;
        std::vector<Operation> operations;
        for (const CLI::Option* option : cmd->parse_order()) {
            const auto found = std::find_if(options->begin(), options->end(),
                                            [option](const auto& entry) { return entry.first == option; });
            if (option == toArkit)
                operations.push_back({"--to-arkit", {}});
            if (found == options->end())
                continue;
            std::size_t& next = used[option];
            if (next < found->second->size())
                operations.push_back({"--" + option->get_lnames().front(), (*found->second)[next++]});
        }
        status = manageMorphs(*args, operations);
    });
}

}  // namespace mw::cli
