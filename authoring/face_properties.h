#pragma once
// Edits the panes make to a loaded face: names of geometries and morphs, and a geometry's
// texture and colours. Each operation records what it changed in the document, so that what
// is drawn follows, and reports whether anything changed. Indices outside the face change
// nothing.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <osg/Vec3>
#include <osg/Vec4>

#include "authoring/document.h"

namespace mw {

// The text a name that is empty in the file is given before the editor shows it.
inline constexpr std::string_view kEmptyName = "[empty]";

// Why `name` cannot name a geometry or a morph (names are one word: no blank, tab, line break
// or brace), or nothing when it can. An empty name is not refused here: it means "no change".
std::optional<std::string> nameRefusal(std::string_view name);

// Why geometry `index` cannot be called `name`: besides the rule above, no two geometries may
// share a name, since morph targets find their geometry by name.
std::optional<std::string> geometryNameRefusal(const TarvFaceObject& face, int index, std::string_view name);

// Gives geometry `index` the new name, together with every morph target that named it, so
// that whatever draws the face finds the geometry under its new name. False (nothing changed) for an empty or refused name,
// the same name, or an index outside the face.
bool renameFaceGeometry(Document& doc, int index, const std::string& name);

// Renames morph `index`; false as for renameFaceGeometry.
bool renameFaceMorph(Document& doc, int index, const std::string& name);

// Stores `texture` as geometry `index`'s texture name (empty: untextured). False when it was
// already that name or the index is outside the face. A name whose image cannot be read is
// still stored; the geometry is then drawn untextured.
bool setGeometryTexture(Document& doc, int index, const std::string& texture);

// Sets the red, green and blue of the diffuse (specular) colour of geometry `index`, keeping
// its alpha. False when nothing changed.
bool setGeometryDiffuse(Document& doc, int index, const osg::Vec3& rgb);
bool setGeometrySpecular(Document& doc, int index, const osg::Vec3& rgb);

// The name to store for a texture file chosen by the user: relative to the face file's folder
// (with "/" between folders) when the file lies inside it, otherwise the absolute path.
std::string textureNameFor(const std::filesystem::path& chosen, const std::filesystem::path& faceFile);

// A colour as the panes show it: "r; g; b", each with three decimals.
std::string formatColourText(const osg::Vec4& colour);

// The red, green and blue read from text in the form formatColourText writes (blanks around
// the numbers are allowed), or why the text cannot be read.
struct ColourText {
    std::optional<osg::Vec3> rgb;
    std::string error;
};
ColourText parseColourText(std::string_view text);

}  // namespace mw
