#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/commands.h"

namespace mw::cli {
namespace {

nlohmann::json colourJson(const osg::Vec4& c) { return {c[0], c[1], c[2], c[3]}; }

nlohmann::json faceJson(const std::string& file, const TarvFaceObject& face, const RepairReport& repairs)
{
    nlohmann::json geometries = nlohmann::json::array();
    for (const auto& g : face.geometries) {
        geometries.push_back({
            {"name", g->name},
            {"vertices", g->vertices->size()},
            {"triangles", g->vertexIndices.size() / 3},
            {"texcoords", g->texcoords->size()},
            {"neckVertices", g->clampIndices.size()},
            {"texture", g->texture},
            {"diffuse", colourJson(g->diffuse)},
            {"specular", colourJson(g->specular)},
        });
    }
    nlohmann::json morphs = nlohmann::json::array();
    for (const auto& m : face.morphs) {
        nlohmann::json targets = nlohmann::json::array();
        for (const auto& t : m->targets)
            targets.push_back({{"name", t->name}, {"entries", t->indices.size()}});
        morphs.push_back({{"name", m->name}, {"targets", targets}});
    }
    return {{"file", file}, {"geometries", geometries}, {"morphs", morphs}, {"repairs", repairs.changes}};
}

void printColour(std::ostream& out, const osg::Vec4& c)
{
    out << c[0] << ' ' << c[1] << ' ' << c[2] << ' ' << c[3];
}

void printText(std::ostream& out, const std::string& file, const TarvFaceObject& face)
{
    out << file << ": " << face.geometries.size() << " geometries, " << face.morphs.size()
        << " morphs\n";
    for (std::size_t i = 0; i < face.geometries.size(); ++i) {
        const FaceGeom& g = *face.geometries[i];
        out << "geometry " << i << " \"" << g.name << "\": " << g.vertices->size() << " vertices, "
            << g.vertexIndices.size() / 3 << " triangles, " << g.texcoords->size()
            << " texture coordinates, " << g.clampIndices.size() << " neck vertices\n";
        out << "  texture: " << (g.texture.empty() ? "(none)" : g.texture) << '\n';
        out << "  diffuse: ";
        printColour(out, g.diffuse);
        out << "\n  specular: ";
        printColour(out, g.specular);
        out << '\n';
    }
    for (std::size_t i = 0; i < face.morphs.size(); ++i) {
        const FaceMorph& m = *face.morphs[i];
        out << "morph " << i << " \"" << m.name << "\": " << m.targets.size() << " targets\n";
        for (const auto& t : m.targets)
            out << "  target \"" << t->name << "\": " << t->indices.size() << " entries\n";
    }
}

}  // namespace

void addInfoCommand(CLI::App& app, int& status)
{
    auto* cmd = app.add_subcommand("info", "Describe the geometries and morphs of a face file");
    auto file = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    cmd->add_option("FILE", *file, "face to describe")->required();
    cmd->add_flag("--json", *json, "print one JSON object");
    cmd->callback([file, json, &status] {
        RepairReport repairs;
        const osg::ref_ptr<TarvFaceObject> face = loadInput(*file, &repairs);
        if (!face) {
            status = kLoadFailed;
            return;
        }
        // Names are bytes; JSON needs UTF-8, so bytes that are not valid UTF-8 become U+FFFD.
        if (*json)
            std::cout << faceJson(*file, *face, repairs).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
        else
            printText(std::cout, *file, *face);
        status = kOk;
    });
}

}  // namespace mw::cli
