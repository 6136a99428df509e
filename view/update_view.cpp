#include "view/update_view.h"

#include <osg/Geometry>

#include "model/file_directory.h"
#include "render/geometry_state.h"
#include "view/comparison_style.h"
#include "view/view_operations.h"

namespace mw {

namespace {

using namespace document_change;
using namespace geometry_change;

// A fresh state from the geometry as it is now, so that a texture that was taken away is
// really gone.
void refreshGeometryState(FaceRenderer& renderer, const std::filesystem::path& textureFolder)
{
    if (!renderer.geometry())
        return;
    osg::ref_ptr<osg::StateSet> state = new osg::StateSet;
    applyGeometryState(*state, *renderer.geometry(), textureFolder);
    renderer.setStateSet(state.get());
}

bool needsNewFaceNode(const View& view, const Document& doc, const Change& change)
{
    if (change.has(kFace) || (view.faceNode ? view.faceNode->face() : nullptr) != doc.face.get())
        return true;
    return doc.face && view.faceNode->renderers().size() != doc.face->geometries.size();
}

void rebuildFaceNode(View& view, const Document& doc, bool opened)
{
    osg::MatrixTransform& head = *view.scene.headTransform;
    osg::ref_ptr<TarvFaceRenderer> old = view.faceNode;
    if (old)
        head.removeChild(old.get());
    view.faceNode = nullptr;
    if (!doc.face)
        return;
    view.faceNode = new TarvFaceRenderer(doc.face.get(), faceFolder(doc.fileName));
    view.faceNode->setMorphedNormals(view.morphedNormals);
    if (old && !opened) {
        const auto& oldRenderers = old->renderers();
        const auto& renderers = view.faceNode->renderers();
        for (std::size_t i = 0; i < renderers.size() && i < oldRenderers.size(); ++i)
            renderers[i]->setVisible(oldRenderers[i]->visible());
        if (!oldRenderers.empty())
            view.faceNode->setCornerDrawer(oldRenderers.front()->cornerDrawer());
    }
    head.addChild(view.faceNode.get());
}

// Redoes what each geometry's change needs; true when any geometry changed.
bool updateGeometries(View& view, const Document& doc, const Change& change)
{
    bool any = false;
    const auto& renderers = view.faceNode->renderers();
    for (std::size_t i = 0; i < renderers.size(); ++i) {
        const unsigned parts = change.geometry(i);
        if (parts == 0)
            continue;
        any = true;
        FaceRenderer& renderer = *renderers[i];
        if (parts & kShape)
            // Which corners share a normal follows the rest pose and the triangles, so both are
            // worked out afresh (the morphed normals build on them).
            renderer.computeNormals();
        if (parts & (kShape | kMoved))
            renderer.dirtyBound();
        if (parts & kTexturing)
            renderer.buildTexcoords();
        if (parts & kMaterial)
            refreshGeometryState(renderer, faceFolder(doc.fileName));
    }
    return any;
}

void placeHandler(MienwrightHandler& handler, osg::MatrixTransform* target, const HeadPlacement& placement)
{
    handler.targetTransform = target;
    handler.scale = placement.scale;
    handler.translation = placement.translation;
    handler.rotation = placement.rotation;
    handler.updateTransform();
}

void updateComparison(View& view, const Document& doc)
{
    const TarvFaceObject* shown = view.comparisonRenderer ? view.comparisonRenderer->face() : nullptr;
    if (shown != doc.comparison.face.get()) {
        if (view.comparisonTransform)
            view.scene.root->removeChild(view.comparisonTransform.get());
        view.comparisonTransform = nullptr;
        view.comparisonRenderer = nullptr;
        view.differenceHighlight = nullptr;
        if (doc.comparison.face) {
            // Drawn untextured; its texture names are looked up where the face's are.
            view.comparisonRenderer = new TarvFaceRenderer(doc.comparison.face.get(), faceFolder(doc.fileName));
            view.comparisonRenderer->setMorphedNormals(view.morphedNormals);
            view.comparisonTransform = new osg::MatrixTransform;
            view.scene.root->addChild(view.comparisonTransform.get());
            view.comparisonTransform->addChild(view.comparisonRenderer.get());
            applyComparisonStyle(*view.comparisonRenderer->getOrCreateStateSet(), kComparisonColour,
                                 kComparisonOffsetFactor);
        }
    } else if (view.comparisonRenderer) {
        // Its placement may have been baked into its vertices.
        for (const auto& renderer : view.comparisonRenderer->renderers())
            renderer->dirtyBound();
    }
    if (!view.comparisonTransform)
        return;
    if (view.differenceHighlight)
        view.comparisonTransform->removeChild(view.differenceHighlight.get());
    view.differenceHighlight = nullptr;
    if (doc.comparison.highlight) {
        view.differenceHighlight = makeHighlight(doc.comparison.highlight.get());
        view.comparisonTransform->addChild(view.differenceHighlight.get());
    }
}

void hideSelection(View& view)
{
    view.scene.selectionBox->hide();
    osg::Geode& markers = *view.scene.markers;
    markers.removeDrawables(0, markers.getNumDrawables());
}

}  // namespace

osg::ref_ptr<osg::Geode> makeHighlight(osg::Vec3Array* corners)
{
    osg::ref_ptr<osg::Geometry> triangles = new osg::Geometry;
    triangles->setVertexArray(corners);
    triangles->addPrimitiveSet(new osg::DrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners->size())));
    osg::ref_ptr<osg::Geode> highlight = new osg::Geode;
    highlight->addDrawable(triangles.get());
    applyComparisonStyle(*highlight->getOrCreateStateSet(), kHighlightColour, kHighlightOffsetFactor);
    return highlight;
}

void updateView(View& view, const Change& change)
{
    const Document& doc = *view.doc;
    const bool opened = change.has(kOpened);
    const bool rebuilt = needsNewFaceNode(view, doc, change);
    bool geometriesChanged = rebuilt;
    if (rebuilt) {
        rebuildFaceNode(view, doc, opened);
    } else if (view.faceNode) {
        geometriesChanged = updateGeometries(view, doc, change);
        if (change.has(kNames))
            view.faceNode->indexGeometryNames();
        if (change.has(kNames | kMorphList))
            view.faceNode->reattachMorphTargets();
    }

    if (rebuilt || change.has(kComparison | kPlacement))
        updateComparison(view, doc);
    view.scene.headTransform->setMatrix(doc.head.matrix());
    if (view.comparisonTransform)
        placeHandler(*view.editHandler, view.comparisonTransform.get(), doc.comparison.placement);
    else
        placeHandler(*view.editHandler, view.scene.headTransform.get(), doc.head);

    // The selection box and markers follow the displayed geometry, or disappear with it.
    if (opened) {
        // Hidden before the camera frames the scene, so the old face's selection is not framed.
        hideSelection(view);
    } else if (geometriesChanged && view.faceNode && view.scene.selectionBox->hasBox) {
        const int displayed = view.scene.selectionBox->displayedIndex;
        const bool exists = displayed >= 0 && static_cast<std::size_t>(displayed) < doc.face->geometries.size();
        showGeometrySelection(view, exists ? displayed : -1);
    } else if (view.faceNode && change.geometries.size() > 0) {
        showNeckMarkers(view, view.scene.selectionBox->displayedIndex);
    }

    if (opened || change.has(kReframe)) {
        view.scene.root->dirtyBound();
        view.camera->resetView();
    }
}

}  // namespace mw
