// export-morphs and create-morph round trip through OBJ files, as face kits ship expressions.

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "model/face_file.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;
using test::runCommand;

// Where each triangle corner of geometry `g` is drawn with morph `m` at weight 1.
std::vector<osg::Vec3> drawnCorners(const TarvFaceObject& face, std::size_t g, std::size_t m)
{
    const FaceGeom& geom = *face.geometries[g];
    std::vector<osg::Vec3> moved(geom.vertices->begin(), geom.vertices->end());
    for (const auto& target : face.morphs[m]->targets)
        if (target->name == geom.name)
            for (std::size_t j = 0; j < target->indices.size(); ++j)
                moved[target->indices[j]] += (*target->offsets)[j];
    std::vector<osg::Vec3> corners;
    for (const auto v : geom.vertexIndices)
        corners.push_back(moved[v]);
    return corners;
}

TEST(CliExportMorphs, ExpressionsExportedAsObjComeBackAsTheSameMorphsThroughCreateMorph)
{
    test::TempDir dir;
    const fs::path sample = test::sourceDir() / "examples" / "sample-head.tvf";
    const auto original = readFaceFile(sample);
    ASSERT_TRUE(original && original->morphs.size() == 3);

    auto r = runCommand({MIENWRIGHT_CLI, "export-morphs", sample.string(), (dir / "kit").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> args = {MIENWRIGHT_CLI, "create-morph", (dir / "kit" / "sample-head.obj").string()};
    for (const auto& morph : original->morphs) {
        ASSERT_TRUE(fs::exists(dir / "kit" / (morph->name + ".obj"))) << morph->name;
        args.push_back((dir / "kit" / (morph->name + ".obj")).string());
    }
    args.insert(args.end(), {"-o", (dir / "rig.tvf").string()});
    r = runCommand(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("several positions"), std::string::npos) << r.err;  // paired exactly

    const auto rig = readFaceFile(dir / "rig.tvf");
    ASSERT_TRUE(rig && rig->morphs.size() == 3 && rig->geometries.size() == original->geometries.size());
    for (std::size_t m = 0; m < 3; ++m) {
        EXPECT_EQ(rig->morphs[m]->name, original->morphs[m]->name);
        // Entries: the vertices the original morph moves by at least the threshold.
        std::map<std::pair<std::string, std::uint32_t>, osg::Vec3> moves;
        for (const auto& target : original->morphs[m]->targets)
            for (std::size_t j = 0; j < target->indices.size(); ++j)
                moves[{target->name, target->indices[j]}] += (*target->offsets)[j];
        std::size_t expected = 0, entries = 0;
        for (const auto& [key, offset] : moves)
            expected += offset.length() >= 0.001f;
        for (const auto& target : rig->morphs[m]->targets)
            entries += target->indices.size();
        EXPECT_EQ(entries, expected) << m;
        for (std::size_t g = 0; g < rig->geometries.size(); ++g) {
            const auto want = drawnCorners(*original, g, m), got = drawnCorners(*rig, g, m);
            ASSERT_EQ(want.size(), got.size());
            for (std::size_t c = 0; c < want.size(); ++c)
                ASSERT_LT((want[c] - got[c]).length(), 0.001f) << "morph " << m << " geometry " << g << " corner " << c;
        }
    }

    // A folder that cannot be made is exit 2.
    test::writeBytes(dir / "file", "x");
    r = runCommand({MIENWRIGHT_CLI, "export-morphs", sample.string(), (dir / "file" / "kit").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("Failed to save: cannot make the folder", 0), 0u) << r.err;
}

}  // namespace
}  // namespace mw
