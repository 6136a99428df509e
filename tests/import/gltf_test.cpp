#include <algorithm>
#include <cmath>
#include <utility>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <osg/Image>
#include <osgDB/WriteFile>
#include <tiny_gltf.h>

#include "import/gltf_reader.h"
#include "import/gltf_writer.h"
#include "import/load_face.h"
#include "import/save_face_file.h"
#include "model/corner_normals.h"
#include "model/face_file.h"
#include "tests/support/face_builders.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

using test::entryCount;
using test::makeFace;
using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

// What a viewer sees of a face, however its vertices are numbered: corners, material, neck, morphs.
void expectSameLook(const TarvFaceObject& expected, const TarvFaceObject& actual, float tolerance)
{
    const auto near = [&](const auto& a, const auto& b) { return (a - b).length() <= tolerance; };
    // The corners of geometry i as drawn with morph m at weight 1 (none when m < 0), then its neck.
    const auto corners = [](const TarvFaceObject& face, std::size_t i, int m) {
        const FaceGeom& g = *face.geometries[i];
        std::vector<osg::Vec3> moved(g.vertices->begin(), g.vertices->end()), out;
        if (m >= 0)
            for (const auto& t : face.morphs[m]->targets)
                if (t->name == g.name)
                    for (std::size_t j = 0; j < t->indices.size(); ++j)
                        moved[t->indices[j]] += (*t->offsets)[j];
        for (const auto v : g.vertexIndices)
            out.push_back(moved[v]);
        const auto neckStart = out.size();
        for (const auto v : g.clampIndices)
            out.push_back(moved[v]);
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(neckStart), out.end());
        return out;
    };
    ASSERT_EQ(expected.geometries.size(), actual.geometries.size());
    ASSERT_EQ(test::morphNames(expected), test::morphNames(actual));
    for (std::size_t i = 0; i < expected.geometries.size(); ++i) {
        const FaceGeom& e = *expected.geometries[i];
        const FaceGeom& a = *actual.geometries[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.name, a.name);
        EXPECT_TRUE(near(e.diffuse, a.diffuse) && near(e.specular, a.specular));
        EXPECT_EQ(e.texture.empty(), a.texture.empty());
        ASSERT_EQ(e.texIndices.size(), a.texIndices.size());
        for (std::size_t c = 0; c < e.texIndices.size(); ++c)
            EXPECT_TRUE(near((*e.texcoords)[e.texIndices[c]], (*a.texcoords)[a.texIndices[c]])) << "corner " << c;
        for (int m = -1; m < static_cast<int>(expected.morphs.size()); ++m) {
            const auto ec = corners(expected, i, m), ac = corners(actual, i, m);
            ASSERT_EQ(ec.size(), ac.size()) << "morph " << m;
            for (std::size_t c = 0; c < ec.size(); ++c)
                ASSERT_TRUE(near(ec[c], ac[c])) << "morph " << m << " point " << c;
        }
    }
}

// "a": a texture seam at vertex 0, a closed lip (two vertices at one spot a morph pulls apart), a
// neck vertex; "b": untextured, an unused neck vertex. "open" moves "a"; "empty" is empty on "b".
osg::ref_ptr<TarvFaceObject> builtFace(const test::TempDir& dir)
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(4, 4, 1, GL_RGB, GL_UNSIGNED_BYTE);
    std::fill_n(image->data(), image->getTotalSizeInBytes(), 90);
    osgDB::writeImageFile(*image, (dir / "skin.png").string());
    auto a = makeGeom("a", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, -1, 0}, {0.5f, -1, 0}},
                      {0, 1, 2, 0, 2, 3, 0, 4, 1, 1, 5, 0},
                      {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.25f, 0.5f}, {0.5f, 0.5f}},
                      {0, 1, 2, 4, 2, 3, 0, 5, 1, 1, 5, 0}, {3});
    a->texture = "skin.png";
    a->specular.set(0.25f, 0.5f, 0.75f, 1);
    auto b = makeGeom("b", {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}, {3, 3, 3}}, {0, 1, 2}, {}, {}, {3});
    b->diffuse.set(0.2f, 0.4f, 0.6f, 0.5f);
    return makeFace({a, b}, {makeMorph("open", {makeTarget("a", {0, 4}, {{0, 0, 0.1f}, {0, -0.2f, 0}})}),
                             makeMorph("empty", {makeTarget("b", {}, {})})});
}

