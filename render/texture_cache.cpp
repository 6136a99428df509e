#include "render/texture_cache.h"

#include <iostream>
#include <system_error>

#include <osg/Image>
#include <osgDB/ReadFile>

#include "model/file_directory.h"

namespace mw {

TextureCache& textureCache()
{
    static TextureCache cache;
    return cache;
}

std::string textureKey(const std::string& name, const std::filesystem::path& folder)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(resolveTextureName(name, folder), ec);
    return ec ? name : absolute.lexically_normal().string();
}

osg::Texture2D* faceTexture(const std::string& name, const std::filesystem::path& folder)
{
    TextureCache& cache = textureCache();
    const std::string key = textureKey(name, folder);
    std::error_code timeError, sizeError;
    const auto modified = std::filesystem::last_write_time(key, timeError);
    const auto size = std::filesystem::file_size(key, sizeError);
    const bool known = !timeError && !sizeError;
    if (const auto found = cache.find(key); found != cache.end()) {
        // A file that can no longer be looked at keeps the image read before.
        if (!known || (found->second.modified == modified && found->second.size == size))
            return found->second.texture.get();
    }

    const osg::ref_ptr<osg::Image> image = osgDB::readImageFile(key);
    if (!image) {
        std::cerr << "** ERROR: Failed to load face texture: " << name << '\n';
        return nullptr;
    }
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image.get());
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::REPEAT);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::REPEAT);
    cache[key] = CachedTexture{texture, known ? modified : std::filesystem::file_time_type{}, known ? size : 0};
    return texture.get();
}

}  // namespace mw
