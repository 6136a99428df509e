#include "authoring/face_properties.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <vector>

#include "model/face_operations.h"

namespace mw {

namespace {

FaceGeom* geometryAt(const Document& doc, int index)
{
    const TarvFaceObject* face = doc.face.get();
    if (!face || index < 0 || static_cast<std::size_t>(index) >= face->geometries.size())
        return nullptr;
    return face->geometries[static_cast<std::size_t>(index)].get();
}

bool acceptableName(const std::string& name) { return !name.empty() && !nameRefusal(name); }

bool setColour(Document& doc, int index, const osg::Vec3& rgb, osg::Vec4 FaceGeom::*colour)
{
    FaceGeom* geometry = geometryAt(doc, index);
    if (!geometry)
        return false;
    osg::Vec4& target = geometry->*colour;
    const osg::Vec4 changed(rgb, target.a());
    if (changed == target)
        return false;
    target = changed;
    doc.changes.addGeometry(static_cast<std::size_t>(index), geometry_change::kMaterial);
    return true;
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::string> nameRefusal(std::string_view name)
{
    // Braces open and close the blocks of a .tvf file; in a name they would only confuse.
    for (const char c : name)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '{' || c == '}')
            return "\"" + std::string(name) + "\" was not used: a name is one word, without blanks, tabs or braces";
    return std::nullopt;
}

std::optional<std::string> geometryNameRefusal(const TarvFaceObject& face, int index, std::string_view name)
{
    if (auto refusal = nameRefusal(name))
        return refusal;
    for (std::size_t i = 0; i < face.geometries.size(); ++i)
        if (static_cast<int>(i) != index && face.geometries[i]->name == name)
            return "\"" + std::string(name) + "\" was not used: another geometry has that name";
    return std::nullopt;
}

bool renameFaceGeometry(Document& doc, int index, const std::string& name)
{
    const FaceGeom* geometry = geometryAt(doc, index);
    if (!geometry || name.empty() || geometry->name == name || geometryNameRefusal(*doc.face, index, name))
        return false;
    renameGeometry(*doc.face, static_cast<unsigned>(index), name);
    doc.changes.add(document_change::kNames);
    return true;
}

bool renameFaceMorph(Document& doc, int index, const std::string& name)
{
    TarvFaceObject* face = doc.face.get();
    if (!face || index < 0 || static_cast<std::size_t>(index) >= face->morphs.size() || !acceptableName(name))
        return false;
    FaceMorph& morph = *face->morphs[static_cast<std::size_t>(index)];
    if (morph.name == name)
        return false;
    morph.name = name;
    doc.changes.add(document_change::kNames);
    return true;
}

bool setGeometryTexture(Document& doc, int index, const std::string& texture)
{
    FaceGeom* geometry = geometryAt(doc, index);
    if (!geometry || geometry->texture == texture)
        return false;
    geometry->texture = texture;
    doc.changes.addGeometry(static_cast<std::size_t>(index), geometry_change::kMaterial);
    return true;
}

bool setGeometryDiffuse(Document& doc, int index, const osg::Vec3& rgb)
{
    return setColour(doc, index, rgb, &FaceGeom::diffuse);
}

bool setGeometrySpecular(Document& doc, int index, const osg::Vec3& rgb)
{
    return setColour(doc, index, rgb, &FaceGeom::specular);
}

std::string textureNameFor(const std::filesystem::path& chosen, const std::filesystem::path& faceFile)
{
    std::error_code error;
    std::filesystem::path file = std::filesystem::weakly_canonical(chosen, error);
    if (error)
        file = chosen;
    if (faceFile.empty() || !faceFile.has_parent_path())
        return file.string();
    std::filesystem::path folder = std::filesystem::weakly_canonical(faceFile.parent_path(), error);
    if (error)
        folder = faceFile.parent_path();
    const std::filesystem::path relative = file.lexically_relative(folder);
    if (relative.empty() || *relative.begin() == ".." || relative == ".")
        return file.string();
    return relative.generic_string();
}

std::string formatColourText(const osg::Vec4& colour)
{
    std::string text;
    for (int i = 0; i < 3; ++i) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(colour[i]),
                                          std::chars_format::fixed, 3);
        if (i > 0)
            text += "; ";
        text.append(buffer, result.ptr);
    }
    return text;
}

ColourText parseColourText(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(';', start);
        parts.push_back(trimmed(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    if (parts.size() != 3)
        return {std::nullopt, "three numbers are needed, red; green; blue, such as 0.800; 0.800; 0.800"};

    osg::Vec3 rgb;
    for (int i = 0; i < 3; ++i) {
        std::string_view number = parts[static_cast<std::size_t>(i)];
        if (number.empty())
            return {std::nullopt, "three numbers are needed, red; green; blue, such as 0.800; 0.800; 0.800"};
        const std::string_view shown = number;
        if (number.size() > 1 && number.front() == '+' && number[1] != '-')
            number.remove_prefix(1);
        float value = 0.0f;
        const auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (status == std::errc::result_out_of_range)
            return {std::nullopt, "\"" + std::string(shown) + "\" is too large"};
        if (status != std::errc() || end != number.data() + number.size())
            return {std::nullopt, "\"" + std::string(shown) + "\" is not a number"};
        if (!std::isfinite(value))
            return {std::nullopt, "\"" + std::string(shown) + "\" is not a finite number"};
        rgb[i] = value;
    }
    return {rgb, {}};
}

}  // namespace mw
