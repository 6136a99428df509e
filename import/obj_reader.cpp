#include "import/obj_reader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "import/mtl_file.h"
#include "import/obj_text.h"

namespace mw {
namespace {

namespace fs = std::filesystem;
using obj::isBlank;

constexpr std::uint32_t kBad = std::numeric_limits<std::uint32_t>::max();  // index 0 or before the first entry
constexpr std::uint32_t kAbsent = kBad - 1;                                // a corner without texture coordinate
constexpr std::uint32_t kMaxEntries = kAbsent - 1;

std::string plural(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A name the panes accept: one word, no control characters.
std::string oneWord(std::string_view text)
{
    std::string name(obj::trim(text));
    for (char& c : name)
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f')
            c = '_';
    return name;
}

// A statement's arguments: the text after the keyword, up to a comment.
std::string_view arguments(std::string_view rest)
{
    for (std::size_t i = 0; i < rest.size(); ++i)
        if (rest[i] == '#' && (i == 0 || isBlank(rest[i - 1])))
            return obj::trim(rest.substr(0, i));
    return obj::trim(rest);
}

// One index of a face corner at p: optional sign and digits. Saturates far beyond any count.
bool readIndex(const char*& p, const char* end, std::int64_t& out)
{
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    const char* const digits = p;
    std::int64_t value = 0;
    for (; p != end; ++p) {
        const unsigned d = static_cast<unsigned>(*p - '0');
        if (d > 9)
            break;
        if (value < (std::int64_t{1} << 40))
            value = value * 10 + d;
    }
    if (p == digits)
        return false;
    out = negative ? -value : value;
    return true;
}

// OBJ numbers entries from 1; negative numbers count back from the last entry read so far.
// kBad for 0 and for entries not read yet.
std::uint32_t resolve(std::int64_t index, std::size_t countSoFar)
{
    const auto count = static_cast<std::int64_t>(countSoFar);
    if (index > 0 && index <= count)
        return static_cast<std::uint32_t>(index - 1);
    if (index < 0 && count + index >= 0)
        return static_cast<std::uint32_t>(count + index);
    return kBad;
}

// A run of consecutive triangles read under one material and one group name.
struct Run {
    std::uint32_t material;  // 0: none yet
    std::uint32_t group;     // 0: none yet
    std::size_t firstTriangle;
};

// Names seen in usemtl or o/g statements, numbered from 1 in order of appearance.
struct NameTable {
    std::vector<std::string> names{std::string()};
    std::unordered_map<std::string, std::uint32_t> index;

    std::uint32_t number(std::string_view name)
    {
        const auto [it, added] = index.try_emplace(std::string(name), static_cast<std::uint32_t>(names.size()));
        if (added)
            names.emplace_back(name);
        return it->second;
    }
};

class Reader {
public:
    Reader(const fs::path& path, const ObjReadOptions& options) : path_(path), options_(options) {}

    osg::ref_ptr<TarvFaceObject> read(std::string_view text, std::vector<std::string>& notes, std::string& failure)
    {
        parse(text);
        if (triangleVertices_.empty()) {
            failure = whyNothing();
            return nullptr;
        }
        if (positions_.size() > kMaxEntries || texcoords_.size() > kMaxEntries) {
            failure = "it holds more entries than a face can number";
            return nullptr;
        }
        noteSkippedFaces(notes);
        if (options_.materialFiles)
            readMaterials(notes);
        osg::ref_ptr<TarvFaceObject> face = build(notes);
        if (face->geometries.empty()) {
            failure = whyNothing();
            return nullptr;
        }
        return face;
    }

private:
    // ---- reading the statements ----

    void parse(std::string_view text)
    {
        obj::LineReader lines(text);
        std::string_view line;
        while (lines.next(line)) {
            const char* p = line.data();
            const char* const end = p + line.size();
            while (p != end && isBlank(*p))
                ++p;
            if (p == end)
                continue;
            const char c = *p;
            if (c == 'v' && (end - p == 1 || isBlank(p[1]))) {
                readPosition(p + 1, end);
            } else if (c == 'f' && (end - p == 1 || isBlank(p[1]))) {
                readFace(p + 1, end);
            } else if (c == 'v' && end - p > 1 && p[1] == 't' && (end - p == 2 || isBlank(p[2]))) {
                readTexcoord(p + 2, end);
            } else if (c != '#' && c != 'v') {
                readNamedStatement(std::string_view(p, static_cast<std::size_t>(end - p)));
            }
        }
    }

    // The next blank-separated token from p, or an empty one at the end of the statement.
    static std::string_view nextToken(const char*& p, const char* end)
    {
        while (p != end && isBlank(*p))
            ++p;
        const char* const start = p;
        while (p != end && !isBlank(*p))
            ++p;
        if (start != end && *start == '#') {
            p = end;
            return {};
        }
        return std::string_view(start, static_cast<std::size_t>(p - start));
    }

    void readPosition(const char* p, const char* end)
    {
        float xyz[3] = {0.0f, 0.0f, 0.0f};
        bool complete = true;
        for (float& value : xyz) {
            const std::string_view token = nextToken(p, end);
            if (token.empty() || !obj::parseFloat(token, value)) {
                value = 0.0f;
                complete = false;
            }
        }
        shortPositions_ += !complete;
        // Half a turn about y: from a model looking along +Z to a face looking along -Z.
        positions_.emplace_back(-xyz[0], xyz[1], -xyz[2]);
    }

    void readTexcoord(const char* p, const char* end)
    {
        float uv[2] = {0.0f, 0.0f};
        bool complete = true;
        for (int k = 0; k < 2; ++k) {
            const std::string_view token = nextToken(p, end);
            if (token.empty() || !obj::parseFloat(token, uv[k])) {
                uv[k] = 0.0f;
                complete &= k == 1 && token.empty();  // "vt u" alone is allowed
            }
        }
        shortTexcoords_ += !complete;
        texcoords_.emplace_back(uv[0], uv[1]);
    }

    void readFace(const char* p, const char* end)
    {
        ++faces_;
        cornerVertices_.clear();
        cornerTexcoords_.clear();
        bool readable = true;
        for (;;) {
            const std::string_view token = nextToken(p, end);
            if (token.empty())
                break;
            const char* q = token.data();
            const char* const stop = q + token.size();
            std::int64_t v = 0;
            std::int64_t t = 0;
            bool hasT = false;
            if (!readIndex(q, stop, v)) {
                readable = false;
                continue;
            }
            if (q != stop && *q == '/') {
                ++q;
                if (q != stop && *q != '/') {
                    hasT = readIndex(q, stop, t);
                    readable &= hasT;
                }
                if (q != stop && *q == '/') {
                    ++q;
                    std::int64_t ignoredNormal;
                    if (q != stop)
                        readable &= readIndex(q, stop, ignoredNormal);
                }
            }
            readable &= q == stop;
            cornerVertices_.push_back(resolve(v, positions_.size()));
            cornerTexcoords_.push_back(hasT ? resolve(t, texcoords_.size()) : kAbsent);
        }
        if (!readable) {
            ++unreadableFaces_;
            return;
        }
        if (cornerVertices_.size() < 3) {
            ++shortFaces_;
            return;
        }
        // A face with one wrong corner is broken as a whole: none of its triangles is kept.
        if (std::find(cornerVertices_.begin(), cornerVertices_.end(), kBad) != cornerVertices_.end()) {
            ++badVertexFaces_;
            return;
        }
        if (std::find(cornerTexcoords_.begin(), cornerTexcoords_.end(), kBad) != cornerTexcoords_.end()) {
            ++badTexcoordFaces_;
            return;
        }
        if (runs_.empty() || runs_.back().material != material_ || runs_.back().group != group_)
            runs_.push_back({material_, group_, triangleVertices_.size() / 3});
        // A fan from the first corner.
        for (std::size_t k = 1; k + 1 < cornerVertices_.size(); ++k) {
            const std::uint32_t v[3] = {cornerVertices_[0], cornerVertices_[k], cornerVertices_[k + 1]};
            const std::uint32_t t[3] = {cornerTexcoords_[0], cornerTexcoords_[k], cornerTexcoords_[k + 1]};
            triangleVertices_.insert(triangleVertices_.end(), v, v + 3);
            triangleTexcoords_.insert(triangleTexcoords_.end(), t, t + 3);
        }
    }

    void readNamedStatement(std::string_view statement)
    {
        std::string_view rest = statement;
        const std::string_view keyword = obj::takeToken(rest);
        if (keyword == "usemtl") {
            usesMaterials_ = true;
            material_ = materials_.number(arguments(rest));
        } else if (keyword == "o" || keyword == "g") {
            const std::string_view name = arguments(rest);
            group_ = name.empty() ? 0 : groups_.number(name);
        } else if (keyword == "mtllib") {
            const std::string_view name = arguments(rest);
            if (!name.empty())
                libraries_.emplace_back(name);
        }
        // s, l, p, vn, vp, curves, surfaces and anything unknown: nothing a face keeps.
    }

    // The faces left out, as "3 with ..., 1 with ...".
    std::string skippedFaces() const
    {
        std::string list;
        const auto add = [&](std::size_t n, const char* why) {
            if (n)
                list += (list.empty() ? "" : ", ") + std::to_string(n) + " " + why;
        };
        add(badVertexFaces_, "with a vertex index of 0 or out of range");
        add(badTexcoordFaces_, "with a texture coordinate index of 0 or out of range");
        add(shortFaces_, "with fewer than three corners");
        add(unreadableFaces_, "whose corners cannot be read");
        return list;
    }

    std::string whyNothing() const
    {
        if (faces_ == 0)
            return positions_.empty() ? "it holds no OBJ vertices or faces" : "it holds no faces";
        return "none of its " + plural(faces_, "face", "faces") + " can be used (" + skippedFaces() + ")";
    }

    void noteSkippedFaces(std::vector<std::string>& notes) const
    {
        const std::size_t skipped = badVertexFaces_ + badTexcoordFaces_ + shortFaces_ + unreadableFaces_;
        if (skipped)
            notes.push_back("skipped " + plural(skipped, "face", "faces") + ": " + skippedFaces());
        if (shortPositions_)
            notes.push_back(plural(shortPositions_, "vertex", "vertices") +
                            " without three readable coordinates; the missing ones are 0");
        if (shortTexcoords_)
            notes.push_back(plural(shortTexcoords_, "texture coordinate", "texture coordinates") +
                            " that cannot be read; they are 0");
    }

    // ---- materials ----

    void readMaterials(std::vector<std::string>& notes)
    {
        if (!usesMaterials_)
            return;
        const fs::path folder = path_.parent_path();
        std::vector<fs::path> files;  // relative to the OBJ's folder, or absolute
        for (const std::string& named : libraries_) {
            const std::string whole = obj::fileNameFromText(named);
            if (!obj::findFile(folder, whole).empty()) {
                files.emplace_back(whole);
                continue;
            }
            // mtllib may name several files, separated by blanks.
            std::string_view rest = named;
            for (std::string_view token = obj::takeToken(rest); !token.empty(); token = obj::takeToken(rest))
                files.emplace_back(obj::fileNameFromText(token));
        }
        if (libraries_.empty())
            files.emplace_back(path_.stem().string() + ".mtl");
        std::set<fs::path> seen;
        for (const fs::path& file : files) {
            if (!seen.insert(file).second)
                continue;
            const fs::path found = obj::findFile(folder, file);
            std::string text;
            if (found.empty() || !obj::readWholeFile(found, text)) {
                if (!libraries_.empty())
                    notes.push_back("material library " + file.generic_string() + " cannot be read");
                continue;
            }
            std::string converted;
            if (obj::normalizeText(text, converted))
                text.swap(converted);
            MtlLibrary library;
            parseMtl(text, library);
            for (auto& [name, material] : library) {
                if (!material.texture.empty())
                    material.texture = textureName(file.parent_path(), material.texture);
                library_.try_emplace(name, std::move(material));
            }
        }
    }

    // A map_Kd name as the face stores it: relative to the OBJ's folder (or absolute), spelt as
    // the file on disk is when only its case differs, or the image of that name beside the
    // material library when the written path leads nowhere (a folder of another machine).
    std::string textureName(const fs::path& mtlFolder, const std::string& written) const
    {
        const fs::path folder = path_.parent_path();
        const fs::path name = fs::path(written).is_absolute() ? fs::path(written) : (mtlFolder / written).lexically_normal();
        fs::path found = obj::findFile(folder, name);
        fs::path stored = name;
        if (found.empty()) {
            stored = (mtlFolder / fs::path(written).filename()).lexically_normal();
            found = obj::findFile(folder, stored);
            if (found.empty())
                return name.generic_string();
        }
        return (stored.parent_path() / found.filename()).generic_string();
    }

    void applyMaterial(FaceGeom& geom, const std::string& materialName, std::vector<std::string>& notes)
    {
        const auto found = library_.find(obj::trim(materialName));
        if (found == library_.end()) {
            if (options_.materialFiles && !libraries_.empty())
                notes.push_back("material \"" + materialName + "\" is defined in no material library; geometry \"" +
                                geom.name + "\" keeps the default colours");
            return;
        }
        const MtlMaterial& material = found->second;
        if (material.diffuse)
            geom.diffuse = osg::Vec4(*material.diffuse, 1.0f);
        if (material.opacity)
            geom.diffuse.a() = *material.opacity;
        if (material.specular)
            geom.specular = osg::Vec4(*material.specular, 1.0f);
        geom.texture = material.texture;
        if (!geom.texture.empty() && obj::findFile(path_.parent_path(), geom.texture).empty())
            notes.push_back("texture " + geom.texture + " of material \"" + materialName + "\" not found");
    }

    // ---- building the geometries ----

    osg::ref_ptr<TarvFaceObject> build(std::vector<std::string>& notes)
    {
        // Geometry keys in order of first use, and each key's runs.
        std::vector<std::uint32_t> order;
        std::unordered_map<std::uint32_t, std::vector<std::size_t>> runsOf;
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            const std::uint32_t key = usesMaterials_ ? runs_[r].material : runs_[r].group;
            auto [it, added] = runsOf.try_emplace(key);
            if (added)
                order.push_back(key);
            it->second.push_back(r);
        }
        osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
        std::string stem = oneWord(path_.stem().string());
        if (stem.empty())
            stem = "mesh";
        vertexStamp_.assign(positions_.size(), 0);
        vertexRemap_.resize(positions_.size());
        texcoordStamp_.assign(texcoords_.size(), 0);
        texcoordRemap_.resize(texcoords_.size());
        for (const std::uint32_t key : order) {
            const std::string& source = usesMaterials_ ? materials_.names[key] : groups_.names[key];
            osg::ref_ptr<FaceGeom> geom = new FaceGeom;
            geom->name = uniqueName(key == 0 || oneWord(source).empty() ? stem : oneWord(source));
            if (!fill(*geom, runsOf[key], face->geometries.size(), notes))
                continue;
            if (usesMaterials_ && !source.empty())
                applyMaterial(*geom, source, notes);
            face->geometries.push_back(geom);
        }
        return face;
    }

    std::size_t runEnd(std::size_t r) const
    {
        return r + 1 < runs_.size() ? runs_[r + 1].firstTriangle : triangleVertices_.size() / 3;
    }

    // The geometry's triangles from its runs (their indices were checked as they were read),
    // renumbered onto the entries they use in file order. False when there is none.
    bool fill(FaceGeom& geom, const std::vector<std::size_t>& runs, std::size_t number, std::vector<std::string>& notes)
    {
        const std::uint32_t stamp = static_cast<std::uint32_t>(number + 1);
        std::vector<std::uint32_t> usedVertices;
        std::vector<std::uint32_t> usedTexcoords;
        std::size_t withoutTexcoord = 0;
        IndexList& vertexIndices = geom.vertexIndices;
        IndexList& texIndices = geom.texIndices;
        std::size_t corners = 0;
        for (const std::size_t r : runs)
            corners += 3 * (runEnd(r) - runs_[r].firstTriangle);
        vertexIndices.reserve(corners);
        texIndices.reserve(corners);
        for (const std::size_t r : runs) {
            for (std::size_t t = runs_[r].firstTriangle, last = runEnd(r); t < last; ++t) {
                const std::uint32_t* v = &triangleVertices_[3 * t];
                const std::uint32_t* c = &triangleTexcoords_[3 * t];
                for (int k = 0; k < 3; ++k) {
                    if (vertexStamp_[v[k]] != stamp) {
                        vertexStamp_[v[k]] = stamp;
                        usedVertices.push_back(v[k]);
                    }
                    vertexIndices.push_back(v[k]);
                    if (c[k] == kAbsent) {
                        ++withoutTexcoord;
                    } else if (texcoordStamp_[c[k]] != stamp) {
                        texcoordStamp_[c[k]] = stamp;
                        usedTexcoords.push_back(c[k]);
                    }
                    texIndices.push_back(c[k]);
                }
            }
        }
        if (vertexIndices.empty())
            return false;

        // Vertices in file order.
        inFileOrder(usedVertices, vertexStamp_, stamp);
        osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array(usedVertices.size());
        for (std::size_t i = 0; i < usedVertices.size(); ++i) {
            (*vertices)[i] = positions_[usedVertices[i]];
            vertexRemap_[usedVertices[i]] = static_cast<std::uint32_t>(i);
        }
        for (std::uint32_t& index : vertexIndices)
            index = vertexRemap_[index];
        geom.vertices = vertices;

        if (usedTexcoords.empty()) {
            texIndices.clear();
            return true;
        }
        inFileOrder(usedTexcoords, texcoordStamp_, stamp);
        osg::ref_ptr<osg::Vec2Array> uvs = new osg::Vec2Array(usedTexcoords.size());
        for (std::size_t i = 0; i < usedTexcoords.size(); ++i) {
            (*uvs)[i] = texcoords_[usedTexcoords[i]];
            texcoordRemap_[usedTexcoords[i]] = static_cast<std::uint32_t>(i);
        }
        if (withoutTexcoord) {
            // The rest of the geometry has coordinates: these corners get (0, 0).
            notes.push_back("geometry " + std::to_string(number) + " \"" + geom.name + "\": " +
                            plural(withoutTexcoord, "triangle corner", "triangle corners") +
                            " without texture coordinates get (0, 0)");
            uvs->push_back(osg::Vec2(0.0f, 0.0f));
        }
        const auto fallback = static_cast<std::uint32_t>(usedTexcoords.size());
        for (std::uint32_t& index : texIndices)
            index = index == kAbsent ? fallback : texcoordRemap_[index];
        geom.texcoords = uvs;
        return true;
    }

    // Sorts the entries a geometry uses into file order: a walk over the stamps when they are
    // many, a sort when they are few, so that many small groups cost no more than one large.
    static void inFileOrder(std::vector<std::uint32_t>& used, const std::vector<std::uint32_t>& stamps,
                            std::uint32_t stamp)
    {
        if (used.size() * 8 < stamps.size()) {
            std::sort(used.begin(), used.end());
            return;
        }
        std::size_t n = 0;
        for (std::size_t i = 0; i < stamps.size(); ++i)
            if (stamps[i] == stamp)
                used[n++] = static_cast<std::uint32_t>(i);
    }

    std::string uniqueName(const std::string& name)
    {
        if (usedNames_.insert(name).second)
            return name;
        for (int n = 2;; ++n) {
            std::string candidate = name + "_" + std::to_string(n);
            if (usedNames_.insert(candidate).second)
                return candidate;
        }
    }

    const fs::path& path_;
    const ObjReadOptions& options_;

    std::vector<osg::Vec3> positions_;
    std::vector<osg::Vec2> texcoords_;
    std::vector<std::uint32_t> triangleVertices_;   // three per triangle, into positions_
    std::vector<std::uint32_t> triangleTexcoords_;  // three per triangle, into texcoords_ or kAbsent
    std::vector<Run> runs_;
    std::vector<std::uint32_t> cornerVertices_;
    std::vector<std::uint32_t> cornerTexcoords_;
    NameTable materials_;
    NameTable groups_;
    std::uint32_t material_ = 0;
    std::uint32_t group_ = 0;
    bool usesMaterials_ = false;
    std::vector<std::string> libraries_;
    MtlLibrary library_;

    std::size_t faces_ = 0;
    std::size_t unreadableFaces_ = 0;
    std::size_t badVertexFaces_ = 0;
    std::size_t badTexcoordFaces_ = 0;
    std::size_t shortFaces_ = 0;
    std::size_t shortPositions_ = 0;
    std::size_t shortTexcoords_ = 0;

    std::vector<std::uint32_t> vertexStamp_;
    std::vector<std::uint32_t> vertexRemap_;
    std::vector<std::uint32_t> texcoordStamp_;
    std::vector<std::uint32_t> texcoordRemap_;
    std::set<std::string> usedNames_;
};

}  // namespace

bool isObjPath(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension == ".obj";
}

osg::ref_ptr<TarvFaceObject> readObjText(std::string_view text, const std::filesystem::path& path,
                                         const ObjReadOptions& options, RepairReport* report, std::string* failure)
{
    std::string converted;
    if (obj::normalizeText(text, converted))
        text = converted;
    std::vector<std::string> notes;
    std::string why;
    osg::ref_ptr<TarvFaceObject> face;
    try {
        face = Reader(path, options).read(text, notes, why);
    } catch (const std::bad_alloc&) {
        why = "it does not fit in memory";
    } catch (const std::length_error&) {
        why = "it does not fit in memory";
    }
    if (!face) {
        if (failure)
            *failure = why;
        return nullptr;
    }
    RepairReport repairs = repairFace(*face);
    if (report) {
        report->changes.insert(report->changes.end(), notes.begin(), notes.end());
        report->changes.insert(report->changes.end(), repairs.changes.begin(), repairs.changes.end());
    }
    return face;
}

osg::ref_ptr<TarvFaceObject> readObjFile(const std::filesystem::path& path, RepairReport* report, std::string* failure)
{
    std::string text;
    try {
        if (!obj::readWholeFile(path, text)) {
            if (failure)
                *failure = "the file cannot be read";
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        if (failure)
            *failure = "it does not fit in memory";
        return nullptr;
    }
    return readObjText(text, path, {}, report, failure);
}

}  // namespace mw
