#include "authoring/face_properties.h"

#include <osg/StateSet>

#include "authoring/geometry_lookup.h"
#include "render/geometry_state.h"

namespace mw {

namespace {

void refreshRendererState(ViewState& state, int geometryIndex)
{
    const auto& renderers = state.faceNode->renderers();
    const auto index = static_cast<std::size_t>(geometryIndex);
    if (index < renderers.size())
        refreshGeometryState(*renderers[index]);
}

template <class Value>
bool setMaterial(ViewState& state, int geometryIndex, Value FaceGeom::*member, const Value& value)
{
    FaceGeom* geometry = currentGeometry(state, geometryIndex);
    if (!geometry || geometry->*member == value)
        return false;
    geometry->*member = value;
    refreshRendererState(state, geometryIndex);
    state.modified = true;
    return true;
}

}  // namespace

bool renameGeometry(ViewState& state, int geometryIndex, const std::string& name)
{
    FaceGeom* geometry = currentGeometry(state, geometryIndex);
    if (!geometry || geometry->name == name)
        return false;
    state.faceNode->renameGeometry(static_cast<unsigned>(geometryIndex), name);
    state.modified = true;
    return true;
}

bool renameMorph(ViewState& state, int morphIndex, const std::string& name)
{
    if (!hasFace(state) || morphIndex < 0 || static_cast<std::size_t>(morphIndex) >= state.face->morphs.size())
        return false;
    FaceMorph* morph = state.face->morphs[static_cast<std::size_t>(morphIndex)].get();
    if (!morph || morph->name == name)
        return false;
    morph->name = name;
    state.modified = true;
    return true;
}

bool setGeometryTexture(ViewState& state, int geometryIndex, const std::string& texture)
{
    return setMaterial(state, geometryIndex, &FaceGeom::texture, texture);
}

bool setGeometryDiffuse(ViewState& state, int geometryIndex, const osg::Vec4& colour)
{
    return setMaterial(state, geometryIndex, &FaceGeom::diffuse, colour);
}

bool setGeometrySpecular(ViewState& state, int geometryIndex, const osg::Vec4& colour)
{
    return setMaterial(state, geometryIndex, &FaceGeom::specular, colour);
}

// A fresh state set, so a texture that was removed does not stay bound.
void refreshGeometryState(FaceRenderer& renderer)
{
    if (!renderer.geometry())
        return;
    osg::ref_ptr<osg::StateSet> stateSet = new osg::StateSet;
    applyGeometryState(*stateSet, *renderer.geometry());
    renderer.setStateSet(stateSet.get());
}

}  // namespace mw
