#include "render/lit_scene.h"

#include <osg/Light>
#include <osg/LightSource>
#include <osg/Material>

namespace mw {

osg::ref_ptr<osg::Group> makeLitScene(osg::Node* subject)
{
    osg::ref_ptr<osg::Light> light = new osg::Light;
    light->setLightNum(0);
    light->setSpecular(osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));

    osg::ref_ptr<osg::LightSource> source = new osg::LightSource;
    source->setLight(light.get());
    source->setReferenceFrame(osg::LightSource::ABSOLUTE_RF);
    source->setLocalStateSetModes(osg::StateAttribute::ON);
    source->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::ON);

    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::StateSet* rootState = root->getOrCreateStateSet();
    rootState->setMode(GL_NORMALIZE, osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    osg::ref_ptr<osg::Material> material = new osg::Material;
    material->setColorMode(osg::Material::OFF);
    material->setDiffuse(osg::Material::FRONT_AND_BACK, osg::Vec4(1.0f, 1.0f, 1.0f, 1.0f));
    rootState->setAttributeAndModes(material.get(), osg::StateAttribute::ON);

    if (subject)
        root->addChild(subject);
    source->addChild(root.get());
    return source;
}

}  // namespace mw
