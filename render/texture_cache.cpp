#include "render/texture_cache.h"

#include <iostream>

#include <osg/Image>
#include <osgDB/ReadFile>

namespace mw {

TextureCache& textureCache()
{
    static TextureCache cache;
    return cache;
}

osg::Texture2D* faceTexture(const std::string& name)
{
    TextureCache& cache = textureCache();
    if (const auto found = cache.find(name); found != cache.end())
        return found->second.get();

    const osg::ref_ptr<osg::Image> image = osgDB::readImageFile(name);
    if (!image) {
        std::cerr << "** ERROR: Failed to load face texture: " << name << '\n';
        return nullptr;
    }
    osg::ref_ptr<osg::Texture2D> texture = new osg::Texture2D(image.get());
    texture->setWrap(osg::Texture::WRAP_S, osg::Texture::REPEAT);
    texture->setWrap(osg::Texture::WRAP_T, osg::Texture::REPEAT);
    cache.emplace(name, texture);
    return texture.get();
}

}  // namespace mw
