#include "import/obj_writer.h"

#include <charconv>
#include <cmath>
#include <set>
#include <system_error>

#include "model/atomic_file.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = 1 << 20;

// Collects text and hands it on in large chunks.
class Output {
public:
    explicit Output(const ChunkWriter& write) : write_(write) { text_.reserve(kChunk + 256); }

    bool ok() const { return ok_; }

    void put(std::string_view s)
    {
        text_.append(s);
        flushIfFull();
    }

    // Shortest text that reads back to the same float; -0 as 0.
    void number(float value)
    {
        char buffer[32];
        buffer[0] = ' ';
        const auto result = std::to_chars(buffer + 1, buffer + sizeof buffer, value + 0.0f);
        text_.append(buffer, result.ptr);
    }

    void index(std::uint64_t value)
    {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text_.append(buffer, result.ptr);
    }

    void endLine()
    {
        text_ += '\n';
        flushIfFull();
    }

    bool finish()
    {
        if (ok_ && !text_.empty())
            ok_ = write_(text_);
        text_.clear();
        return ok_;
    }

private:
    void flushIfFull()
    {
        if (text_.size() < kChunk)
            return;
        if (ok_)
            ok_ = write_(text_);
        text_.clear();
    }

    const ChunkWriter& write_;
    std::string text_;
    bool ok_ = true;
};

// A name OBJ readers take as one word.
std::string oneWord(const std::string& name, std::size_t number)
{
    std::string word = name;
    for (char& c : word)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f')
            c = '_';
    return word.empty() ? "geometry_" + std::to_string(number) : word;
}

// The texture name as the OBJ's folder sees it: relative when the image lies inside that
// folder, else absolute (as the panes store a chosen texture).
std::string textureNameFor(const std::string& texture, const fs::path& textureDir, const fs::path& objFolder)
{
    fs::path file = fs::path(texture);
    if (file.is_relative())
        file = textureDir / file;
    std::error_code error;
    const fs::path image = fs::weakly_canonical(fs::absolute(file, error), error);
    const fs::path folder = fs::weakly_canonical(fs::absolute(objFolder.empty() ? "." : objFolder, error), error);
    if (error)
        return texture;
    const fs::path relative = image.lexically_relative(folder);
    const bool inside = !relative.empty() && *relative.begin() != "..";
    return inside ? relative.generic_string() : image.generic_string();
}

struct Writer {
    const fs::path& path;
    const TarvFaceObject& face;
    const fs::path& textureDir;
    const ObjWriteOptions& options;
    ObjWriteReport& report;
    std::vector<std::string> names;     // per geometry; empty for one that is left out
    std::string library;

    bool write()
    {
        nameGeometries();
        if (std::all_of(names.begin(), names.end(), [](const std::string& n) { return n.empty(); })) {
            report.failure = "the face has no triangles";
            return false;
        }
        noteLostData();
        const bool ownLibrary = options.materialLibrary.empty();
        library = ownLibrary ? path.stem().string() + ".mtl" : options.materialLibrary;
        const fs::path libraryPath = path.parent_path() / library;
        std::error_code error;
        const bool written = replaceFileAtomically(
            path,
            [&](const ChunkWriter& chunk) {
                if (!writeObj(chunk))
                    return false;
                // The library goes into place just before the OBJ does, and only when the OBJ
                // was written completely.
                if (!ownLibrary)
                    return true;
                std::error_code libraryError;
                if (replaceFileAtomically(
                        libraryPath, [&](const ChunkWriter& mtl) { return writeMtl(mtl); }, libraryError))
                    return true;
                report.failure = "cannot write " + libraryPath.string() + " (" + libraryError.message() + ")";
                return false;
            },
            error);
        if (!written && report.failure.empty())
            report.failure = error ? error.message() : "the file cannot be written";
        return written;
    }

    void nameGeometries()
    {
        std::set<std::string> used;
        for (std::size_t i = 0; i < face.geometries.size(); ++i) {
            const FaceGeom& g = *face.geometries[i];
            if (g.vertexIndices.size() < 3) {
                report.warnings.push_back("geometry \"" + g.name + "\" has no triangles and is left out");
                names.emplace_back();
                continue;
            }
            std::string name = oneWord(g.name, i);
            for (int n = 2; !used.insert(name).second; ++n)
                name = oneWord(g.name, i) + "_" + std::to_string(n);
            if (name != g.name)
                report.warnings.push_back("geometry \"" + g.name + "\" is written as \"" + name + "\"");
            names.push_back(name);
        }
    }

