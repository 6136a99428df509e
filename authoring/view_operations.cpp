#include "authoring/view_operations.h"

#include <osg/PolygonMode>

namespace mw {

namespace {

bool isGeometryIndex(const ViewState& state, int index)
{
    const auto i = static_cast<unsigned>(index);  // -1 and other negatives fall outside
    return i < state.face->geometries.size() && i < state.faceNode->getNumDrawables();
}

}  // namespace

void toggleRenderMode(ViewState& state)
{
    osg::StateSet* rootState = state.scene.root->getOrCreateStateSet();
    auto* polygons = dynamic_cast<osg::PolygonMode*>(rootState->getAttribute(osg::StateAttribute::POLYGONMODE));
    if (!polygons) {
        polygons = new osg::PolygonMode;
        rootState->setAttribute(polygons);
    }
    switch (polygons->getMode(osg::PolygonMode::FRONT_AND_BACK)) {
    case osg::PolygonMode::LINE:
        polygons->setMode(osg::PolygonMode::FRONT_AND_BACK, osg::PolygonMode::FILL);
        break;
    case osg::PolygonMode::FILL:
        polygons->setMode(osg::PolygonMode::FRONT_AND_BACK, osg::PolygonMode::LINE);
        break;
    default:
        break;
    }
}

void showGeometrySelection(ViewState& state, int index)
{
    if (!hasFace(state) || !state.scene.selectionBox)
        return;
    FaceGeomBox& box = *state.scene.selectionBox;
    if (isGeometryIndex(state, index)) {
        box.hasBox = true;
        box.box = state.faceNode->getDrawable(static_cast<unsigned>(index))->getBoundingBox();
    } else {
        box.hasBox = false;
    }
    box.displayedIndex = index;
    box.changed();
    showNeckMarkers(state, index);
}

void showNeckMarkers(ViewState& state, int index)
{
    if (!hasFace(state) || !state.scene.markers)
        return;
    osg::Geode& markers = *state.scene.markers;
    markers.removeDrawables(0, markers.getNumDrawables());
    if (!isGeometryIndex(state, index))
        return;
    markers.addDrawable(makeNeckMarkers(*state.face->geometries[static_cast<unsigned>(index)]).get());
}

void setEditMode(ViewState& state, int mode)
{
    if (mode < static_cast<int>(EditMode::Navigation) || mode > static_cast<int>(EditMode::Vertex))
        return;
    state.editHandler->mode = static_cast<EditMode>(mode);
    state.camera->freeRotate = mode == static_cast<int>(EditMode::Navigation);
}

int getEditMode(const ViewState& state)
{
    return static_cast<int>(state.editHandler->mode);
}

void turnRight(ViewState& state)
{
    if (!hasFace(state))
        return;
    state.editHandler->rotate(0.0f, 1.0f, 0.0f, 90.0f);
    state.modified = true;
}

void turnUp(ViewState& state)
{
    if (!hasFace(state))
        return;
    state.editHandler->rotate(-1.0f, 0.0f, 0.0f, 90.0f);
    state.modified = true;
}

}  // namespace mw
