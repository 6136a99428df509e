#pragma once
// A view on a never-realised viewer, a scripted prompt and a temporary folder for small faces.

#include <filesystem>

#include <osgViewer/Viewer>

#include <gtest/gtest.h>

#include "authoring/view_document.h"
#include "authoring/view_setup.h"
#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_dir.h"

namespace mw {

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