TEST(Gltf, FacesGoToGlbAndGltfAndBackAsTvfWithoutLoss)
{
    for (const std::string extension : {".glb", ".gltf"}) {
        for (const bool sample : {true, false}) {
            SCOPED_TRACE(extension + (sample ? " sample head" : " built face"));
            test::TempDir dir;
            std::filesystem::path source = test::sourceDir() / "examples/sample-head.tvf";
            if (!sample) {
                source = dir / "built.tvf";
                ASSERT_TRUE(writeFaceFile(source, *builtFace(dir)));
            }
            const osg::ref_ptr<TarvFaceObject> original = loadFace(source);
            ASSERT_TRUE(original.valid());
            const auto gltf = dir / ("out" + extension);
            std::vector<std::string> warnings;
            std::string failure;
            ASSERT_TRUE(saveFaceFile(gltf, *original, source.parent_path(), &warnings, &failure)) << failure;
            EXPECT_TRUE(warnings.empty()) << warnings.front();
            const auto validator = test::runCommand(
                {"/usr/bin/env", "node", (test::sourceDir() / "scripts/validate-gltf.js").string(), gltf.string()});
            EXPECT_TRUE(validator.status == 0 && validator.out.empty() && validator.err.empty())
                << validator.out << validator.err;

            RepairReport repairs;
            osg::ref_ptr<TarvFaceObject> read = loadFace(gltf, &repairs);
            ASSERT_TRUE(read.valid()) << repairs.failure;
            EXPECT_TRUE(repairs.empty());
            const auto back = dir / "back.tvf";
            ASSERT_TRUE(saveFaceFile(back, *read, gltf.parent_path(), nullptr, &failure)) << failure;
            const osg::ref_ptr<TarvFaceObject> again = loadFace(back);
            ASSERT_TRUE(again.valid());
            expectSameLook(*original, *again, 2e-6f);
            // Textures come back as files beside the .tvf, byte for byte.
            for (std::size_t i = 0; i < original->geometries.size(); ++i) {
                const std::string& texture = original->geometries[i]->texture;
                if (texture.empty())
                    continue;
                EXPECT_EQ(std::filesystem::path(again->geometries[i]->texture).parent_path(), "");
                EXPECT_EQ(test::readBytes(dir / again->geometries[i]->texture),
                          test::readBytes(source.parent_path() / texture));
            }
            if (!sample) {
                EXPECT_EQ(entryCount(*again->morphs[0]), 2u);  // the seam vertex moves once
                EXPECT_EQ(entryCount(*again->morphs[1]), 0u);
                EXPECT_EQ(again->geometries[0]->vertices->size(), 6u);  // the lip stays two vertices
            }
        }
    }
}

// A glTF file written by hand: JSON with one buffer as a data URI, mesh 0 in the scene.
struct HandFile {
    nlohmann::json json = {{"asset", {{"version", "2.0"}}}, {"scene", 0}, {"scenes", {{{"nodes", {0}}}}},
                           {"nodes", {{{"mesh", 0}}}}};
    std::string bytes;

    int view(const void* data, std::size_t size)
    {
        while (bytes.size() % 4)
            bytes += '\0';
        json["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", bytes.size()}, {"byteLength", size}});
        bytes.append(static_cast<const char*>(data), size);
        return static_cast<int>(json["bufferViews"].size() - 1);
    }
    int accessor(nlohmann::json a)
    {
        json["accessors"].push_back(std::move(a));
        return static_cast<int>(json["accessors"].size() - 1);
    }
    int floats(const std::vector<float>& values, const char* type)
    {
        return accessor({{"bufferView", view(values.data(), values.size() * 4)}, {"componentType", 5126},
                         {"count", values.size() / (type[3] - '0')}, {"type", type}});
    }
    std::string text()
    {
        static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string base64;
        for (std::size_t i = 0; i < bytes.size(); i += 3) {
            unsigned v = 0;
            for (std::size_t k = i; k < i + 3; ++k)
                v = v << 8 | (k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u);
            for (std::size_t k = 0; k < 4; ++k)
                base64 += i + k <= bytes.size() ? digits[(v >> (18 - 6 * k)) & 63] : '=';
        }
        json["buffers"] = {{{"byteLength", bytes.size()}, {"uri", "data:application/octet-stream;base64," + base64}}};
        return json.dump();
    }
};

osg::ref_ptr<TarvFaceObject> readText(const std::string& text)
{
    return readGltfBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), ".");
}

