#pragma once
// A view on a never-realised viewer, a scripted prompt and a temporary folder for small faces.

#include <filesystem>

#include <osg/Material>
#include <osgViewer/Viewer>

#include <gtest/gtest.h>

#include "authoring/view_document.h"
#include "authoring/view_setup.h"
#include "model/face_file.h"
#include "render/corner_attributes.h"
#include "tests/support/face_builders.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_dir.h"

namespace mw {

// A flat grid of columns x rows vertices one unit apart (vertex r * columns + c at (c r 0)),
// each cell cut along the diagonal from its first vertex.
inline osg::ref_ptr<FaceGeom> gridGeom(const std::string& name, std::uint32_t columns,
                                       std::uint32_t rows)
{
    std::vector<osg::Vec3> vertices;
    for (std::uint32_t r = 0; r < rows; ++r)
        for (std::uint32_t c = 0; c < columns; ++c)
            vertices.emplace_back(static_cast<float>(c), static_cast<float>(r), 0.0f);
    IndexList triangles;
    for (std::uint32_t v = 0; v + columns < vertices.size(); ++v)
        if ((v + 1) % columns != 0)
            triangles.insert(triangles.end(), {v, v + 1, v + columns + 1, v, v + columns + 1, v + columns});
    return test::makeGeom(name, vertices, triangles);
}

// What is drawn matches the face: normals, texcoords, colour and the targets that name each
// geometry, in the face's order.
inline void expectDrawnAsFace(const ViewState& state)
{
    for (const auto& renderer : state.faceNode->renderers()) {
        const FaceGeom& g = *renderer->geometry();
        SCOPED_TRACE(g.name);
        EXPECT_EQ(renderer->normals()->asVector(), computeCornerNormals(g)->asVector());
        if (renderer->hasTexcoords()) {
            EXPECT_EQ(renderer->cornerTexcoords()->asVector(), buildCornerTexcoords(g)->asVector());
        }
        const auto* material = dynamic_cast<const osg::Material*>(
            renderer->getStateSet()->getAttribute(osg::StateAttribute::MATERIAL));
        ASSERT_TRUE(material);
        EXPECT_EQ(material->getDiffuse(osg::Material::FRONT), g.diffuse);
        std::vector<const FaceTarget*> naming;
        for (const auto& morph : state.face->morphs)
            for (const auto& target : morph->targets)
                if (target->name == g.name)
                    naming.push_back(target.get());
        std::vector<const FaceTarget*> attached;
        for (const auto& target : renderer->attachedTargets())
            attached.push_back(target.get());
        EXPECT_EQ(attached, naming);
    }
}

class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        buildView(state, {});
        viewer = new osgViewer::Viewer;
        attachViewer(state, *viewer);
    }

    void TearDown() override
    {
        closeFace(state);
        std::filesystem::current_path(startDirectory);
    }

    // Writes `face` as dir/name and returns the path.
    std::filesystem::path writeFace(const TarvFaceObject& face, const std::string& name)
    {
        const std::filesystem::path path = dir / name;
        EXPECT_TRUE(writeFaceFile(path, face));
        return path;
    }

    // Geometry 0 spans (-1 -2 -3) … (1 2 3) with neck vertices 3, 1, 3; geometry 1 is a
    // triangle flat in z from (5 5 0) to (6 7 0) without neck vertices.
    osg::ref_ptr<TarvFaceObject> twoGeometries()
    {
        return test::makeFace({test::makeGeom("skin", {{-1, -2, -3}, {1, -2, -3}, {-1, 2, 3}, {1, 2, 3}}, {0, 1, 2, 1, 3, 2},
                                              {}, {}, {3, 1, 3}),
                               test::makeGeom("eyes", {{5, 5, 0}, {6, 5, 0}, {5, 7, 0}}, {0, 1, 2})});
    }

    void loadTwoGeometries()
    {
        ASSERT_TRUE(loadIntoView(state, writeFace(*twoGeometries(), "two.tvf"), prompt));
    }

    unsigned markerCount() const
    {
        const osg::Geode& m = *state.scene.markers;
        return m.getNumDrawables() ? m.getDrawable(0)->asGeometry()->getVertexArray()->getNumElements() : 0;
    }

    const std::filesystem::path startDirectory = std::filesystem::current_path();
    test::TempDir dir;
    test::ScriptedPrompt prompt;
    ViewState state;
    osg::ref_ptr<osgViewer::Viewer> viewer;
};

}  // namespace mw
