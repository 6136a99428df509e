// File > "Export glTF...": the head as the view shows it goes to a glTF file; a cancelled
// choice writes nothing.

#include <gtest/gtest.h>

#include "app/command_table.h"
#include "import/gltf_reader.h"
#include "tests/app/editor_fixture.h"

namespace mw::test {
namespace {

class ExportGltfTest : public EditorTest {};

TEST_F(ExportGltfTest, WritesTheTurnedHeadWithItsMorphs)
{
    openSampleHead();
    const auto extent = [](const FaceGeom& g) {
        osg::BoundingBox box;
        for (const auto& v : *g.vertices)
            box.expandBy(v);
        return box._max - box._min;
    };
    const osg::Vec3 before = extent(*state().face->geometries[0]);
    frame->runCommand(command::TurnRight);
    frame->runCommand(command::ExportGltf);  // cancelled
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    prompt.exportFiles.push_back(dir / "head");  // no extension: binary glTF
    frame->runCommand(command::ExportGltf);
    EXPECT_TRUE(prompt.messages.empty()) << prompt.messages.front();
    std::string failure;
    const auto exported = readGltfFile(dir / "head.glb", nullptr, &failure);
    ASSERT_TRUE(exported.valid()) << failure;
    const TarvFaceObject& face = *state().face;
    ASSERT_EQ(exported->geometries.size(), face.geometries.size());
    ASSERT_EQ(exported->morphs.size(), face.morphs.size());
    for (std::size_t i = 0; i < face.morphs.size(); ++i)
        EXPECT_EQ(exported->morphs[i]->name, face.morphs[i]->name);
    // The quarter turn is in the file (and baked into the face, as saving does).
    const osg::Vec3 after = extent(*exported->geometries[0]);
    EXPECT_LT((after - extent(*face.geometries[0])).length(), 1e-4f);
    EXPECT_GT((after - before).length(), 0.1f);
}

}  // namespace
}  // namespace mw::test
