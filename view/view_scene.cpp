#include "view/view_scene.h"

#include <osg/Depth>
#include <osg/LineWidth>
#include <osg/Point>

#include "interaction/screen_draw.h"
#include "render/lit_scene.h"

namespace mw {

namespace {

constexpr auto kOffOverride = osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE;
constexpr auto kOnOverride = osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE;

osg::ref_ptr<osg::Geometry> lineGeometry(osg::Vec3Array* vertices, osg::Vec4Array* colour)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->setColorArray(colour, osg::Array::BIND_OVERALL);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, static_cast<GLsizei>(vertices->size())));
    return geometry;
}

void switchOffLightingAndTexture(osg::StateSet& state)
{
    state.setMode(GL_LIGHTING, kOffOverride);
    state.setTextureMode(0, GL_TEXTURE_2D, kOffOverride);
}

osg::ref_ptr<osg::Geode> makeMarkerNode()
{
    osg::ref_ptr<osg::Geode> markers = new osg::Geode;
    osg::StateSet* state = markers->getOrCreateStateSet();
    state->setAttributeAndModes(new osg::Point(3.0f), kOnOverride);
    switchOffLightingAndTexture(*state);
    return markers;
}

osg::ref_ptr<osg::Geode> makeSelectionGeode(FaceGeomBox* box)
{
    switchOffLightingAndTexture(*box->getOrCreateStateSet());
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(box);
    return geode;
}

// The overlay ignores the camera and lies in front of everything: its depth range is 0 … 0.
void buildOverlay(ViewScene& scene, osg::Drawable* overlayDrawable)
{
    scene.overlayProjection = new osg::Projection(osg::Matrixd::ortho2D(0.0, kOverlayWidth, 0.0, kOverlayHeight));
    scene.overlayTransform = new osg::MatrixTransform(osg::Matrixd::identity());
    scene.overlayTransform->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    scene.overlayProjection->addChild(scene.overlayTransform.get());
    scene.root->addChild(scene.overlayProjection.get());

    osg::ref_ptr<osg::Depth> depth = new osg::Depth(osg::Depth::LESS, 0.0, 1.0, true);
    depth->setRange(0.0, 0.0);
    scene.overlayTransform->getOrCreateStateSet()->setAttribute(depth.get());

    scene.overlay = new osg::Geode;
    if (overlayDrawable)
        scene.overlay->addDrawable(overlayDrawable);
    scene.overlayTransform->addChild(scene.overlay.get());
}

}  // namespace

osg::ref_ptr<osg::Geode> makeGridNode()
{
    osg::ref_ptr<osg::Vec4Array> darkGreen = new osg::Vec4Array;
    darkGreen->push_back(osg::Vec4(0.0f, 0.5f, 0.0f, 1.0f));

    osg::ref_ptr<osg::Vec3Array> lines = new osg::Vec3Array;
    for (int k = 0; k <= 20; ++k) {
        const float t = -1.0f + 0.1f * static_cast<float>(k);
        lines->push_back(osg::Vec3(t, 0.0f, 1.0f));
        lines->push_back(osg::Vec3(t, 0.0f, -1.0f));
        lines->push_back(osg::Vec3(1.0f, 0.0f, t));
        lines->push_back(osg::Vec3(-1.0f, 0.0f, t));
    }
    osg::ref_ptr<osg::Vec3Array> axes = new osg::Vec3Array;
    for (const osg::Vec3& v : {osg::Vec3(0, 0, 1), osg::Vec3(0, 0, -1), osg::Vec3(1, 0, 0), osg::Vec3(-1, 0, 0)})
        axes->push_back(v);

    osg::ref_ptr<osg::Geometry> axesGeometry = lineGeometry(axes.get(), darkGreen.get());
    osg::ref_ptr<osg::LineWidth> width = new osg::LineWidth(1.0f);
    width->setWidth(3.0f);
    axesGeometry->getOrCreateStateSet()->setAttributeAndModes(width.get(), osg::StateAttribute::ON);

    osg::ref_ptr<osg::Geode> grid = new osg::Geode;
    grid->addDrawable(lineGeometry(lines.get(), darkGreen.get()).get());
    grid->addDrawable(axesGeometry.get());
    grid->getOrCreateStateSet()->setMode(GL_LIGHTING, kOffOverride);
    return grid;
}

osg::ref_ptr<osg::Geometry> makeNeckMarkers(const FaceGeom& geometry)
{
    osg::ref_ptr<osg::Vec3Array> points = new osg::Vec3Array;
    const osg::Vec3Array& vertices = *geometry.vertices;
    for (std::uint32_t index : geometry.clampIndices)
        if (index < vertices.size())
            points->push_back(vertices[index]);
    osg::ref_ptr<osg::Vec4Array> green = new osg::Vec4Array;
    green->push_back(osg::Vec4(0.0f, 1.0f, 0.0f, 1.0f));

    osg::ref_ptr<osg::Geometry> markers = new osg::Geometry;
    markers->setVertexArray(points.get());
    markers->setColorArray(green.get(), osg::Array::BIND_OVERALL);
    markers->addPrimitiveSet(new osg::DrawArrays(GL_POINTS, 0, static_cast<GLsizei>(points->size())));
    return markers;
}

ViewScene buildViewScene(osg::Drawable* overlayDrawable)
{
    ViewScene scene;
    scene.grid = makeGridNode();

    // Light 0 with a white highlight, fixed to the eye, above the scene root with its
    // re-normalised normals and white default material. The grid goes first and outside the
    // root, so neither the root's state nor the head transform reaches it.
    const osg::ref_ptr<osg::Group> lit = makeLitScene(nullptr);
    scene.light = dynamic_cast<osg::LightSource*>(lit.get());
    scene.root = scene.light->getChild(0)->asGroup();
    scene.light->insertChild(0, scene.grid.get());

    scene.headTransform = new osg::MatrixTransform(osg::Matrixd::identity());
    scene.root->addChild(scene.headTransform.get());
    buildOverlay(scene, overlayDrawable);

    scene.markers = makeMarkerNode();
    scene.headTransform->addChild(scene.markers.get());
    scene.selectionBox = new FaceGeomBox;
    scene.headTransform->addChild(makeSelectionGeode(scene.selectionBox.get()).get());
    return scene;
}

}  // namespace mw
