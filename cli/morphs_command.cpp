// mienwright-cli morphs: delete, duplicate, move, rename, mirror and mix morphs, in the order given.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <map>
#include <memory>
#include <string_view>

#include "authoring/morph_management.h"
#include "cli/cli_prompt.h"
#include "cli/commands.h"
#include "cli/document_files.h"
#include "model/face_operations.h"

namespace mw::cli {
namespace {

struct MorphsArgs {
    std::string file;
    std::string output;
    std::vector<std::string> deletions, duplicates, moves, renames, mirrors, mixes;
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

class Runner {
public:
    explicit Runner(Document& doc) : doc_(doc) {}

    // Runs one operation; false after a message on stderr.
    bool run(const Operation& op)
    {
        if (op.option == "--delete") {
            const auto index = morph(op.value);
            return index && deleteMorph(doc_, static_cast<int>(*index));
        }
        if (op.option == "--duplicate") {
            const auto index = morph(op.value);
            return index && duplicateMorph(doc_, static_cast<int>(*index));
        }
        if (op.option == "--move")
            return move(op.value);
        if (op.option == "--rename")
            return rename(op.value);
        if (op.option == "--mirror")
            return mirror(op.value);
        return mix(op.value);
    }

private:
    std::optional<std::size_t> morph(const std::string& name)
    {
        const auto index = findMorph(*doc_.face, name);
        if (!index)
            std::cerr << "No morph named \"" << name << "\"\n";
        return index;
    }

    bool freeName(const std::string& name)
    {
        if (name.empty()) {
            std::cerr << "A morph needs a name\n";
            return false;
        }
        if (findMorph(*doc_.face, name)) {
            std::cerr << "A morph named \"" << name << "\" already exists\n";
            return false;
        }
        return true;
    }

    bool move(const std::string& value)
    {
        std::string name, position;
        std::size_t to = 0;
        splitAt(value, '=', name, position, true);
        const auto index = morph(name);
        if (!index)
            return false;
        if (!parseNumber(position, to) || to >= doc_.face->morphs.size()) {
            std::cerr << "No morph position " << position << " (there are " << doc_.face->morphs.size() << ")\n";
            return false;
        }
        return moveMorph(doc_, static_cast<int>(*index), static_cast<int>(to)).has_value();
    }

    bool rename(const std::string& value)
    {
        std::string from, to;
        splitAt(value, '=', from, to);
        const auto index = morph(from);
        if (!index || (from != to && !freeName(to)))
            return false;
        doc_.face->morphs[*index]->name = to;
        return true;
    }

    bool mirror(const std::string& value)
    {
        std::string name = value, newName;
        splitAt(value, '=', name, newName);
        const auto index = morph(name);
        if (!index || (value.find('=') != std::string::npos && !freeName(newName)))
            return false;
        const auto result = mirrorMorph(doc_, static_cast<int>(*index), newName);
        if (!result)
            return false;
        std::cout << "mirrored " << name << " as " << doc_.face->morphs[result->index]->name;
        if (result->unmatched > 0)
            std::cout << ": " << result->unmatched << " vertices without a partner left out";
        std::cout << '\n';
        return true;
    }

    bool mix(const std::string& value)
    {
        std::vector<std::pair<std::string, float>> weights;
        std::string newName;
        parseMix(value, weights, newName);
        if (!freeName(newName))
            return false;
        resetMorphWeights(*doc_.face);
        for (const auto& [name, weight] : weights) {
            const auto index = morph(name);
            if (!index)
                return false;
            setMorphWeight(*doc_.face, static_cast<int>(*index), weight);
        }
        addMorphFromMix(doc_, newName);
        resetMorphWeights(*doc_.face);
        return true;
    }

    Document& doc_;
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
        if (!runner.run(op))
            return kBadArgument;
    return saveDocument(*doc, args.output, args.output);
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
    auto* cmd = app.add_subcommand("morphs", "Delete, duplicate, move, rename, mirror and mix morphs, in the order given");
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
    cmd->callback([cmd, args, options, &status] {
        // The operations in the order they were typed, whatever option each one is.
        std::map<const CLI::Option*, std::size_t> used;
        std::vector<Operation> operations;
        for (const CLI::Option* option : cmd->parse_order()) {
            const auto found = std::find_if(options->begin(), options->end(),
                                            [option](const auto& entry) { return entry.first == option; });
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
