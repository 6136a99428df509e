#pragma once
// Texture images named by faces: read once per run and shared by every geometry that names
// them, and read again when their file changes.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include <osg/Texture2D>
#include <osg/ref_ptr>

namespace mw {

struct CachedTexture {
    osg::ref_ptr<osg::Texture2D> texture;
    std::filesystem::file_time_type modified;  // the file as it was when it was read
    std::uintmax_t size = 0;
};

// The absolute path of the image file to its texture.
using TextureCache = std::map<std::string, CachedTexture>;

// The process-wide cache. It holds only images that were read successfully.
TextureCache& textureCache();

// The absolute form of `name` as a face from `folder` means it (resolveTextureName; with no
// folder a relative name resolves against the working directory): the key under which
// faceTexture caches it.
std::string textureKey(const std::string& name, const std::filesystem::path& folder = {});

// The texture for `name`, a texture name of a face from `folder`: the cached one while its file
// is unchanged on disk (same time of last change and size), otherwise the image read now,
// wrapped with GL_REPEAT on S and T and cached. Two faces naming "skin.png" in different folders therefore get their own images.
// When the image cannot be read, one "** ERROR: " line goes to standard error and the result
// is null; nothing is cached, so the next request tries the file again.
osg::Texture2D* faceTexture(const std::string& name, const std::filesystem::path& folder = {});

}  // namespace mw
