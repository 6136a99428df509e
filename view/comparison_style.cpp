#include "view/comparison_style.h"

#include <osg/Material>
#include <osg/PolygonMode>
#include <osg/PolygonOffset>

namespace mw {

void applyComparisonStyle(osg::StateSet& state, const osg::Vec4& colour, float offsetFactor)
{
    constexpr auto onOverride = osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE;
    constexpr auto offOverride = osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE;

    state.setAttribute(new osg::PolygonMode(osg::PolygonMode::BACK, osg::PolygonMode::LINE), onOverride);

    // With lighting off the material's diffuse colour becomes the drawing colour.
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setDiffuse(osg::Material::FRONT_AND_BACK, colour);
    state.setAttribute(material.get(), onOverride);

    state.setAttributeAndModes(new osg::PolygonOffset(offsetFactor, 0.0f), onOverride);
    state.setTextureMode(0, GL_TEXTURE_2D, offOverride);
    state.setMode(GL_LIGHTING, offOverride);
}

}  // namespace mw