TEST(Gltf, ReadsSparseTargetsOfSeveralPrimitivesThroughNodeTransforms)
{
    HandFile f;
    const int positions = f.floats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3");
    const std::uint16_t moved[2] = {2, 0};
    const float offset[3] = {0, 0, 1};
    const int target = f.accessor({{"componentType", 5126}, {"count", 3}, {"type", "VEC3"},
                                   {"sparse", {{"count", 1},
                                               {"indices", {{"bufferView", f.view(moved, 2)}, {"componentType", 5123}}},
                                               {"values", {{"bufferView", f.view(offset, 12)}}}}}});
    const nlohmann::json primitive = {{"attributes", {{"POSITION", positions}}}, {"targets", {{{"POSITION", target}}}}};
    f.json["meshes"] = {{{"name", "m"}, {"primitives", {primitive, primitive}}}};
    // A quarter turn about z and a lift of 5 above a node that doubles the mesh; a node
    // outside the scene is not read.
    f.json["nodes"] = {{{"translation", {0, 0, 5}}, {"rotation", {0, 0, std::sqrt(0.5), std::sqrt(0.5)}}, {"children", {1}}},
                       {{"scale", {2, 2, 2}}, {"mesh", 0}},
                       {{"mesh", 0}}};
    const auto face = readText(f.text());
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->geometries.size(), 2u);
    EXPECT_EQ(face->geometries[0]->name + face->geometries[1]->name, "m_0m_1");
    // glTF (x, y, z) lands at (-x, y, -z): turned half way about y to face the home view.
    const std::vector<osg::Vec3> expected = {{0, 0, -5}, {0, 2, -5}, {2, 0, -5}};
    const FaceGeom& g = *face->geometries[0];
    ASSERT_EQ(g.vertexIndices.size(), 3u);
    for (int k = 0; k < 3; ++k)
        EXPECT_LT(((*g.vertices)[g.vertexIndices[k]] - expected[k]).length(), 1e-6f) << k;
    ASSERT_EQ(test::morphNames(*face), std::vector<std::string>{"morph_0"});
    ASSERT_EQ(face->morphs[0]->targets.size(), 2u);
    for (const auto& t : face->morphs[0]->targets) {
        ASSERT_EQ(t->indices.size(), 1u);
        EXPECT_LT(((*face->geometries[0]->vertices)[t->indices[0]] - expected[2]).length(), 1e-6f);
        EXPECT_LT(((*t->offsets)[0] - osg::Vec3(0, 0, -2)).length(), 1e-6f);
    }
}

TEST(Gltf, ReadsStripsFansNormalisedTexcoordsAndTargetNames)
{
    HandFile f;
    const int positions = f.floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, "VEC3");
    const std::uint8_t uv[8] = {0, 0, 255, 0, 0, 255, 255, 255};
    const int texcoords = f.accessor({{"bufferView", f.view(uv, 8)}, {"componentType", 5121}, {"normalized", true},
                                      {"count", 4}, {"type", "VEC2"}});
    const std::uint8_t order[4] = {0, 1, 3, 2};
    const int fan = f.accessor({{"bufferView", f.view(order, 4)}, {"componentType", 5121}, {"count", 4}, {"type", "SCALAR"}});
    const int target = f.floats({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5f}, "VEC3");
    const nlohmann::json attributes = {{"POSITION", positions}, {"TEXCOORD_0", texcoords}};
    f.json["meshes"] = {{{"name", "strip"},
                         {"extras", {{"targetNames", {"smile"}}}},
                         {"primitives", {{{"attributes", attributes}, {"mode", 5}, {"targets", {{{"POSITION", target}}}}},
                                         {{"attributes", attributes}, {"mode", 6}, {"indices", fan}},
                                         {{"attributes", attributes}, {"mode", 1}}}}}};
    const auto face = readText(f.text());
    ASSERT_TRUE(face.valid());
    ASSERT_EQ(face->geometries.size(), 2u);  // the line primitive makes no geometry
    const osg::Vec3 p[4] = {{0, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {-1, 1, 0}};
    const osg::Vec2 t[4] = {{0, 1}, {1, 1}, {0, 0}, {1, 0}};
    const std::vector<std::vector<int>> corners = {{0, 1, 2, 1, 3, 2}, {0, 1, 3, 0, 3, 2}};
    for (std::size_t g = 0; g < 2; ++g) {
        const FaceGeom& geom = *face->geometries[g];
        ASSERT_EQ(geom.vertexIndices.size(), 6u);
        for (std::size_t c = 0; c < 6; ++c) {
            EXPECT_EQ((*geom.vertices)[geom.vertexIndices[c]], p[corners[g][c]]) << g << " " << c;
            EXPECT_EQ((*geom.texcoords)[geom.texIndices[c]], t[corners[g][c]]) << g << " " << c;
        }
    }
    ASSERT_EQ(test::morphNames(*face), std::vector<std::string>{"smile"});
    ASSERT_EQ(entryCount(*face->morphs[0]), 1u);  // only the vertex that moves
    EXPECT_EQ((*face->morphs[0]->targets[0]->offsets)[0], osg::Vec3(0, 0, -0.5f));  // turned to face the home view
}

