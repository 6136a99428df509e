#include <charconv>
#include <iostream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/commands.h"

namespace mw::cli {
namespace {

// The stored float as the double whose shortest form is the float's own (0.15, not
// 0.15000000596046448), so that JSON shows what the file holds.
double shortest(float value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double out = 0.0;
    std::from_chars(text, end, out);
    return out;
}

nlohmann::json colourJson(const osg::Vec4& c) { return {shortest(c[0]), shortest(c[1]), shortest(c[2]), shortest(c[3])}; }

// "1 geometry", "2 geometries".
std::string counted(std::size_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + ' ' + std::string(n == 1 ? one : many);
}

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
    out << file << ": " << counted(face.geometries.size(), "geometry", "geometries") << ", "
        << counted(face.morphs.size(), "morph", "morphs") << '\n';
    for (std::size_t i = 0; i < face.geometries.size(); ++i) {
        const FaceGeom& g = *face.geometries[i];
        out << "geometry " << i << " \"" << g.name << "\": " << counted(g.vertices->size(), "vertex", "vertices")
            << ", " << counted(g.vertexIndices.size() / 3, "triangle", "triangles") << ", "
            << counted(g.texcoords->size(), "texture coordinate", "texture coordinates") << ", "
            << counted(g.clampIndices.size(), "neck vertex", "neck vertices") << '\n';
        out << "  texture: " << (g.texture.empty() ? "(none)" : g.texture) << '\n';
        out << "  diffuse: ";
        printColour(out, g.diffuse);
        out << "\n  specular: ";
        printColour(out, g.specular);
        out << '\n';
    }
    for (std::size_t i = 0; i < face.morphs.size(); ++i) {
        const FaceMorph& m = *face.morphs[i];
        out << "morph " << i << " \"" << m.name << "\": " << counted(m.targets.size(), "target", "targets") << '\n';
        for (const auto& t : m.targets)
            out << "  target \"" << t->name << "\": " << counted(t->indices.size(), "entry", "entries") << '\n';
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
