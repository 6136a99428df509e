// ARKit names, joining and splitting morphs: recognition of every spelling, the report, the
// order after renaming, and halves that add up to the original.

#include <cctype>
#include <cstring>
#include <map>

#include <gtest/gtest.h>

#include "authoring/arkit_names.h"
#include "authoring/morph_join.h"
#include "authoring/morph_split.h"
#include "tests/support/face_builders.h"

namespace mw {
namespace {

using test::makeMorph;
using test::makeTarget;

// Offset per (geometry, vertex) that a morph gives.
std::map<std::pair<std::string, std::uint32_t>, osg::Vec3> offsetsOf(const FaceMorph& morph)
{
    std::map<std::pair<std::string, std::uint32_t>, osg::Vec3> out;
    for (const auto& t : morph.targets)
        for (std::size_t j = 0; j < t->indices.size(); ++j)
            out[{t->name, t->indices[j]}] += (*t->offsets)[j];
    return out;
}

TEST(ArkitNames, EverySpellingAndSideIsRecognisedAndSideWordsOfWholeShapesStayWhole)
{
    EXPECT_EQ(arkitShapeNames().size(), 52u);
    EXPECT_EQ(arkitShapeNames()[0], "eyeBlinkLeft");
    EXPECT_EQ(arkitShapeNames()[51], "tongueOut");
    const auto W = ArkitPart::Whole, L = ArkitPart::LeftHalf, R = ArkitPart::RightHalf;
    const struct {
        const char* name;
        const char* shape;  // empty: not recognised
        ArkitPart part;
    } cases[] = {
        {"eyeBlinkLeft", "eyeBlinkLeft", W},   {"eyeBlink_L", "eyeBlinkLeft", W},
        {"EyeBlinkLeft", "eyeBlinkLeft", W},   {"eye_blink_left", "eyeBlinkLeft", W},
        {"EYE_BLINK_RIGHT", "eyeBlinkRight", W}, {"eyeBlink.R", "eyeBlinkRight", W},
        {"L_eyeBlink", "eyeBlinkLeft", W},     {"r.eyeBlink", "eyeBlinkRight", W},
        {"eye-blink-l", "eyeBlinkLeft", W},    {"mouth smile right", "mouthSmileRight", W},
        {"JawOpen", "jawOpen", W},             {"jawLeft", "jawLeft", W},
        {"mouth_right", "mouthRight", W},      {"jaw_L", "jawLeft", W},
        {"browInnerUp_L", "browInnerUp", L},   {"BrowInnerUpRight", "browInnerUp", R},
        {"cheekPuff.L", "cheekPuff", L},       {"left_cheek_puff", "cheekPuff", L},
        {"R_jawOpen", "jawOpen", R},           {"mouthLeft_L", "mouthLeft", L},
        {"blink", "", W},                      {"eyeBlink", "", W},
        {"jaw", "", W},                        {"cleft", "", W},
        {"smile_L", "", W},                    {"_L", "", W},
        {"browInnerUpper", "", W},             {"jawOpenish_L", "", W},
    };
    for (const auto& c : cases) {
        const auto match = recogniseArkitName(c.name);
        if (!*c.shape) {
            EXPECT_FALSE(match) << c.name;
            continue;
        }
        ASSERT_TRUE(match) << c.name;
        EXPECT_EQ(arkitShapeNames()[match->shape], c.shape) << c.name;
        EXPECT_EQ(match->part, c.part) << c.name;
    }
}

TEST(ArkitNames, EveryShapeComesBackFromItsSnakeCaseAndShortSideSpellings)
{
    for (std::size_t k = 0; k < kArkitShapeCount; ++k) {
        const std::string name(arkitShapeNames()[k]);
        std::string snake;  // eye_blink_left
        for (char c : name) {
            if (std::isupper(static_cast<unsigned char>(c)))
                snake += '_';
            snake += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        std::string upper = snake;  // EYE_BLINK_LEFT
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::vector<std::string> spellings = {name, snake, upper};
        for (const auto& [word, letter] : {std::pair{"Left", "L"}, std::pair{"Right", "R"}})
            if (name.ends_with(word)) {
                const std::string stem = name.substr(0, name.size() - std::strlen(word));
                spellings.insert(spellings.end(), {stem + "_" + letter, std::string(letter) + "_" + stem, stem + "." + letter});
            }
        for (const std::string& spelling : spellings) {
            const auto match = recogniseArkitName(spelling);
            ASSERT_TRUE(match) << spelling;
            EXPECT_EQ(match->shape, k) << spelling;
            EXPECT_EQ(match->part, ArkitPart::Whole) << spelling;
        }
    }
}

TEST(ArkitNames, ReportPrefersTheExactSpellingPairsHalvesAndRenamingOrdersAsArkit)
{
    const auto geom = test::makeGeom("skin", {{-1, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    auto face = test::makeFace(
        {geom}, {makeMorph("smile", {makeTarget("skin", {2}, {{0, 1, 0}})}),
                 makeMorph("browInnerUp_R", {makeTarget("skin", {1, 2}, {{0, 1, 0}, {0, 0.5f, 0}})}),
                 makeMorph("EyeBlinkLeft", {}), makeMorph("eyeBlinkLeft", {}),
                 makeMorph("browInnerUp_L", {makeTarget("skin", {0, 2}, {{0, 1, 0}, {0, 0.25f, 0}})}),
                 makeMorph("cheekPuff_L", {}), makeMorph("tongue_out", {}), makeMorph("jaw_open", {})});
    const ArkitReport report = arkitReport(*face);
    const auto shape = [](std::string_view n) { return *arkitShapeIndex(n); };
    EXPECT_EQ(report.present[shape("eyeBlinkLeft")], 3u);
    EXPECT_EQ(report.present[shape("jawOpen")], 7u);
    EXPECT_EQ(report.present[shape("tongueOut")], 6u);
    ASSERT_TRUE(report.halves[shape("browInnerUp")]);
    EXPECT_EQ(report.halves[shape("browInnerUp")]->left, 4u);
    EXPECT_EQ(report.halves[shape("browInnerUp")]->right, 1u);
    EXPECT_TRUE(report.missing(shape("cheekPuff")));  // one half alone is not the shape
    std::size_t missing = 0;
    for (std::size_t k = 0; k < kArkitShapeCount; ++k)
        missing += report.missing(k);
    EXPECT_EQ(missing, 48u);
    EXPECT_EQ(report.extra, (std::vector<std::size_t>{0, 2, 5}));

    const ArkitRenameResult result = renameToArkit(*face);
    EXPECT_EQ(result.renamed, 2u);
    EXPECT_EQ(result.joined, 1u);
    EXPECT_EQ(test::morphNames(*face), (std::vector<std::string>{"eyeBlinkLeft", "jawOpen", "browInnerUp", "tongueOut",
                                                                 "smile", "EyeBlinkLeft", "cheekPuff_L"}));
    const auto joined = offsetsOf(*face->morphs[2]);
    const std::map<std::pair<std::string, std::uint32_t>, osg::Vec3> expected = {
        {{"skin", 0}, {0, 1, 0}}, {{"skin", 1}, {0, 1, 0}}, {{"skin", 2}, {0, 0.75f, 0}}};
    EXPECT_EQ(joined, expected);
}

TEST(MorphJoin, SumsByGeometryAndVertexDropsZerosAndReplacesThePartsAtTheFirstPlace)
{
    const auto a = test::makeGeom("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    const auto b = test::makeGeom("b", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {0, 1, 2});
    auto face = test::makeFace(
        {a, b}, {makeMorph("x", {}), makeMorph("p", {makeTarget("a", {0, 1}, {{1, 0, 0}, {0, 2, 0}})}),
                 makeMorph("y", {}),
                 makeMorph("q", {makeTarget("b", {2}, {{0, 0, 3}}), makeTarget("a", {1, 2}, {{0, -2, 0}, {4, 0, 0}})})});
    const std::size_t parts[] = {3, 1};
    EXPECT_FALSE(joinMorphs(*face, std::vector<std::size_t>{1, 1}, "pq"));
    EXPECT_FALSE(joinMorphs(*face, std::vector<std::size_t>{1, 9}, "pq"));
    EXPECT_FALSE(joinMorphs(*face, parts, "y"));  // another morph's name
    ASSERT_EQ(joinMorphs(*face, parts, "q"), 1u);  // one of the parts' names is free again
    EXPECT_EQ(test::morphNames(*face), (std::vector<std::string>{"x", "q", "y"}));
    const std::map<std::pair<std::string, std::uint32_t>, osg::Vec3> expected = {
        {{"b", 2}, {0, 0, 3}}, {{"a", 0}, {1, 0, 0}}, {{"a", 2}, {4, 0, 0}}};  // a/1 cancels out
    EXPECT_EQ(offsetsOf(*face->morphs[1]), expected);
    EXPECT_EQ(test::entryCount(*face->morphs[1]), 3u);
}

TEST(MorphSplit, FalloffIsASmoothStepAcrossThePlaneAndTheHalvesAddUpExactly)
{
    constexpr float kPlane = 1.0f, kWidth = 0.8f;
    for (const double width : {0.8, 0.0}) {
        EXPECT_EQ(leftShare(kPlane, kPlane, width), 0.5);
        EXPECT_EQ(leftShare(kPlane - 0.41, kPlane, width), 1.0);
        EXPECT_EQ(leftShare(kPlane + 0.41, kPlane, width), 0.0);
    }
    EXPECT_EQ(leftShare(kPlane - 0.01, kPlane, 0.0), 1.0);  // a hard cut
    double previous = 1.0;
    for (double x = kPlane - 0.5; x <= kPlane + 0.5; x += 0.01) {
        const double share = leftShare(x, kPlane, kWidth);
        EXPECT_LE(share, previous) << x;
        EXPECT_NEAR(share + leftShare(2 * kPlane - x, kPlane, kWidth), 1.0, 1e-12) << x;  // symmetric
        previous = share;
    }
    // Smooth at the edges: the step leaves 1 and 0 flat, not with a kink.
    EXPECT_LT(1.0 - leftShare(kPlane - 0.39, kPlane, kWidth), 1e-3);
    EXPECT_GT(leftShare(kPlane - 0.2, kPlane, kWidth), 0.75);

    // A row of vertices across the plane, each moved by an awkward offset.
    std::vector<osg::Vec3> row;
    IndexList indices;
    std::vector<osg::Vec3> offsets;
    for (int i = 0; i <= 40; ++i) {
        row.push_back({kPlane - 1.0f + 0.05f * i, 0, 0});
        indices.push_back(static_cast<std::uint32_t>(i));
        offsets.push_back({0.1f * i - 1.3f, 0.7f / (i + 1), 3.14159f});
    }
    indices.push_back(99);  // no position: shared half and half
    offsets.push_back({1, 1, 1});
    auto face = test::makeFace({test::makeGeom("skin", row, {0, 1, 2})},
                               {makeMorph("browInnerUp", {makeTarget("skin", indices, offsets)}),
                                makeMorph("smile", {}), makeMorph("smile_R", {})});
    EXPECT_FALSE(splitMorph(*face, 1, kPlane, kWidth));  // smile_R is taken
    const auto split = splitMorph(*face, 0, kPlane, kWidth);
    ASSERT_TRUE(split);
    EXPECT_EQ(test::morphNames(*face), (std::vector<std::string>{"browInnerUpLeft", "browInnerUpRight", "smile", "smile_R"}));
    const auto left = offsetsOf(*face->morphs[0]), right = offsetsOf(*face->morphs[1]);
    for (std::size_t j = 0; j < indices.size(); ++j) {
        const std::pair<std::string, std::uint32_t> key{"skin", indices[j]};
        const osg::Vec3 l = left.count(key) ? left.at(key) : osg::Vec3(), r = right.count(key) ? right.at(key) : osg::Vec3();
        EXPECT_EQ(l + r, offsets[j]) << "vertex " << indices[j];  // bit for bit
        const float x = indices[j] < row.size() ? row[indices[j]].x() : kPlane;
        if (x < kPlane - kWidth / 2 - 1e-4f)
            EXPECT_FALSE(right.count(key)) << x;
        else if (x > kPlane + kWidth / 2 + 1e-4f)
            EXPECT_FALSE(left.count(key)) << x;
        else
            EXPECT_NEAR(l.z() / offsets[j].z(), leftShare(x, kPlane, kWidth), 1e-6) << x;
    }
    EXPECT_FLOAT_EQ(faceWidth(*face), 2.0f);
}

}  // namespace
}  // namespace mw
