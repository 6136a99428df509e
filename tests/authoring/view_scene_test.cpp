// The 3D view's fixed scene and the scene operations, checked without a window.

#include <set>

#include <osg/Depth>
#include <osg/LightSource>
#include <osg/LineWidth>
#include <osg/Material>
#include <osg/Point>
#include <osg/PolygonMode>

#include <gtest/gtest.h>

#include "authoring/view_operations.h"
#include "authoring/view_setup.h"
#include "tests/authoring/view_fixture.h"
#include "tests/interaction/synthetic_events.h"

namespace mw {
namespace {

constexpr auto kOnOverride = osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE;
constexpr auto kOffOverride = osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE;

osg::StateAttribute::GLModeValue modeOf(osg::Node& node, GLenum mode)
{
    return node.getOrCreateStateSet()->getMode(mode);
}

const osg::Geometry& geometryAt(const osg::Geode& geode, unsigned i)
{
    const osg::Geometry* g = geode.getDrawable(i)->asGeometry();
    EXPECT_TRUE(g);
    return *g;
}

const osg::Vec3Array& verticesOf(const osg::Geometry& g)
{
    return *dynamic_cast<const osg::Vec3Array*>(g.getVertexArray());
}

void expectSingleDrawArrays(const osg::Geometry& g, GLenum mode, GLsizei count)
{
    ASSERT_EQ(g.getNumPrimitiveSets(), 1u);
    const auto* arrays = dynamic_cast<const osg::DrawArrays*>(g.getPrimitiveSet(0));
    ASSERT_TRUE(arrays);
    EXPECT_EQ(arrays->getMode(), mode);
    EXPECT_EQ(arrays->getFirst(), 0);
    EXPECT_EQ(arrays->getCount(), count);
}

void expectColourOverall(const osg::Geometry& g, const osg::Vec4& colour)
{
    const auto* colours = dynamic_cast<const osg::Vec4Array*>(g.getColorArray());
    ASSERT_TRUE(colours);
    ASSERT_EQ(colours->size(), 1u);
    EXPECT_EQ((*colours)[0], colour);
    EXPECT_EQ(colours->getBinding(), osg::Array::BIND_OVERALL);
}

TEST_F(ViewFixture, SceneNodesComeInTheirOrderWithTheirState)
{
    const ViewScene& scene = state.scene;
    // Light source on top: light 0 with a white highlight, fixed to the eye, switched on below it.
    ASSERT_EQ(viewer->getSceneData(), scene.light.get());
    const osg::Light* light = scene.light->getLight();
    EXPECT_EQ(light->getLightNum(), 0);
    EXPECT_EQ(light->getSpecular(), osg::Vec4(1, 1, 1, 1));
    const osg::ref_ptr<osg::Light> defaults = new osg::Light;
    EXPECT_EQ(light->getPosition(), defaults->getPosition());  // the library's defaults otherwise
    EXPECT_EQ(light->getDiffuse(), defaults->getDiffuse());
    EXPECT_EQ(scene.light->getReferenceFrame(), osg::LightSource::ABSOLUTE_RF);
    EXPECT_EQ(modeOf(*scene.light, GL_LIGHT0) & osg::StateAttribute::ON, osg::StateAttribute::ON);

    ASSERT_EQ(scene.light->getNumChildren(), 2u);
    EXPECT_EQ(scene.light->getChild(0), scene.grid.get());
    EXPECT_EQ(scene.light->getChild(1), scene.root.get());

    // Scene root: re-normalised normals that nothing below can switch off, a white material.
    EXPECT_EQ(modeOf(*scene.root, GL_NORMALIZE), kOnOverride);
    const auto* material =
        dynamic_cast<const osg::Material*>(scene.root->getStateSet()->getAttribute(osg::StateAttribute::MATERIAL));
    ASSERT_TRUE(material);
    EXPECT_EQ(material->getColorMode(), osg::Material::OFF);
    EXPECT_EQ(material->getDiffuse(osg::Material::FRONT), osg::Vec4(1, 1, 1, 1));
    EXPECT_EQ(material->getDiffuse(osg::Material::BACK), osg::Vec4(1, 1, 1, 1));
    EXPECT_FALSE(scene.root->getStateSet()->getAttribute(osg::StateAttribute::POLYGONMODE));

    ASSERT_EQ(scene.root->getNumChildren(), 2u);
    EXPECT_EQ(scene.root->getChild(0), scene.headTransform.get());
    EXPECT_EQ(scene.root->getChild(1), scene.overlayProjection.get());
    EXPECT_TRUE(scene.headTransform->getMatrix().isIdentity());

    // Head transform: markers, then the geode of the selection box.
    ASSERT_EQ(scene.headTransform->getNumChildren(), 2u);
    EXPECT_EQ(scene.headTransform->getChild(0), scene.markers.get());
    const osg::Geode* boxGeode = scene.headTransform->getChild(1)->asGeode();
    ASSERT_TRUE(boxGeode);
    ASSERT_EQ(boxGeode->getNumDrawables(), 1u);
    EXPECT_EQ(boxGeode->getDrawable(0), scene.selectionBox.get());

    EXPECT_EQ(modeOf(*scene.markers, GL_LIGHTING), kOffOverride);
    EXPECT_EQ(scene.markers->getStateSet()->getTextureMode(0, GL_TEXTURE_2D), kOffOverride);
    const auto* point = scene.markers->getStateSet()->getAttributePair(osg::StateAttribute::POINT);
    ASSERT_TRUE(point);
    EXPECT_EQ(dynamic_cast<const osg::Point*>(point->first.get())->getSize(), 3.0f);
    EXPECT_NE(point->second & osg::StateAttribute::OVERRIDE, 0u);
    EXPECT_EQ(scene.markers->getNumDrawables(), 0u);

    FaceGeomBox& box = *scene.selectionBox;
    EXPECT_EQ(modeOf(box, GL_LIGHTING), kOffOverride);
    EXPECT_EQ(box.getStateSet()->getTextureMode(0, GL_TEXTURE_2D), kOffOverride);
    EXPECT_FALSE(box.hasBox);
    EXPECT_FALSE(box.box.valid());
    EXPECT_EQ(box.displayedIndex, -1);
    EXPECT_TRUE(box.getUseDisplayList());

    // Overlay: a 1280 x 1024 screen, ignoring the camera, at the very front of the depth range.
    EXPECT_EQ(scene.overlayProjection->getMatrix(), osg::Matrixd::ortho2D(0, 1280, 0, 1024));
    ASSERT_EQ(scene.overlayProjection->getNumChildren(), 1u);
    EXPECT_EQ(scene.overlayProjection->getChild(0), scene.overlayTransform.get());
    EXPECT_EQ(scene.overlayTransform->getReferenceFrame(), osg::Transform::ABSOLUTE_RF);
    EXPECT_TRUE(scene.overlayTransform->getMatrix().isIdentity());
    const auto* depth =
        dynamic_cast<const osg::Depth*>(scene.overlayTransform->getStateSet()->getAttribute(osg::StateAttribute::DEPTH));
    ASSERT_TRUE(depth);
    EXPECT_EQ(depth->getFunction(), osg::Depth::LESS);
    EXPECT_EQ(depth->getZNear(), 0.0);
    EXPECT_EQ(depth->getZFar(), 0.0);
    EXPECT_TRUE(depth->getWriteMask());
    ASSERT_EQ(scene.overlayTransform->getNumChildren(), 1u);
    EXPECT_EQ(scene.overlayTransform->getChild(0), scene.overlay.get());
    ASSERT_EQ(scene.overlay->getNumDrawables(), 1u);
    EXPECT_EQ(scene.overlay->getDrawable(0), state.lasso.get());
}

TEST_F(ViewFixture, GridHasTwentyOneLinesEachWayAndThickAxes)
{
    const osg::Geode& grid = *state.scene.grid;
    EXPECT_EQ(modeOf(*state.scene.grid, GL_LIGHTING), kOffOverride);
    ASSERT_EQ(grid.getNumDrawables(), 2u);
    const osg::Geometry& lines = geometryAt(grid, 0);
    const osg::Geometry& axes = geometryAt(grid, 1);
    const osg::Vec4 darkGreen(0.0f, 0.5f, 0.0f, 1.0f);
    expectColourOverall(lines, darkGreen);
    expectColourOverall(axes, darkGreen);
    EXPECT_EQ(lines.getColorArray(), axes.getColorArray());  // one colour array for both

    expectSingleDrawArrays(lines, GL_LINES, 84);
    std::set<int> alongZ, alongX;  // line positions in tenths
    const osg::Vec3Array& v = verticesOf(lines);
    for (std::size_t i = 0; i < v.size(); i += 2) {
        EXPECT_EQ(v[i].y(), 0.0f);
        if (v[i].x() == v[i + 1].x()) {
            EXPECT_EQ(std::abs(v[i].z() - v[i + 1].z()), 2.0f);
            alongZ.insert(static_cast<int>(std::lround(v[i].x() * 10)));
        } else {
            EXPECT_EQ(v[i].z(), v[i + 1].z());
            EXPECT_EQ(std::abs(v[i].x() - v[i + 1].x()), 2.0f);
            alongX.insert(static_cast<int>(std::lround(v[i].z() * 10)));
        }
    }
    ASSERT_EQ(alongZ.size(), 21u);
    EXPECT_EQ(*alongZ.begin(), -10);
    EXPECT_EQ(*alongZ.rbegin(), 10);  // the outermost lines lie on 1 as well as on -1
    EXPECT_EQ(alongX, alongZ);

    expectSingleDrawArrays(axes, GL_LINES, 4);
    const osg::Vec3Array& a = verticesOf(axes);
    EXPECT_EQ(a[0], osg::Vec3(0, 0, 1));
    EXPECT_EQ(a[1], osg::Vec3(0, 0, -1));
    EXPECT_EQ(a[2], osg::Vec3(1, 0, 0));
    EXPECT_EQ(a[3], osg::Vec3(-1, 0, 0));
    const auto* width = dynamic_cast<const osg::LineWidth*>(axes.getStateSet()->getAttribute(osg::StateAttribute::LINEWIDTH));
    ASSERT_TRUE(width);
    EXPECT_EQ(width->getWidth(), 3.0f);
}

TEST_F(ViewFixture, ViewerAndHandlersAreWiredInOrder)
{
    EXPECT_EQ(viewer->getCameraManipulator(), state.camera.get());
    const auto& handlers = viewer->getEventHandlers();
    ASSERT_EQ(handlers.size(), 2u);
    EXPECT_EQ(handlers.front().get(), state.editHandler.get());
    EXPECT_EQ(handlers.back().get(), state.focusHandler.get());
    EXPECT_EQ(viewer->getCamera()->getClearColor(), osg::Vec4(0.5f, 0.5f, 0.5f, 1.0f));
    EXPECT_EQ(viewer->getLightingMode(), osg::View::NO_LIGHT);
    EXPECT_EQ(viewer->getKeyEventSetsDone(), 0);
    EXPECT_EQ(state.viewCamera.get(), viewer->getCamera());

    EXPECT_TRUE(state.editHandler->enabled);
    EXPECT_EQ(state.editHandler->targetTransform, state.scene.headTransform);
    EXPECT_EQ(state.editHandler->lasso, state.lasso);
    EXPECT_EQ(getEditMode(state), 0);
    EXPECT_TRUE(state.camera->freeRotate);
    EXPECT_EQ(state.camera->homeNode(), state.scene.root.get());
    // Nothing to frame yet: the default view.
    EXPECT_EQ(state.camera->eye, osg::Vec3(0, 2, 8));

    EXPECT_FALSE(state.face);
    EXPECT_FALSE(state.faceNode);
    EXPECT_FALSE(state.modified);
    EXPECT_TRUE(state.fileName.empty());
    EXPECT_FALSE(state.comparisonRenderer);
    EXPECT_EQ(state.morphThreshold, 0.001f);
}

TEST_F(ViewFixture, RenderModeTogglesOnTheRootOnly)
{
    toggleRenderMode(state);
    const auto* pair = state.scene.root->getStateSet()->getAttributePair(osg::StateAttribute::POLYGONMODE);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->second & osg::StateAttribute::OVERRIDE, 0u);
    const auto* polygons = dynamic_cast<const osg::PolygonMode*>(pair->first.get());
    EXPECT_EQ(polygons->getMode(osg::PolygonMode::FRONT), osg::PolygonMode::LINE);
    EXPECT_EQ(polygons->getMode(osg::PolygonMode::BACK), osg::PolygonMode::LINE);
    toggleRenderMode(state);
    EXPECT_EQ(polygons->getMode(osg::PolygonMode::FRONT), osg::PolygonMode::FILL);
    EXPECT_EQ(polygons->getMode(osg::PolygonMode::BACK), osg::PolygonMode::FILL);
    toggleRenderMode(state);
    EXPECT_EQ(polygons->getMode(osg::PolygonMode::FRONT), osg::PolygonMode::LINE);
    // A mode the toggle does not know stays as it is.
    const_cast<osg::PolygonMode*>(polygons)->setMode(osg::PolygonMode::FRONT_AND_BACK, osg::PolygonMode::POINT);
    toggleRenderMode(state);
    EXPECT_EQ(polygons->getMode(osg::PolygonMode::FRONT), osg::PolygonMode::POINT);
    EXPECT_FALSE(state.scene.grid->getStateSet()->getAttribute(osg::StateAttribute::POLYGONMODE));
}

TEST(BracketSegments, RunAFifthOfTheBoxInwardsFromEachCorner)
{
    const auto v = bracketSegments(osg::BoundingBox(0, 0, 0, 10, 20, 30));
    // First corner (x0 y0 z0), second (x0 y0 z1), last (x1 y1 z1).
    const osg::Vec3 expected[] = {{0, 0, 0},   {2, 0, 0},   {0, 0, 0},   {0, 4, 0},   {0, 0, 0},   {0, 0, 6},
                                  {0, 0, 30},  {2, 0, 30},  {0, 0, 30},  {0, 4, 30},  {0, 0, 30},  {0, 0, 24}};
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(v[i], expected[i]) << i;
    const osg::Vec3 last[] = {{10, 20, 30}, {8, 20, 30}, {10, 20, 30}, {10, 16, 30}, {10, 20, 30}, {10, 20, 24}};
    for (std::size_t i = 0; i < std::size(last); ++i)
        EXPECT_EQ(v[42 + i], last[i]) << i;

    // Flat in z: the z segments have no length.
    const auto flat = bracketSegments(osg::BoundingBox(-1, -1, 5, 1, 1, 5));
    for (std::size_t corner = 0; corner < 8; ++corner)
        EXPECT_EQ(flat[corner * 6 + 4], flat[corner * 6 + 5]);
}

TEST_F(ViewFixture, GeometrySelectionShowsBoxAndNeckPoints)
{
    // Without a face nothing changes.
    showGeometrySelection(state, 0);
    EXPECT_FALSE(state.scene.selectionBox->hasBox);
    EXPECT_EQ(state.scene.selectionBox->displayedIndex, -1);

    loadTwoGeometries();
    FaceGeomBox& box = *state.scene.selectionBox;
    showGeometrySelection(state, 0);
    EXPECT_TRUE(box.hasBox);
    EXPECT_EQ(box.displayedIndex, 0);
    EXPECT_EQ(box.box._min, osg::Vec3(-1, -2, -3));
    EXPECT_EQ(box.box._max, osg::Vec3(1, 2, 3));
    ASSERT_EQ(state.scene.markers->getNumDrawables(), 1u);
    const osg::Geometry& points = geometryAt(*state.scene.markers, 0);
    expectColourOverall(points, osg::Vec4(0, 1, 0, 1));
    expectSingleDrawArrays(points, GL_POINTS, 3);
    // Neck vertices 3, 1, 3 in that order, the repeat included.
    const osg::Vec3Array& p = verticesOf(points);
    EXPECT_EQ(p[0], osg::Vec3(1, 2, 3));
    EXPECT_EQ(p[1], osg::Vec3(1, -2, -3));
    EXPECT_EQ(p[2], osg::Vec3(1, 2, 3));

    // A geometry without neck vertices: its box, no points.
    showGeometrySelection(state, 1);
    EXPECT_TRUE(box.hasBox);
    EXPECT_EQ(box.box._min, osg::Vec3(5, 5, 0));
    EXPECT_EQ(box.box._max, osg::Vec3(6, 7, 0));
    for (unsigned i = 0; i < state.scene.markers->getNumDrawables(); ++i)
        EXPECT_EQ(verticesOf(geometryAt(*state.scene.markers, i)).size(), 0u);

    // -1 (and any index past the geometries) hides box and points but keeps the box.
    for (int index : {-1, 2, 1000}) {
        showGeometrySelection(state, 0);
        showGeometrySelection(state, index);
        EXPECT_FALSE(box.hasBox) << index;
        EXPECT_EQ(box.displayedIndex, index);
        EXPECT_EQ(box.box._max, osg::Vec3(1, 2, 3)) << index;
        EXPECT_EQ(state.scene.markers->getNumDrawables(), 0u) << index;
    }
}

TEST_F(ViewFixture, EditModeSwitchesTheHandlerAndFreeOrbit)
{
    for (int mode : {1, 2, 3}) {
        setEditMode(state, mode);
        EXPECT_EQ(getEditMode(state), mode);
        EXPECT_EQ(static_cast<int>(state.editHandler->mode), mode);
        EXPECT_FALSE(state.camera->freeRotate);
    }
    setEditMode(state, 0);
    EXPECT_EQ(getEditMode(state), 0);
    EXPECT_TRUE(state.camera->freeRotate);
    setEditMode(state, 4);
    setEditMode(state, -1);
    EXPECT_EQ(getEditMode(state), 0);
}

TEST_F(ViewFixture, TurnsRotateTheHeadAndMarkTheFaceModified)
{
    turnRight(state);  // no face: nothing
    EXPECT_TRUE(state.scene.headTransform->getMatrix().isIdentity());
    EXPECT_FALSE(state.modified);

    loadTwoGeometries();
    turnRight(state);
    EXPECT_TRUE(state.modified);
    // A quarter turn about -y: +x goes to +z, +z to -x; y stays.
    const osg::Matrixd m = state.scene.headTransform->getMatrix();
    const osg::Vec3 x = osg::Vec3(1, 0, 0) * m, z = osg::Vec3(0, 0, 1) * m, y = osg::Vec3(0, 1, 0) * m;
    EXPECT_NEAR((x - osg::Vec3(0, 0, 1)).length(), 0.0f, 1e-6f);
    EXPECT_NEAR((z - osg::Vec3(-1, 0, 0)).length(), 0.0f, 1e-6f);
    EXPECT_NEAR((y - osg::Vec3(0, 1, 0)).length(), 0.0f, 1e-6f);

    state.modified = false;
    turnRight(state);
    turnRight(state);
    turnRight(state);  // full circle
    turnUp(state);     // a quarter turn about +x: +y goes to +z
    EXPECT_TRUE(state.modified);
    const osg::Matrixd up = state.scene.headTransform->getMatrix();
    EXPECT_NEAR((osg::Vec3(0, 1, 0) * up - osg::Vec3(0, 0, 1)).length(), 0.0f, 1e-6f);
    EXPECT_NEAR((osg::Vec3(1, 0, 0) * up - osg::Vec3(1, 0, 0)).length(), 0.0f, 1e-6f);
}

TEST_F(ViewFixture, ScaleDragMarksTheFaceModifiedButNotWhileLiningUpAComparison)
{
    test::EventDriver drag(*state.editHandler);
    setEditMode(state, 2);
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    EXPECT_FALSE(state.modified);  // no face: nothing to save

    loadTwoGeometries();
    drag.press(0, 0);
    drag.drag(0, 0.1f);
    EXPECT_TRUE(state.modified);
    EXPECT_GT(state.editHandler->scale, 1.0f);

    state.modified = false;
    state.comparisonRenderer = state.faceNode;  // a comparison is pending
    drag.press(0, 0);
    drag.drag(0, 0.2f);
    EXPECT_FALSE(state.modified);
    state.comparisonRenderer = nullptr;
}

}  // namespace
}  // namespace mw
