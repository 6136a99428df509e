#include "view/view_operations.h"

#include <osg/PolygonMode>

#include "authoring/geometry_lookup.h"

namespace mw {

namespace {

bool isGeometryIndex(const View& view, int index)
{
    const auto i = static_cast<unsigned>(index);  // -1 and other negatives fall outside
    return i < view.faceNode->face()->geometries.size() && i < view.faceNode->getNumDrawables();
}

// Which vertices of `geometry` the closed lasso surrounds on screen, by vertex index.
std::vector<bool> verticesInsideLasso(const View& view, const FaceGeom& geometry)
{
    const osg::Camera& camera = *view.viewCamera;
    const osg::Matrixd toScreen =
        view.scene.headTransform->getMatrix() * camera.getViewMatrix() * camera.getProjectionMatrix();
    const osg::Vec3Array& vertices = *geometry.vertices;
    std::vector<bool> inside(vertices.size());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const osg::Vec3 r = vertices[i] * toScreen;  // divides by the homogeneous coordinate
        inside[i] = view.lasso->isInsideLasso((r.x() + 1.0f) * kOverlayHalfWidth, (r.y() + 1.0f) * kOverlayHalfHeight);
    }
    return inside;
}

}  // namespace

void toggleRenderMode(View& view)
{
    osg::StateSet* rootState = view.scene.root->getOrCreateStateSet();
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

void showGeometrySelection(View& view, int index)
{
    if (!hasFace(view) || !view.scene.selectionBox)
        return;
    FaceGeomBox& box = *view.scene.selectionBox;
    if (isGeometryIndex(view, index)) {
        box.hasBox = true;
        box.box = view.faceNode->getDrawable(static_cast<unsigned>(index))->getBoundingBox();
    } else {
        box.hasBox = false;
    }
    box.displayedIndex = index;
    box.changed();
    showNeckMarkers(view, index);
}

void showNeckMarkers(View& view, int index)
{
    if (!hasFace(view) || !view.scene.markers)
        return;
    osg::Geode& markers = *view.scene.markers;
    markers.removeDrawables(0, markers.getNumDrawables());
    if (!isGeometryIndex(view, index))
        return;
    markers.addDrawable(makeNeckMarkers(*view.faceNode->face()->geometries[static_cast<unsigned>(index)]).get());
}

void setEditMode(View& view, EditMode mode)
{
    if (mode < EditMode::Navigation || mode > EditMode::Vertex)
        return;
    view.editHandler->mode = mode;
    view.camera->freeRotate = mode == EditMode::Navigation;
}

EditMode getEditMode(const View& view)
{
    return view.editHandler->mode;
}

void setMorphedNormals(View& view, bool on)
{
    view.morphedNormals = on;
    if (view.faceNode)
        view.faceNode->setMorphedNormals(on);
    if (view.comparisonRenderer)
        view.comparisonRenderer->setMorphedNormals(on);
}

void setGeometryVisible(View& view, int index, bool visible)
{
    if (hasFace(view) && index >= 0)
        view.faceNode->setGeometryVisible(visible, static_cast<unsigned>(index));
}

bool geometryTextureShown(const View& view, int index)
{
    if (!view.faceNode || index < 0 || static_cast<std::size_t>(index) >= view.faceNode->renderers().size())
        return false;
    const osg::StateSet* state = view.faceNode->renderers()[static_cast<std::size_t>(index)]->getStateSet();
    return state && state->getTextureAttribute(0, osg::StateAttribute::TEXTURE) != nullptr;
}

bool canEditNeckVertices(const View& view)
{
    return hasFace(view) && view.doc && getEditMode(view) == EditMode::Vertex && view.lasso &&
           view.lasso->isClosed() && view.viewCamera.valid() &&
           currentGeometry(*view.doc, view.scene.selectionBox->displayedIndex) != nullptr;
}

void editNeckVertices(View& view, NeckEdit mode)
{
    if (!canEditNeckVertices(view))
        return;
    const int displayed = view.scene.selectionBox->displayedIndex;
    const std::vector<bool> inside = verticesInsideLasso(view, *currentGeometry(*view.doc, displayed));
    editNeckVertices(*view.doc, displayed, inside, mode);
}

}  // namespace mw
