#include "model/file_directory.h"

#include <system_error>

namespace mw {

std::filesystem::path faceFolder(const std::filesystem::path& faceFile)
{
    if (faceFile.empty())
        return {};
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(faceFile, error);
    return (error ? faceFile : absolute.lexically_normal()).parent_path();
}

std::filesystem::path resolveTextureName(std::string_view name, const std::filesystem::path& folder)
{
    const std::filesystem::path texture(name);
    if (texture.empty() || texture.is_absolute() || folder.empty())
        return texture;
    return (folder / texture).lexically_normal();
}

}  // namespace mw
