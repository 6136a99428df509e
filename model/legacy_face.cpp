#include "model/legacy_face.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/line_scanner.h"
#include "model/weld.h"

namespace mw {
namespace {

// The neck vertices of the fixed topology of the legacy head, in the shared numbering.
constexpr std::uint32_t kNeckVertices[] = {467, 471, 472, 475, 476, 477, 478, 479,
                                           480, 481, 482, 483, 484, 485, 486, 492};

// Lines end at LF; the LF is not part of the line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ == text_.size(); }
    char peek() const { return text_[pos_]; }  // only when !atEnd()

    std::string_view next()
    {
        const char* begin = text_.data() + pos_;
        const std::size_t rest = text_.size() - pos_;
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', rest));
        const std::size_t length = lf ? static_cast<std::size_t>(lf - begin) : rest;
        pos_ += lf ? length + 1 : length;
        return {begin, length};
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// The text from the first character that is not blank, TAB, CR or LF up to the next such
// character (or the end of the line as a C string).
std::string_view firstWord(std::string_view line)
{
    line = line.substr(0, std::min(line.find('\0'), line.size()));
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const auto begin = std::find_if_not(line.begin(), line.end(), isBlank);
    const auto end = std::find_if(begin, line.end(), isBlank);
    return {begin, end};
}

bool readTriple(std::string_view line, std::int32_t (&out)[3])
{
    LineScanner s(line);
    return s.readInt(out[0]) && s.readInt(out[1]) && s.readInt(out[2]);
}

void appendTriple(IndexList& list, const std::int32_t (&v)[3])
{
    for (const std::int32_t i : v)
        list.push_back(static_cast<std::uint32_t>(i));
}

struct LegacyParser {
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    osg::ref_ptr<FaceGeom> skin = new FaceGeom;
    osg::ref_ptr<FaceGeom> mouth = new FaceGeom;
    std::int32_t highestFaceIndex = -1;
    bool anySection = false;  // a text without one is not a legacy face at all
    osg::ref_ptr<FaceTarget> morphSkin;   // targets of the morph section being read
    osg::ref_ptr<FaceTarget> morphMouth;

    LegacyParser()
    {
        skin->name = "face";
        skin->clampIndices.assign(std::begin(kNeckVertices), std::end(kNeckVertices));
        mouth->name = "mouth";
        face->geometries.push_back(skin);
        face->geometries.push_back(mouth);
    }

    void applyLine(int section, std::string_view line)
    {
        std::int32_t t[3];
        switch (section) {
        case 1: {
            LineScanner s(line);
            float x, y, z;
            if (s.readFloat(x) && s.readFloat(y) && s.readFloat(z))
                skin->vertices->push_back({x, y, z});
            break;
        }
        case 2:
            if (readTriple(line, t)) {
                appendTriple(skin->vertexIndices, t);
                highestFaceIndex = std::max({highestFaceIndex, t[0], t[1], t[2]});
            }
            break;
        case 3: {
            LineScanner s(line);
            float u, v;
            if (s.readFloat(u) && s.readFloat(v))
                skin->texcoords->push_back({u, v});
            break;
        }
        case 4:
            if (readTriple(line, t))
                appendTriple(skin->texIndices, t);
            break;
        case 5:
            applyMorphLine(line);
            break;
        case 7:
            if (readTriple(line, t))
                appendTriple(mouth->vertexIndices, t);
            break;
        case 8:
            if (readTriple(line, t))
                appendTriple(mouth->texIndices, t);
            break;
        default:
            break;
        }
    }

    // Morph lines count vertices from 1 and flip the second and third axes.
    void applyMorphLine(std::string_view line)
    {
        LineScanner s(line);
        std::int32_t i;
        float x, y, z;
        if (!(s.readInt(i) && s.readFloat(x) && s.readFloat(y) && s.readFloat(z)))
            return;
        // Wraps like the format's int arithmetic rather than overflowing.
        const auto entry = static_cast<std::int32_t>(static_cast<std::uint32_t>(i) - 1u);
        FaceTarget& target = entry > highestFaceIndex ? *morphMouth : *morphSkin;
        target.indices.push_back(static_cast<std::uint32_t>(entry));
        target.offsets->push_back({x, -y, -z});
    }

    void beginMorph()
    {
        morphSkin = new FaceTarget;
        morphSkin->name = "face";
        morphMouth = new FaceTarget;
        morphMouth->name = "mouth";
    }

    void endMorph()
    {
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        morph->name = "morph_0";
        for (const auto& target : {morphSkin, morphMouth})
            if (!target->indices.empty())
                morph->targets.push_back(target);
        if (!morph->targets.empty())
            face->morphs.push_back(morph);
        morphSkin = morphMouth = nullptr;
    }

    void runSection(int section, LineReader& lines)
    {
        if (section == 6 || section == 9) {
            // Exactly the next line, whatever it holds; a blank one changes nothing.
            if (lines.atEnd())
                return;
            const std::string_view word = firstWord(lines.next());
            if (!word.empty())
                (section == 6 ? skin : mouth)->texture.assign(word);
            return;
        }
        if (section == 5)
            beginMorph();
        while (!lines.atEnd() && lines.peek() != '*')
            applyLine(section, lines.next());
        if (section == 5)
            endMorph();
    }

    void parse(std::string_view text)
    {
        LineReader lines(text);
        while (!lines.atEnd()) {
            const std::string_view line = lines.next();
            if (line.size() >= 2 && line[0] == '*' && line[1] >= '1' && line[1] <= '9') {
                anySection = true;
                runSection(line[1] - '0', lines);
            }
        }
        // Both geometries index the one shared vertex and coordinate list.
        mouth->vertices->assign(skin->vertices->begin(), skin->vertices->end());
        mouth->texcoords->assign(skin->texcoords->begin(), skin->texcoords->end());
        // Welding drops neck vertices that no triangle uses; a file smaller than the fixed
        // head simply lacks some of them, which is no damage worth reporting.
        const std::size_t n = skin->vertices->size();
        std::erase_if(skin->clampIndices, [n](std::uint32_t i) { return i >= n; });
    }
};

// The whole file, or false when it cannot be opened or read.
bool readWholeFile(const std::filesystem::path& path, std::string& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    std::size_t size = 0;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        size = static_cast<std::size_t>(info.st_size);
    out.resize(size + 1);  // one spare byte to notice growth or end of file at once
    std::size_t used = 0;
    bool ok = true;
    for (;;) {
        if (used == out.size())
            out.resize(out.size() * 2 + 4096);
        const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n > 0) {
            used += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        ok = n == 0;
        break;
    }
    ::close(fd);
    out.resize(used);
    return ok;
}

}  // namespace

osg::ref_ptr<TarvFaceObject> readLegacyText(std::string_view text, RepairReport* report)
{
    LegacyParser parser;
    parser.parse(text);
    if (!parser.anySection)
        return nullptr;
    RepairReport repairs = repairFace(*parser.face);
    if (report)
        report->changes.insert(report->changes.end(), std::make_move_iterator(repairs.changes.begin()),
                               std::make_move_iterator(repairs.changes.end()));
    weldFace(*parser.face);
    return parser.face;
}

osg::ref_ptr<TarvFaceObject> readLegacyFace(const std::filesystem::path& path, RepairReport* report)
{
    std::string text;
    if (!readWholeFile(path, text))
        return nullptr;
    return readLegacyText(text, report);
}

}  // namespace mw
