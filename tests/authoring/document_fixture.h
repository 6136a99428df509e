#pragma once
// A document, a scripted prompt and a temporary folder for small faces.

#include <filesystem>
#include <string_view>

#include <gtest/gtest.h>

#include "authoring/document.h"
#include "authoring/view_document.h"
#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/temp_dir.h"

namespace mw {

// A flat grid of columns x rows vertices one unit apart (vertex r * columns + c at (c r 0)),
// each cell cut along the diagonal from its first vertex.
inline osg::ref_ptr<FaceGeom> gridGeom(const std::string& name, std::uint32_t columns, std::uint32_t rows)
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

class DocumentFixture : public ::testing::Test {
protected:
    void TearDown() override
    {
        closeFace(doc);
        std::filesystem::current_path(startDirectory);
    }

    // Writes `face` as dir/name and returns the path.
    std::filesystem::path writeFace(const TarvFaceObject& face, const std::string& name)
    {
        const std::filesystem::path path = dir / name;
        EXPECT_TRUE(writeFaceFile(path, face));
        return path;
    }

    // Loads `face` (written as dir/name) into the document.
    void load(const TarvFaceObject& face, const std::string& name = "face.tvf")
    {
        ASSERT_TRUE(loadIntoView(doc, writeFace(face, name), prompt));
        takeChanges(doc);
    }

    // Geometry 0 spans (-1 -2 -3) … (1 2 3) with neck vertices 3, 1, 3; geometry 1 is a
    // triangle flat in z from (5 5 0) to (6 7 0) without neck vertices.
    static osg::ref_ptr<TarvFaceObject> twoGeometries()
    {
        return test::makeFace({test::makeGeom("skin", {{-1, -2, -3}, {1, -2, -3}, {-1, 2, 3}, {1, 2, 3}}, {0, 1, 2, 1, 3, 2},
                                              {}, {}, {3, 1, 3}),
                               test::makeGeom("eyes", {{5, 5, 0}, {6, 5, 0}, {5, 7, 0}}, {0, 1, 2})});
    }

    const std::filesystem::path startDirectory = std::filesystem::current_path();
    test::TempDir dir;
    test::ScriptedPrompt prompt;
    Document doc;
};

}  // namespace mw