// Each written normal is the view's normal of the first corner that made its vertex: a welded
// seam (vertices 1 and 4 at one spot), a card with a back side of its own texture, a sliver.
TEST(Gltf, NormalsAreTheViewsNormalsOfTheRestPose)
{
    test::TempDir dir;
    const auto g = makeGeom("g", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0.5f}, {1, 0, 0}, {0.5f, 0.5f, -1}},
                            {0, 1, 2, 2, 4, 3, 0, 2, 1, 1, 3, 5, 0, 0, 1},
                            {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0.5f, 0}, {0.5f, 0.5f}, {0.1f, 0}, {0.2f, 0}, {0.3f, 0}},
                            {0, 1, 2, 2, 4, 3, 6, 7, 8, 1, 3, 5, 0, 0, 1});
    ASSERT_TRUE(writeGltfFile(dir / "n.glb", *makeFace({g}), dir.path()));
    tinygltf::Model model;
    std::string error, warning;
    ASSERT_TRUE(tinygltf::TinyGLTF().LoadBinaryFromFile(&model, &error, &warning, (dir / "n.glb").string())) << error;
    const auto values = [&](int index, std::size_t width) {  // an accessor's floats or 32/16-bit indices
        const tinygltf::Accessor& a = model.accessors[static_cast<std::size_t>(index)];
        const tinygltf::BufferView& v = model.bufferViews[static_cast<std::size_t>(a.bufferView)];
        const unsigned char* at = model.buffers[0].data.data() + v.byteOffset + a.byteOffset;
        std::vector<double> out;
        for (std::size_t k = 0; k < a.count * width; ++k)
            out.push_back(a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ? reinterpret_cast<const float*>(at)[k]
                          : a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT
                              ? reinterpret_cast<const std::uint16_t*>(at)[k]
                              : reinterpret_cast<const std::uint32_t*>(at)[k]);
        return out;
    };
    const tinygltf::Primitive& primitive = model.meshes[0].primitives[0];
    const auto normals = values(primitive.attributes.at("NORMAL"), 3), indices = values(primitive.indices, 1);
    const auto view = computeCornerNormals(*g);
    ASSERT_EQ(indices.size(), view->size());
    std::vector<char> seen(normals.size() / 3, 0);
    for (std::size_t c = 0; c < indices.size(); ++c) {
        const auto vertex = static_cast<std::size_t>(indices[c]);
        if (std::exchange(seen[vertex], char(1)))
            continue;
        osg::Vec3 expected((*view)[c].length2() > 0 ? (*view)[c] / (*view)[c].length() : osg::Vec3(0, 1, 0));
        expected.set(-expected.x(), expected.y(), -expected.z());  // glTF faces +z
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(normals[3 * vertex + k], expected[k], 1e-6) << "corner " << c;
    }
}

TEST(Gltf, RefusesBrokenFilesWithAReason)
{
    test::TempDir dir;
    // One triangle, edited.
    const auto edited = [](auto edit) {
        HandFile f;
        f.json["meshes"] = {{{"primitives", {{{"attributes", {{"POSITION", f.floats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3")}}}}}}}};
        return edit(f);
    };
    ASSERT_TRUE(writeGltfFile(dir / "cut.glb", *makeFace({makeGeom("g", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2})}),
                              dir.path()));
    const std::string glb = test::readBytes(dir / "cut.glb");
    const std::pair<std::string, std::string> cases[] = {
        {"not JSON", "{\"asset\": "},
        {"accessor past its view", edited([](HandFile& f) { f.json["accessors"][0]["count"] = 4; return f.text(); })},
        {"view past its buffer", edited([](HandFile& f) { f.json["bufferViews"][0]["byteLength"] = 400; return f.text(); })},
        {"buffer shorter than said", edited([](HandFile& f) { f.text(); f.json["buffers"][0]["byteLength"] = 4000; return f.json.dump(); })},
        {"missing buffer file", edited([](HandFile& f) { f.text(); f.json["buffers"][0]["uri"] = "missing.bin"; return f.json.dump(); })},
        {"node cycle", edited([](HandFile& f) { f.json["nodes"][0]["children"] = {0}; return f.text(); })},
        {"unsupported extension", edited([](HandFile& f) { f.json["extensionsRequired"] = {"KHR_draco_mesh_compression"}; return f.text(); })},
        {"no triangles", edited([](HandFile& f) { f.json["meshes"][0]["primitives"][0]["mode"] = 0; return f.text(); })},
        {"cut .glb", glb.substr(0, glb.size() - 8)},
    };
    ASSERT_TRUE(readText(edited([](HandFile& f) { return f.text(); })).valid());
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        const auto file = dir / "broken.gltf";
        test::writeBytes(file, text);
        RepairReport report;
        EXPECT_FALSE(loadFace(file, &report).valid());
        EXPECT_FALSE(report.failure.empty());
    }
}

}  // namespace
}  // namespace mw
