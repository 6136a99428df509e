// mienwright-cli arkit: how a face's morphs cover ARKit's 52 standard blend shapes.

#include <iostream>

#include <nlohmann/json.hpp>

#include "authoring/arkit_names.h"
#include "cli/commands.h"

namespace mw::cli {
namespace {

// Objects keep ARKit's order, so the JSON reads like the list engines bind by.
nlohmann::ordered_json reportJson(const TarvFaceObject& face, const ArkitReport& report)
{
    const auto& shapes = arkitShapeNames();
    nlohmann::ordered_json present = nlohmann::ordered_json::object();
    nlohmann::ordered_json halves = nlohmann::ordered_json::object();
    nlohmann::ordered_json missing = nlohmann::ordered_json::array();
    nlohmann::ordered_json extra = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < kArkitShapeCount; ++k) {
        const std::string shape(shapes[k]);
        if (report.present[k])
            present[shape] = face.morphs[*report.present[k]]->name;
        else if (report.halves[k])
            halves[shape] = {face.morphs[report.halves[k]->left]->name, face.morphs[report.halves[k]->right]->name};
        else
            missing.push_back(shape);
    }
    for (const std::size_t m : report.extra)
        extra.push_back(face.morphs[m]->name);
    return {{"present", present}, {"halves", halves}, {"missing", missing}, {"extra", extra}};
}

void printReport(std::ostream& out, const std::string& file, const TarvFaceObject& face, const ArkitReport& report)
{
    const auto& shapes = arkitShapeNames();
    std::size_t present = 0, halves = 0;
    for (std::size_t k = 0; k < kArkitShapeCount; ++k) {
        present += report.present[k].has_value();
        halves += report.halves[k].has_value();
    }
    out << file << ": " << present + halves << " of " << kArkitShapeCount << " ARKit shapes (" << present
        << " present, " << halves << " as halves), " << kArkitShapeCount - present - halves << " missing, "
        << report.extra.size() << " extra\n";
    out << "present:\n";
    for (std::size_t k = 0; k < kArkitShapeCount; ++k)
        if (report.present[k])
            out << "  " << shapes[k] << ": " << face.morphs[*report.present[k]]->name << '\n';
    out << "halves:\n";
    for (std::size_t k = 0; k < kArkitShapeCount; ++k)
        if (report.halves[k])
            out << "  " << shapes[k] << ": " << face.morphs[report.halves[k]->left]->name << " + "
                << face.morphs[report.halves[k]->right]->name << '\n';
    out << "missing:\n";
    for (std::size_t k = 0; k < kArkitShapeCount; ++k)
        if (report.missing(k))
            out << "  " << shapes[k] << '\n';
    out << "extra:\n";
    for (const std::size_t m : report.extra)
        out << "  " << face.morphs[m]->name << '\n';
}

}  // namespace

void addArkitCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("arkit", "Report which of ARKit's 52 blend shapes a face's morphs provide");
    auto file = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("FILE", *file, "face to check")->required();
    cmd->add_flag("--json", *json, "print one JSON object: present, halves, missing, extra");
    cmd->callback([file, json, &status] {
        const osg::ref_ptr<TarvFaceObject> face = loadInput(*file);
        if (!face) {
            status = kLoadFailed;
            return;
        }
        const ArkitReport report = arkitReport(*face);
        // Names are bytes; JSON needs UTF-8, so bytes that are not valid UTF-8 become U+FFFD.
        if (*json)
            std::cout << reportJson(*face, report).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                      << '\n';
        else
            printReport(std::cout, *file, *face, report);
        status = kOk;
    });
}

}  // namespace mw::cli
