#include "import/obj_morph_export.h"

#include <algorithm>
#include <system_error>

#include "import/obj_writer.h"

namespace mw {
namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

}  // namespace

std::string morphFileStem(const std::string& name, std::size_t index, std::vector<std::string>& taken)
{
    std::string stem = name;
    for (char& c : stem)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f' || c == '/' || c == '\\')
            c = '_';
    if (stem.empty() || stem == "." || stem == "..")
        stem = "morph_" + std::to_string(index);
    const auto isTaken = [&](const std::string& candidate) {
        return std::find(taken.begin(), taken.end(), lowerCase(candidate)) != taken.end();
    };
    std::string unique = stem;
    for (int n = 2; isTaken(unique); ++n)
        unique = stem + "_" + std::to_string(n);
    taken.push_back(lowerCase(unique));
    return unique;
}

bool exportMorphsAsObj(const TarvFaceObject& face, const std::filesystem::path& folder, const std::string& restName,
                       const std::filesystem::path& textureDir, MorphExportReport* report)
{
    MorphExportReport local;
    MorphExportReport& r = report ? *report : local;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        r.failure = "cannot make the folder " + folder.string() + " (" + error.message() + ")";
        return false;
    }
    std::vector<std::string> taken;
    const std::string restStem = morphFileStem(restName, 0, taken);
    const auto write = [&](const std::filesystem::path& path, const ObjWriteOptions& options) {
        ObjWriteReport written;
        if (!writeObjFile(path, face, textureDir, &written, options)) {
            r.failure = "cannot write " + path.string() + (written.failure.empty() ? "" : " (" + written.failure + ")");
            return false;
        }
        for (std::string& warning : written.warnings)
            if (std::find(r.warnings.begin(), r.warnings.end(), warning) == r.warnings.end())
                r.warnings.push_back(std::move(warning));
        r.written.push_back(path);
        return true;
    };
    ObjWriteOptions rest;
    rest.warnAboutLostData = false;
    if (!write(folder / (restStem + ".obj"), rest))
        return false;

    for (std::size_t m = 0; m < face.morphs.size(); ++m) {
        const FaceMorph& morph = *face.morphs[m];
        // The face at weight 1 of this morph alone.
        std::vector<osg::ref_ptr<osg::Vec3Array>> moved;
        ObjWriteOptions options;
        options.materialLibrary = restStem + ".mtl";
        options.warnAboutLostData = false;
        for (const auto& g : face.geometries) {
            osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array(g->vertices->begin(), g->vertices->end());
            for (const auto& target : morph.targets) {
                if (!target || target->name != g->name || !target->offsets)
                    continue;
                const std::size_t n = std::min(target->indices.size(), target->offsets->size());
                for (std::size_t j = 0; j < n; ++j)
                    if (target->indices[j] < vertices->size())
                        (*vertices)[target->indices[j]] += (*target->offsets)[j];
            }
            options.positions.push_back(vertices.get());
            moved.push_back(vertices);
        }
        if (!write(folder / (morphFileStem(morph.name, m, taken) + ".obj"), options))
            return false;
    }
    return true;
}

}  // namespace mw
