#include "render/geometry_state.h"

#include <osg/Material>

#include "render/texture_cache.h"

namespace mw {

void applyGeometryState(osg::StateSet& state, const FaceGeom& geometry, const std::filesystem::path& folder)
{
    if (!geometry.texture.empty()) {
        if (osg::Texture2D* texture = faceTexture(geometry.texture, folder))
            state.setTextureAttributeAndModes(0, texture, osg::StateAttribute::ON);
    }

    osg::ref_ptr<osg::Material> material = new osg::Material;
    // Colours come from the material alone, never from whatever vertex colour is current.
    material->setColorMode(osg::Material::OFF);
    material->setDiffuse(osg::Material::FRONT_AND_BACK, geometry.diffuse);
    material->setSpecular(osg::Material::FRONT_AND_BACK, geometry.specular);
    state.setAttribute(material.get(), osg::StateAttribute::ON);
}

}  // namespace mw
