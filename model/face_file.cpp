#include "model/face_file.h"

#include <charconv>
#include <cstring>

#include "model/atomic_file.h"
#include "model/face_tokenizer.h"
#include "model/float_format.h"
#include "model/number_scan.h"

namespace mw {
namespace {

// ---------------------------------------------------------------------------------------
// Reading

bool equalsIgnoringCase(std::string_view token, std::string_view keyword)
{
    if (token.size() != keyword.size())
        return false;
    for (std::size_t i = 0; i < token.size(); ++i) {
        char c = token[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        char k = keyword[i];
        if (k >= 'A' && k <= 'Z')
            k = static_cast<char>(k - 'A' + 'a');
        if (c != k)
            return false;
    }
    return true;
}

bool endsBlock(std::string_view token) { return token.empty() || token == "}"; }

float floatOrZero(std::string_view token)
{
    float value = 0.0f;
    scanFloat(token, value);
    return value;
}

class FaceParser {
public:
    explicit FaceParser(FaceTokenizer& tokens) : tokens_(tokens) {}

    // True once the face's block was closed: every block inside it ended before the input did.
    bool closed() const { return closed_; }

    osg::ref_ptr<TarvFaceObject> parse()
    {
        for (;;) {
            const std::string_view token = tokens_.nextToken();
            if (token.empty())
                return nullptr;
            if (equalsIgnoringCase(token, "face"))
                break;
        }
        osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
        const std::string_view open = tokens_.nextToken();
        if (open != "{") {
            closed_ = !open.empty();  // "face" without a block is all there is to it
            return face;
        }
        for (;;) {
            const std::string_view token = tokens_.nextToken();
            if (endsBlock(token)) {
                closed_ = token == "}";
                break;
            }
            if (equalsIgnoringCase(token, "geometry"))
                face->geometries.push_back(parseGeometry());
            else if (equalsIgnoringCase(token, "morph"))
                face->morphs.push_back(parseMorph());
        }
        return face;
    }

private:
    std::string_view nextName()
    {
        bool quoted = false;
        return tokens_.nextName(quoted);
    }

    // Reads an optional name after a block keyword; true when the block's items follow.
    bool openNamedBlock(std::string& name)
    {
        bool quoted = false;
        std::string_view token = tokens_.nextName(quoted);
        if (quoted || (!token.empty() && token != "{")) {
            name.assign(token);
            token = tokens_.nextToken();
        }
        return token == "{";
    }

    osg::ref_ptr<FaceGeom> parseGeometry()
    {
        osg::ref_ptr<FaceGeom> geom = new FaceGeom;
        if (!openNamedBlock(geom->name))
            return geom;
        for (;;) {
            const std::string_view token = tokens_.nextToken();
            if (endsBlock(token))
                break;
            if (equalsIgnoringCase(token, "texture"))
                geom->texture.assign(nextName());
            else if (equalsIgnoringCase(token, "diffuse"))
                parseColour(geom->diffuse);
            else if (equalsIgnoringCase(token, "specular"))
                parseColour(geom->specular);
            else if (equalsIgnoringCase(token, "vertices"))
                parseVec3List(*geom->vertices);
            else if (equalsIgnoringCase(token, "texcoords"))
                parseVec2List(*geom->texcoords);
            else if (equalsIgnoringCase(token, "vertexIndices"))
                parseIndexList(geom->vertexIndices);
            else if (equalsIgnoringCase(token, "texIndices"))
                parseIndexList(geom->texIndices);
            else if (equalsIgnoringCase(token, "clampIndices"))
                parseIndexList(geom->clampIndices);
        }
        return geom;
    }

    void parseColour(osg::Vec4& colour)
    {
        // Four tokens, whatever they are; one that is not a number keeps its component.
        for (int i = 0; i < 4; ++i)
            scanFloat(tokens_.nextToken(), colour[i]);
    }

    void parseVec3List(osg::Vec3Array& out)
    {
        if (tokens_.nextToken() != "{")
            return;
        for (;;) {
            osg::Vec3 v;
            for (int k = 0; k < 3; ++k) {
                const std::string_view token = tokens_.nextToken();
                if (endsBlock(token))
                    return;  // an incomplete group is dropped
                v[k] = floatOrZero(token);
            }
            out.push_back(v);
        }
    }

    void parseVec2List(osg::Vec2Array& out)
    {
        if (tokens_.nextToken() != "{")
            return;
        for (;;) {
            osg::Vec2 v;
            for (int k = 0; k < 2; ++k) {
                const std::string_view token = tokens_.nextToken();
                if (endsBlock(token))
                    return;
                v[k] = floatOrZero(token);
            }
            out.push_back(v);
        }
    }

    void parseIndexList(IndexList& out)
    {
        if (tokens_.nextToken() != "{")
            return;
        for (;;) {
            const std::string_view token = tokens_.nextToken();
            if (endsBlock(token))
                return;
            std::uint32_t value = 0;
            scanUnsigned(token, value);
            out.push_back(value);
        }
    }

    osg::ref_ptr<FaceMorph> parseMorph()
    {
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        if (!openNamedBlock(morph->name))
            return morph;
        for (;;) {
            const std::string_view token = tokens_.nextToken();
            if (endsBlock(token))
                break;
            if (equalsIgnoringCase(token, "target"))
                morph->targets.push_back(parseTarget());
        }
        return morph;
    }

    osg::ref_ptr<FaceTarget> parseTarget()
    {
        osg::ref_ptr<FaceTarget> target = new FaceTarget;
        if (!openNamedBlock(target->name))
            return target;
        osg::Vec3Array& offsets = *target->offsets;
        for (;;) {
            std::string_view token = tokens_.nextToken();
            if (endsBlock(token))
                return target;
            std::int32_t index = 0;
            scanInteger(token, index);
            osg::Vec3 offset;
            for (int k = 0; k < 3; ++k) {
                token = tokens_.nextToken();
                if (endsBlock(token))
                    return target;  // an incomplete entry is dropped
                offset[k] = floatOrZero(token);
            }
            target->indices.push_back(static_cast<std::uint32_t>(index));
            offsets.push_back(offset);
        }
    }

    FaceTokenizer& tokens_;
    bool closed_ = false;
};

// ---------------------------------------------------------------------------------------
// Writing

// Collects the text in a block-sized buffer and hands full blocks to a sink.
class FaceWriter {
public:
    static constexpr std::size_t kMaxItem = 256;  // longest single append between checks

    // Files get large blocks (few system calls); text kept in memory grows from a small one.
    explicit FaceWriter(const ChunkWriter* sink, std::string* whole)
        : sink_(sink), whole_(whole), block_(sink ? std::size_t{1} << 20 : std::size_t{1} << 14)
    {
        buffer_.resize(block_ + kMaxItem);
    }

    bool finish() { return flush(); }
    bool ok() const { return ok_; }

    void write(const TarvFaceObject& face)
    {
        line("Face {");
        ++level_;
        for (const auto& geom : face.geometries)
            writeGeometry(*geom);
        for (const auto& morph : face.morphs)
            writeMorph(*morph);
        --level_;
        line("}");
    }

private:
    void writeGeometry(const FaceGeom& geom)
    {
        openBlock("Geometry ", geom.name);
        ++level_;
        if (!geom.texture.empty()) {
            indent();
            text("texture ");
            name(geom.texture);
            endLine();
        }
        colourLine("diffuse ", geom.diffuse);
        colourLine("specular ", geom.specular);

        line("vertices {");
        ++level_;
        for (const osg::Vec3& v : *geom.vertices) {
            indent();
            number(v.x()); blank(); number(v.y()); blank(); number(v.z());
            endLine();
        }
        --level_;
        line("}");

        line("texcoords {");
        ++level_;
        for (const osg::Vec2& t : *geom.texcoords) {
            indent();
            number(t.x()); blank(); number(t.y());
            endLine();
        }
        --level_;
        line("}");

        indexRows("vertexIndices {", geom.vertexIndices, 3);
        indexRows("texIndices {", geom.texIndices, 3);
        indexRows("clampIndices {", geom.clampIndices, 1);
        --level_;
        line("}");
    }

    void writeMorph(const FaceMorph& morph)
    {
        openBlock("morph ", morph.name);
        ++level_;
        for (const auto& target : morph.targets) {
            openBlock("target ", target->name);
            ++level_;
            const osg::Vec3Array& offsets = *target->offsets;
            // A damaged target with unequal lists writes only its complete entries.
            const std::size_t n = std::min(target->indices.size(), offsets.size());
            for (std::size_t j = 0; j < n; ++j) {
                indent();
                number(target->indices[j]); blank();
                number(offsets[j].x()); blank(); number(offsets[j].y()); blank(); number(offsets[j].z());
                endLine();
            }
            --level_;
            line("}");
        }
        --level_;
        line("}");
    }

    // Rows of `perRow` indices, each index followed by a blank. A short last row has no line
    // end, so the closing brace's indentation follows on the same line.
    void indexRows(std::string_view opening, const IndexList& indices, std::size_t perRow)
    {
        line(opening);
        ++level_;
        for (std::size_t i = 0; i < indices.size(); ++i) {
            if (i % perRow == 0)
                indent();
            number(indices[i]);
            blank();
            if (i % perRow == perRow - 1)
                endLine();
        }
        --level_;
        line("}");
    }

    void openBlock(std::string_view keyword, const std::string& name)
    {
        indent();
        text(keyword);
        this->name(name);
        text(" {");
        endLine();
    }

    // A name goes in double quotes only when it could not be read back as one token (or would
    // read as a comment or a quoted name); every other name is written as it is.
    void name(std::string_view s)
    {
        const bool quote = (!s.empty() && s.front() == '#') ||
                           s.find_first_of(" \t\"{}") != std::string_view::npos;
        if (!quote) {
            text(s);
            return;
        }
        put('"');
        for (const char c : s) {
            if (c == '"' || c == '\\')
                put('\\');
            put(c);
        }
        put('"');
    }

    void colourLine(std::string_view keyword, const osg::Vec4& c)
    {
        indent();
        text(keyword);
        number(c[0]); blank(); number(c[1]); blank(); number(c[2]); blank(); number(c[3]);
        endLine();
    }

    void line(std::string_view s)
    {
        indent();
        text(s);
        endLine();
    }

    void indent()
    {
        for (int i = 0; i < level_; ++i)
            put('\t');
    }
    void blank() { put(' '); }
    void endLine()
    {
        put('\r');
        put('\n');
    }

    void put(char c)
    {
        buffer_[used_++] = c;
        if (used_ >= block_)
            flush();
    }

    void text(std::string_view s)
    {
        // Names may be long; copy in pieces so the buffer never overflows.
        while (!s.empty()) {
            const std::size_t room = buffer_.size() - used_;
            const std::size_t n = std::min(room, s.size());
            std::memcpy(buffer_.data() + used_, s.data(), n);
            used_ += n;
            s.remove_prefix(n);
            if (used_ >= block_)
                flush();
        }
    }

    // General notation with 6 significant digits, as printf's "%g" writes it.
    void number(float value)
    {
        char* const end = formatGeneral6(buffer_.data() + used_, value);
        used_ = static_cast<std::size_t>(end - buffer_.data());
        if (used_ >= block_)
            flush();
    }

    void number(std::uint32_t value)
    {
        char* first = buffer_.data() + used_;
        const auto result = std::to_chars(first, buffer_.data() + buffer_.size(), value);
        used_ = static_cast<std::size_t>(result.ptr - buffer_.data());
        if (used_ >= block_)
            flush();
    }

    bool flush()
    {
        if (used_ == 0)
            return ok_;
        const std::string_view chunk(buffer_.data(), used_);
        if (whole_)
            whole_->append(chunk);
        if (sink_ && ok_)
            ok_ = (*sink_)(chunk);
        used_ = 0;
        return ok_;
    }

    const ChunkWriter* sink_;
    std::string* whole_;
    std::size_t block_;
    std::string buffer_;
    std::size_t used_ = 0;
    int level_ = 0;
    bool ok_ = true;
};

}  // namespace

osg::ref_ptr<TarvFaceObject> readFace(FaceTokenizer& tokens, FaceTextEnd* end)
{
    FaceParser parser(tokens);
    osg::ref_ptr<TarvFaceObject> face = parser.parse();
    if (end) {
        end->readError = tokens.failed();
        end->early = face && !parser.closed();
    }
    // A face cut short by a read error must never pass for the whole file.
    if (tokens.failed())
        return nullptr;
    return face;
}

osg::ref_ptr<TarvFaceObject> readFaceFile(const std::filesystem::path& path, FaceTextEnd* end)
{
    FaceTokenizer tokens(path);
    return readFace(tokens, end);
}

osg::ref_ptr<TarvFaceObject> readFaceText(std::string_view text, FaceTextEnd* end)
{
    FaceTokenizer tokens(text);
    return readFace(tokens, end);
}

std::string formatFace(const TarvFaceObject& face)
{
    std::string whole;
    FaceWriter writer(nullptr, &whole);
    writer.write(face);
    writer.finish();
    return whole;
}

bool writeFaceFile(const std::filesystem::path& path, const TarvFaceObject& face)
{
    std::error_code error;
    return writeFaceFile(path, face, error);
}

bool writeFaceFile(const std::filesystem::path& path, const TarvFaceObject& face, std::error_code& error)
{
    return replaceFileAtomically(
        path,
        [&face](const ChunkWriter& sink) {
            FaceWriter writer(&sink, nullptr);
            writer.write(face);
            return writer.finish();
        },
        error);
}

}  // namespace mw
