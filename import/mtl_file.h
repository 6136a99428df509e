#pragma once
// Wavefront material libraries (.mtl): what a face takes from them, and how it writes them.
// A face keeps a diffuse colour (Kd, with d as its alpha; Tr is left out, since exporters
// disagree on its sense), a specular colour (Ks) and
// a texture (map_Kd, options such as -s or -o left out); everything else is skipped.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <osg/Vec3>

namespace mw {

struct MtlMaterial {
    std::optional<osg::Vec3> diffuse;
    std::optional<osg::Vec3> specular;
    std::optional<float> opacity;  // d
    std::string texture;           // the file name as written, backslashes made '/'
};

using MtlLibrary = std::map<std::string, MtlMaterial, std::less<>>;

// Adds the materials of one .mtl text to `library`; a name it holds already keeps its first
// definition. Material names are the rest of their line, without blanks at either end.
void parseMtl(std::string_view text, MtlLibrary& library);

// The file name of a map statement's arguments: its options and their values left out.
std::string mapFileName(std::string_view arguments);

}  // namespace mw
