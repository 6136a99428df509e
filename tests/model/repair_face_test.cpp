#include <limits>

#include <gtest/gtest.h>

#include "model/repair_face.h"
#include "tests/support/face_builders.h"

namespace mw {
namespace {

using test::facesEqual;
using test::makeFace;
using test::makeGeom;
using test::makeMorph;
using test::makeTarget;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

osg::ref_ptr<TarvFaceObject> validFace()
{
    // Unused vertices and coordinates, empty targets and morphs, a target naming no geometry: valid.
    auto skin = makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 3},
                         {{0, 0}, {1, 1}}, {0, 1, 1, 0, 1, 1}, {3, 3, 0});
    auto eyes = makeGeom("eyes", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {9, 9, 9}}, {0, 1, 2}, {{0, 0}}, {});
    return makeFace({skin, eyes},
                  {makeMorph("blink", {makeTarget("eyes", {0, 1, 1}, {{0, 1, 0}, {0, 1, 0}, {0, 0, 1}}),
                                       makeTarget("skin", {}, {}), makeTarget("hair", {99}, {{1, 1, 1}})}),
                   makeMorph("none", {})});
}

TEST(RepairFace, MendsWhatIsBrokenReportsEachChangeAndLeavesTheRestAlone)
{
    auto nonFinite = makeGeom("skin", {{kNaN, 1, kInf}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {{-kInf, 0.5f}}, {0, 0, 0});
    nonFinite->diffuse = {1, kNaN, 1, 1};
    nonFinite->specular = {0, 0, 0, kInf};
    auto zeroed = makeGeom("skin", {{0, 1, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {{0, 0.5f}}, {0, 0, 0});
    zeroed->diffuse = {1, 0, 1, 1};
    zeroed->specular = {0, 0, 0, 0};
    auto bare = makeGeom("bare", {}, {});
    bare->vertices = nullptr;
    bare->texcoords = nullptr;
    const struct {
        const char* what;
        osg::ref_ptr<TarvFaceObject> face, expected;
        std::vector<std::string> changes;
    } cases[] = {
        {"a valid face", validFace(), validFace(), {}},
        {"broken triangles are dropped whole and texIndices stay parallel",
         makeFace({
             // Triangle 1 names vertex 4 of 4, triangle 2 coordinate 2 of 2, then 2 trailing corners.
             makeGeom("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 4, 2, 1, 2, 3, 3, 2, 1, 0, 1},
                      {{0, 0}, {1, 1}}, {0, 0, 1, 1, 1, 1, 2, 0, 0, 1, 0, 1, 1, 1}, {0, 4, 3, 7}),
             makeGeom("b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {{0, 0}}, {0, 0, 0, 0}),  // 4 for 3 corners
             makeGeom("c", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {}, {0, 1, 2}),           // no coordinates
         }),
         makeFace({
             makeGeom("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 3, 2, 1}, {{0, 0}, {1, 1}},
                      {0, 0, 1, 1, 0, 1}, {0, 3}),
             makeGeom("b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}, {{0, 0}}, {}),
             makeGeom("c", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}),
         }),
         {"geometry 0 \"a\": dropped an incomplete triangle (2 trailing vertex indices)",
          "geometry 0 \"a\": dropped 1 triangle with a vertex index out of range",
          "geometry 0 \"a\": dropped 1 triangle with a texture index out of range",
          "geometry 0 \"a\": dropped 2 neck vertices out of range",
          "geometry 1 \"b\": dropped all 4 texture indices: their count differs from the count of vertex indices",
          "geometry 2 \"c\": dropped all 3 texture indices: there are no texture coordinates"}},
        // Two geometries named "skin" (3 and 5 vertices): entries must fit the smaller one.
        {"targets lose unpaired and out-of-range entries",
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}),
                   makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}}, {0, 1, 2})},
                  {makeMorph("m", {makeTarget("skin", {0, 4, 2, 1}, {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}}),
                                   makeTarget("skin", {1}, {{1, 0, 0}, {2, 0, 0}})})}),
         makeFace({makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2}),
                   makeGeom("skin", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}}, {0, 1, 2})},
                  {makeMorph("m", {makeTarget("skin", {0, 2}, {{1, 0, 0}, {3, 0, 0}}),
                                   makeTarget("skin", {1}, {{1, 0, 0}})})}),
         {"morph 0 \"m\", target 0 \"skin\": dropped 1 index without an offset",
          "morph 0 \"m\", target 0 \"skin\": dropped 1 entry with a vertex index out of range",
          "morph 0 \"m\", target 1 \"skin\": dropped 1 offset without an index"}},
        {"non-finite numbers become zero, missing parts are dropped or replaced",
         makeFace({nonFinite, nullptr, bare},
                  {makeMorph("m", {makeTarget("skin", {0}, {{kNaN, 2, 3}}, kNaN), nullptr}), nullptr}),
         makeFace({zeroed, makeGeom("bare", {}, {})}, {makeMorph("m", {makeTarget("skin", {0}, {{0, 2, 3}})})}),
         {"face: dropped 1 missing geometry", "face: dropped 1 missing morph",
          "geometry 0 \"skin\": set 2 non-finite vertex coordinates to 0",
          "geometry 0 \"skin\": set 1 non-finite texture coordinate to 0",
          "geometry 0 \"skin\": set 2 non-finite colour components to 0",
          "geometry 1 \"bare\": had no vertex array; it is now empty",
          "geometry 1 \"bare\": had no texture-coordinate array; it is now empty",
          "morph 0 \"m\": dropped 1 missing target",
          "morph 0 \"m\", target 0 \"skin\": set 1 non-finite offset component to 0",
          "morph 0 \"m\", target 0 \"skin\": set a non-finite weight to 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(repairFace(*c.face).changes, c.changes);
        EXPECT_TRUE(facesEqual(*c.expected, *c.face, /*compareWeights=*/true));
        EXPECT_TRUE(repairFace(*c.face).empty());  // a repaired face needs no more repair
    }
}

}  // namespace
}  // namespace mw