    void noteLostData()
    {
        if (options.warnAboutLostData && !face.morphs.empty())
            report.warnings.push_back(std::to_string(face.morphs.size()) +
                                      (face.morphs.size() == 1 ? " morph is" : " morphs are") +
                                      " left out: OBJ holds none (export-morphs writes one OBJ per morph)");
        for (const auto& g : face.geometries)
            if (options.warnAboutLostData && !g->clampIndices.empty()) {
                report.warnings.push_back("the neck vertices are left out: OBJ has no place for them");
                break;
            }
        for (std::size_t i = 0; i < face.geometries.size(); ++i) {
            const FaceGeom& g = *face.geometries[i];
            if (names[i].empty())
                continue;
            std::vector<bool> used(g.vertices->size());
            for (const std::uint32_t v : g.vertexIndices)
                if (v < used.size())
                    used[v] = true;
            const auto unused = std::count(used.begin(), used.end(), false);
            if (unused)
                report.warnings.push_back("geometry \"" + g.name + "\": " + std::to_string(unused) +
                                          (unused == 1 ? " vertex" : " vertices") +
                                          " used by no triangle will not be read back");
        }
    }

    bool writeObj(const ChunkWriter& chunk)
    {
        Output out(chunk);
        out.put("# Wavefront OBJ written by Mienwright\nmtllib ");
        out.put(library);
        out.endLine();
        std::uint64_t vertexBase = 1;
        std::uint64_t texcoordBase = 1;
        for (std::size_t i = 0; i < face.geometries.size() && out.ok(); ++i) {
            if (names[i].empty())
                continue;
            const FaceGeom& g = *face.geometries[i];
            const osg::Vec3Array& vertices =
                i < options.positions.size() && options.positions[i] ? *options.positions[i] : *g.vertices;
            out.put("o ");
            out.put(names[i]);
            out.endLine();
            for (const osg::Vec3& v : vertices) {
                out.put("v");
                // Back to OBJ's frame: half a turn about y.
                out.number(-v.x());
                out.number(v.y());
                out.number(-v.z());
                out.endLine();
            }
            const bool textured = !g.texIndices.empty() && g.texIndices.size() == g.vertexIndices.size();
            if (textured)
                for (const osg::Vec2& t : *g.texcoords) {
                    out.put("vt");
                    out.number(t.x());
                    out.number(t.y());
                    out.endLine();
                }
            out.put("usemtl ");
            out.put(names[i]);
            out.endLine();
            const std::size_t corners = g.vertexIndices.size() / 3 * 3;
            for (std::size_t c = 0; c < corners; c += 3) {
                out.put("f");
                for (std::size_t k = c; k < c + 3; ++k) {
                    out.put(" ");
                    out.index(vertexBase + g.vertexIndices[k]);
                    if (textured) {
                        out.put("/");
                        out.index(texcoordBase + g.texIndices[k]);
                    }
                }
                out.endLine();
            }
            vertexBase += vertices.size();
            if (textured)
                texcoordBase += g.texcoords->size();
        }
        return out.finish();
    }

    bool writeMtl(const ChunkWriter& chunk)
    {
        Output out(chunk);
        out.put("# Wavefront material library written by Mienwright\n");
        for (std::size_t i = 0; i < face.geometries.size(); ++i) {
            if (names[i].empty())
                continue;
            const FaceGeom& g = *face.geometries[i];
            out.put("\nnewmtl ");
            out.put(names[i]);
            out.put("\nKd");
            for (int c = 0; c < 3; ++c)
                out.number(g.diffuse[c]);
            out.put("\nKs");
            for (int c = 0; c < 3; ++c)
                out.number(g.specular[c]);
            if (g.diffuse.a() != 1.0f) {
                out.put("\nd");
                out.number(g.diffuse.a());
            }
            if (!g.texture.empty()) {
                out.put("\nmap_Kd ");
                out.put(textureNameFor(g.texture, textureDir, path.parent_path()));
            }
            out.endLine();
        }
        return out.finish();
    }
};

}  // namespace

bool writeObjFile(const fs::path& path, const TarvFaceObject& face, const fs::path& textureDir, ObjWriteReport* report,
                  const ObjWriteOptions& options)
{
    ObjWriteReport local;
    ObjWriteReport& r = report ? *report : local;
    try {
        return Writer{path, face, textureDir, options, r, {}, {}}.write();
    } catch (const std::bad_alloc&) {
        r.failure = "it does not fit in memory";
        return false;
    }
}

}  // namespace mw
