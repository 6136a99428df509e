#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include <gtest/gtest.h>

#include "model/face_copy.h"
#include "model/weld.h"
#include "tests/support/face_builders.h"

namespace mw {
namespace {

using test::facesEqual;
using test::makeFace;
using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

TEST(Weld, MergesEqualValuesKeepsOldOrderAndDropsWhatNoTriangleUses)
{
    const float z = std::nextafter(1.0f, 2.0f);
    const struct {
        const char* what;
        osg::ref_ptr<TarvFaceObject> input, expected;
    } cases[] = {
        // 2 unused; 5 repeats 0; 4 is 1 with a signed zero; 6 is 3 but for the last bit; order follows old indices.
        {"positions",
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {9, 9, 9}, {0, 1, 1}, {1, -0.0f, 0}, {0, 0, 0}, {0, 1, z}},
                            {3, 1, 0, 5, 4, 6}, {}, {}, {2, 5, 3, 2, 4})},
                  {makeMorph("m", {makeTarget("skin", {5, 2, 6, 4}, {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}})})}),
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 1}, {0, 1, z}}, {2, 1, 0, 0, 1, 3}, {}, {}, {0, 2, 1})},
                  {makeMorph("m", {makeTarget("skin", {0, 3, 1}, {{1, 0, 0}, {3, 0, 0}, {4, 0, 0}})})})},
        // Coordinates 3 and 7 are equal; 0 and 5 are unused.
        {"texture coordinates",
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 2, 1, 0},
                            {{9, 9}, {0.5f, 0}, {0, 0.5f}, {1, 1}, {0.25f, 0}, {8, 8}, {0, 1}, {1, 1}}, {7, 1, 4, 3, 6, 2})}),
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 2, 1, 0},
                            {{0.5f, 0}, {0, 0.5f}, {1, 1}, {0.25f, 0}, {0, 1}}, {2, 0, 3, 2, 4, 1})})},
        // "eyes" has no triangles: it loses its vertices, neck vertices and target entries;
        // emptied targets and morphs go, a target naming no geometry stays unless it is empty.
        {"emptied targets",
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {0, 1, 2}),
                   makeGeom("eyes", {{0, 0, 0}, {1, 1, 1}}, {}, {}, {}, {0, 1})},
                  {makeMorph("onlyUnused", {makeTarget("skin", {3, 3}, {{1, 1, 1}, {2, 2, 2}})}),
                   makeMorph("mixed", {makeTarget("eyes", {1}, {{1, 1, 1}}), makeTarget("skin", {3, 1}, {{1, 0, 0}, {2, 0, 0}})}),
                   makeMorph("nowhere", {makeTarget("teeth", {7, 8}, {{1, 0, 0}, {2, 0, 0}}), makeTarget("teeth", {}, {})})}),
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}), makeGeom("eyes", {}, {})},
                  {makeMorph("mixed", {makeTarget("skin", {1}, {{2, 0, 0}})}),
                   makeMorph("nowhere", {makeTarget("teeth", {7, 8}, {{1, 0, 0}, {2, 0, 0}})})})},
        // "a" has no texIndices: its texcoords stay as they were; "b" is welded fully.
        {"untextured geometry",
         makeFace({makeGeom("a", {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {1, 2, 3}, {{1, 1}, {1, 1}}, {}),
                   makeGeom("b", {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 2, 3, 0, 1, 3}, {{0, 0}, {0, 0}, {1, 0}},
                            {1, 2, 0, 0, 2, 1})},
                  {makeMorph("m", {makeTarget("a", {3}, {{1, 0, 0}}), makeTarget("b", {2, 1}, {{0, 1, 0}, {0, 2, 0}})})}),
         makeFace({makeGeom("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {{1, 1}, {1, 1}}, {}),
                   makeGeom("b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 0, 1, 2}, {{0, 0}, {1, 0}}, {0, 1, 0, 0, 1, 0})},
                  {makeMorph("m", {makeTarget("a", {2}, {{1, 0, 0}}), makeTarget("b", {1, 1}, {{0, 1, 0}, {0, 2, 0}})})})},
        // Triangle 1 names vertex 9 (of 4), triangle 2 texture coordinate 5 (of 2), the last one
        // is incomplete; the others keep their corners and texture indices, nothing is read outside.
        {"damaged geometry",
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                            {0, 1, 2, 1, 9, 2, 1, 3, 2, 2, 1, 3, 0, 1},
                            {{0, 0}, {1, 1}}, {0, 1, 1, 0, 0, 0, 0, 5, 0, 1, 1, 0, 0, 0}, {3, 70000})},
                  {makeMorph("m", {makeTarget("skin", {3, 0, 2}, {{1, 0, 0}})})}),
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3},
                            {{0, 0}, {1, 1}}, {0, 1, 1, 1, 1, 0}, {3})},
                  {makeMorph("m", {makeTarget("skin", {3}, {{1, 0, 0}})})})},
    };
    for (const auto& c : cases) {
        weldFace(*c.input);
        EXPECT_TRUE(facesEqual(*c.expected, *c.input)) << c.what;
    }
}

