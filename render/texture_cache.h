#pragma once
// Texture images named by faces: read once per run and shared by every geometry that names them.

#include <map>
#include <string>

#include <osg/Texture2D>
#include <osg/ref_ptr>

namespace mw {

// File name exactly as stored in the face (compared byte-wise) to its texture.
using TextureCache = std::map<std::string, osg::ref_ptr<osg::Texture2D>>;

// The process-wide cache. It holds only images that were read successfully and never
// forgets one, so a file changed on disk is not read again during the run.
TextureCache& textureCache();

// The texture for `name`: the cached one, or the image read now (a relative name resolves
// against the working directory) wrapped with GL_REPEAT on S and T and cached. When the
// image cannot be read, one "** ERROR: " line goes to standard error and the result is null;
// nothing is cached, so the next request tries the file again.
osg::Texture2D* faceTexture(const std::string& name);

}  // namespace mw
