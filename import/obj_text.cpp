#include "import/obj_text.h"

#include <cstring>
#include <fstream>

#include <fast_float/fast_float.h>

namespace mw::obj {
namespace {

// The physical line at `p`: its text without CR or LF, and where the next one starts.
std::string_view physicalLine(const char*& p, const char* end)
{
    const char* const start = p;
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    const char* stop = lf ? static_cast<const char*>(lf) : end;
    p = lf ? stop + 1 : end;
    if (stop != start && stop[-1] == '\r')
        --stop;
    return std::string_view(start, static_cast<std::size_t>(stop - start));
}

bool continues(std::string_view line) { return !line.empty() && line.back() == '\\'; }

void appendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

}  // namespace

bool LineReader::next(std::string_view& line)
{
    if (p_ == end_)
        return false;
    line = physicalLine(p_, end_);
    if (!continues(line))
        return true;
    // Rare: a statement continued on the next line. Each piece is copied once.
    joined_.assign(line.data(), line.size() - 1);
    while (p_ != end_) {
        joined_ += ' ';
        const std::string_view piece = physicalLine(p_, end_);
        if (!continues(piece)) {
            joined_.append(piece);
            break;
        }
        joined_.append(piece.data(), piece.size() - 1);
    }
    line = joined_;
    return true;
}

std::string_view trim(std::string_view text)
{
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    std::size_t last = text.size();
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string_view takeToken(std::string_view& text)
{
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    std::size_t last = first;
    while (last < text.size() && !isBlank(text[last]))
        ++last;
    const std::string_view token = text.substr(first, last - first);
    text.remove_prefix(last);
    return token;
}

bool parseFloat(std::string_view token, float& out)
{
    const char* p = token.data();
    const char* const end = p + token.size();
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || *p == '+' || *p == '-')
        return false;
    float value = 0.0f;
    const auto result = fast_float::from_chars(p, end, value);
    if (result.ptr == p)
        return false;
    out = negative ? -value : value;
    return true;
}

bool normalizeText(std::string_view text, std::string& converted)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.size() >= 2 && ((byte(0) == 0xFE && byte(1) == 0xFF) || (byte(0) == 0xFF && byte(1) == 0xFE))) {
        const bool bigEndian = byte(0) == 0xFE;
        std::string out;
        out.reserve(text.size() / 2);
        for (std::size_t i = 2; i + 1 < text.size(); i += 2) {
            std::uint32_t unit = bigEndian ? (byte(i) << 8 | byte(i + 1)) : (byte(i + 1) << 8 | byte(i));
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < text.size()) {
                const std::uint32_t low = bigEndian ? (byte(i + 2) << 8 | byte(i + 3)) : (byte(i + 3) << 8 | byte(i + 2));
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            appendUtf8(out, unit);
        }
        std::string ignored;
        if (normalizeText(out, ignored))
            out.swap(ignored);
        converted.swap(out);
        return true;
    }
    if (text.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        std::string out(text.substr(3));
        std::string again;
        if (normalizeText(out, again))
            out.swap(again);
        converted.swap(out);
        return true;
    }
    // Lines ended by CR alone: only when the text holds no LF at all.
    if (text.find('\n') == std::string_view::npos && text.find('\r') != std::string_view::npos) {
        converted.assign(text);
        for (char& c : converted)
            if (c == '\r')
                c = '\n';
        return true;
    }
    return false;
}

std::string fileNameFromText(std::string_view text)
{
    std::string name(trim(text));
    for (char& c : name)
        if (c == '\\')
            c = '/';
    return name;
}

std::filesystem::path findFile(const std::filesystem::path& folder, const std::filesystem::path& name)
{
    std::error_code error;
    const std::filesystem::path exact = name.is_absolute() ? name : folder / name;
    if (std::filesystem::is_regular_file(exact, error))
        return exact;
    const std::filesystem::path parent = exact.parent_path();
    const std::string wanted = exact.filename().string();
    std::filesystem::directory_iterator it(parent.empty() ? "." : parent, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (equalIgnoringCase(candidate, wanted) && it->is_regular_file(error))
            return it->path();
    }
    return {};
}

bool readWholeFile(const std::filesystem::path& path, std::string& out)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.resize(static_cast<std::size_t>(size));
    if (size > 0)
        in.read(out.data(), static_cast<std::streamsize>(size));
    return static_cast<bool>(in);
}

}  // namespace mw::obj