// A literal ordered-map welding of one geometry and the indices of its target.
struct Reference {
    std::vector<osg::Vec3> vertices;
    std::vector<osg::Vec2> texcoords;
    IndexList vertexIndices, texIndices, clampIndices, targetIndices;
};

Reference orderedMapWeld(const FaceGeom& g, const IndexList& target)
{
    Reference r;
    std::map<std::tuple<float, float, float>, std::uint32_t> positions;
    std::map<std::uint32_t, std::uint32_t> vertexMap;
    for (const std::uint32_t v : std::set<std::uint32_t>(g.vertexIndices.begin(), g.vertexIndices.end())) {
        const osg::Vec3& p = (*g.vertices)[v];
        auto [it, inserted] = positions.emplace(std::tuple(p.x(), p.y(), p.z()), r.vertices.size());
        if (inserted)
            r.vertices.push_back(p);
        vertexMap[v] = it->second;
    }
    for (auto i : g.vertexIndices)
        r.vertexIndices.push_back(vertexMap.at(i));
    for (auto i : g.clampIndices)
        if (vertexMap.count(i))
            r.clampIndices.push_back(vertexMap[i]);
    for (auto i : target)
        if (vertexMap.count(i))
            r.targetIndices.push_back(vertexMap[i]);
    if (g.texIndices.empty()) {  // the texture stage does not run
        r.texcoords.assign(g.texcoords->begin(), g.texcoords->end());
        return r;
    }
    std::map<std::pair<float, float>, std::uint32_t> coords;
    for (const std::uint32_t t : std::set<std::uint32_t>(g.texIndices.begin(), g.texIndices.end())) {
        const osg::Vec2& c = (*g.texcoords)[t];
        if (coords.emplace(std::pair(c.x(), c.y()), r.texcoords.size()).second)
            r.texcoords.push_back(c);
    }
    for (auto t : g.texIndices)
        r.texIndices.push_back(coords.at(std::pair((*g.texcoords)[t].x(), (*g.texcoords)[t].y())));
    return r;
}

TEST(Weld, RandomFacesMatchOrderedMapsAndWeldingTwiceChangesNothing)
{
    std::mt19937 rng(7);
    auto pick = [&rng](std::uint32_t n) { return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(rng); };
    const float values[] = {0.0f, -0.0f, 1.0f, 0.5f, std::nextafter(0.5f, 1.0f)};
    for (int round = 0; round < 200; ++round) {
        const std::uint32_t n = 1 + pick(40), m = 1 + pick(20);
        osg::ref_ptr<FaceGeom> g = makeGeom("g", {}, {});
        for (std::uint32_t v = 0; v < n; ++v)
            g->vertices->push_back({values[pick(5)], values[pick(5)], values[pick(2)]});
        for (std::uint32_t t = 0; t < m; ++t)
            g->texcoords->push_back({values[pick(5)], values[pick(5)]});
        for (std::uint32_t corners = 3 * pick(20); corners > 0; --corners) {
            g->vertexIndices.push_back(pick(n));
            g->texIndices.push_back(pick(m));
        }
        for (int k = 0; k < 5; ++k)
            g->clampIndices.push_back(pick(n + 3));
        auto target = makeTarget("g", {}, {});
        for (int k = 0; k < 6; ++k) {
            target->indices.push_back(pick(n + 3));
            target->offsets->push_back({float(k), 0, 0});
        }
        const Reference expected = orderedMapWeld(*g, target->indices);

        auto face = makeFace({g}, {makeMorph("m", {target})});
        weldFace(*face);
        const FaceGeom& w = *face->geometries[0];
        const IndexList weldedTarget = face->morphs.empty() ? IndexList{} : face->morphs[0]->targets[0]->indices;
        ASSERT_TRUE(w.vertices->size() == expected.vertices.size() &&
                    std::memcmp(w.vertices->getDataPointer(), expected.vertices.data(), w.vertices->getTotalDataSize()) == 0)
            << round;
        ASSERT_EQ(std::vector<osg::Vec2>(w.texcoords->begin(), w.texcoords->end()), expected.texcoords) << round;
        ASSERT_EQ(std::tie(w.vertexIndices, w.texIndices, w.clampIndices, weldedTarget),
                  std::tie(expected.vertexIndices, expected.texIndices, expected.clampIndices, expected.targetIndices))
            << round;

        // A second weld is a no-op, down to the sign of the kept zeros.
        const auto again = copyFace(*face);
        weldFace(*again);
        ASSERT_TRUE(facesEqual(*face, *again)) << round;
        ASSERT_EQ(std::memcmp(w.vertices->getDataPointer(), again->geometries[0]->vertices->getDataPointer(),
                              w.vertices->getTotalDataSize()), 0) << round;
    }
}

}  // namespace
}  // namespace mw
