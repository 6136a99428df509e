// Transferring morphs onto heads of another topology, placement, size and shape, checked against
// a known truth: the head's vertices are a subset of the rig's (meshoptimizer keeps vertices when
// it simplifies), so the expected offset at each is the rig's own, turned and scaled with the head.

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

#include <gtest/gtest.h>
#include <meshoptimizer.h>
#include <Eigen/Geometry>
#include <osg/Matrixd>

#include "authoring/frontal_guides.h"
#include "authoring/morph_transfer.h"
#include "authoring/surface_projection.h"
#include "import/load_face.h"
#include "tests/support/face_builders.h"
#include "tests/support/synthetic_head.h"
#include "tests/support/temp_dir.h"

namespace mw {
namespace {

// A copy of `face` without morphs, each geometry simplified to `share` of its triangles and its
// vertices shuffled; `kept[g][v]` is the rig vertex head vertex v of geometry g was.
osg::ref_ptr<TarvFaceObject> remeshed(const TarvFaceObject& face, float share, std::vector<IndexList>& kept)
{
    osg::ref_ptr<TarvFaceObject> out = new TarvFaceObject;
    std::mt19937 random(3);
    kept.clear();
    for (const auto& source : face.geometries) {
        const auto& points = *source->vertices;
        IndexList indices(source->vertexIndices.size());
        const auto target = static_cast<std::size_t>(static_cast<float>(indices.size() / 3) * share) * 3;
        indices.resize(meshopt_simplify(indices.data(), source->vertexIndices.data(), indices.size(), points[0].ptr(),
                                        points.size(), sizeof(osg::Vec3), target, 1.0f));
        IndexList used = indices;
        std::sort(used.begin(), used.end());
        used.erase(std::unique(used.begin(), used.end()), used.end());
        std::shuffle(used.begin(), used.end(), random);
        std::vector<std::uint32_t> newIndex(points.size());
        std::vector<osg::Vec3> vertices;
        for (std::uint32_t v : used) {
            newIndex[v] = static_cast<std::uint32_t>(vertices.size());
            vertices.push_back(points[v]);
        }
        for (std::uint32_t& i : indices)
            i = newIndex[i];
        out->geometries.push_back(test::makeGeom(source->name, vertices, indices));
        kept.push_back(used);
    }
    return out;
}

void transform(TarvFaceObject& face, const osg::Matrixd& m)
{
    for (const auto& g : face.geometries)
        for (osg::Vec3& p : g->vertices->asVector())
            p = p * m;
}

struct Agreement {
    double rms;       // √(Σ|got − truth|² / Σ|truth|²) over every vertex of the head
    double strength;  // √(Σ|got|² / Σ|truth|²)
};

Agreement compare(const TarvFaceObject& head, const FaceMorph& got, const FaceMorph& rigMorph,
                   const std::vector<IndexList>& kept, const osg::Matrixd& turn)
{
    double error = 0.0, norm = 0.0, size = 0.0;
    for (std::size_t g = 0; g < head.geometries.size(); ++g) {
        std::vector<osg::Vec3> truth(kept[g].size()), moved(kept[g].size());
        for (const auto& t : rigMorph.targets)
            if (t->name == head.geometries[g]->name)
                for (std::size_t v = 0; v < kept[g].size(); ++v)
                    for (std::size_t e = 0; e < t->indices.size(); ++e)
                        if (t->indices[e] == kept[g][v])
                            truth[v] = osg::Matrixd::transform3x3((*t->offsets)[e], turn);
        const FaceTarget& target = *got.targets[g];
        EXPECT_EQ(target.name, head.geometries[g]->name);
        for (std::size_t e = 0; e < target.indices.size(); ++e)
            moved[target.indices[e]] = (*target.offsets)[e];
        for (std::size_t v = 0; v < truth.size(); ++v) {
            error += (moved[v] - truth[v]).length2();
            norm += truth[v].length2();
            size += moved[v].length2();
        }
    }
    return {std::sqrt(error / norm), std::sqrt(size / norm)};
}

struct HeadCase {
    const char* name;
    bool otherPerson;    // a made-up person with features onto another, else the sample head onto itself
    bool insideOut;      // the head's triangles wound the other way round
    double noise;        // the head's vertices moved at random by up to this, as a scanner would
    double rigScale;     // the rig scaled about the origin and moved away...
    double headScale;    // ...the head scaled, turned about the up axis and moved
    double headDegrees;
    // Largest relative RMS of each morph, in the rig's order (jaw_open, blink, brows_up for the
    // sample head; jaw_open, smile, blink, brows_up, pucker for the made-up person): what the
    // transfer reaches with a margin, so that a worse registration shows.
    std::array<double, 5> tolerance;
};

class MorphTransferTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(MorphTransferTest, EveryMorphMatchesTheTruthOnTheHead)
{
    const HeadCase& c = GetParam();
    // The other person: a wider face, a longer nose, a wider mouth, eyes further apart and a
    // longer lower face, on the same canonical grid, so vertex v is the same feature on both.
    const test::Person other{0.86, 1.0, 0.9, 1.3, 0.15, 0.1, 0.5};
    const osg::ref_ptr<TarvFaceObject> rig = c.otherPerson ? test::makeSyntheticHead({}, 72, 120, 5).face
                                                           : loadFace(test::sourceDir() / "examples" / "sample-head.tvf");
    ASSERT_TRUE(rig);
    std::vector<IndexList> kept;
    const osg::ref_ptr<TarvFaceObject> head =
        remeshed(c.otherPerson ? *test::makeSyntheticHead(other, 72, 120, 0).face : *rig, 0.45f, kept);
    std::mt19937 random(9);
    std::uniform_real_distribution<float> jitter(-static_cast<float>(c.noise), static_cast<float>(c.noise));
    for (const auto& g : head->geometries)
        for (osg::Vec3& p : g->vertices->asVector())
            p += osg::Vec3(jitter(random), jitter(random), jitter(random));
    if (c.insideOut)
        for (const auto& g : head->geometries)
            for (std::size_t t = 0; t + 2 < g->vertexIndices.size(); t += 3)
                std::swap(g->vertexIndices[t + 1], g->vertexIndices[t + 2]);
    const osg::Matrixd turn = osg::Matrixd::scale(c.headScale, c.headScale, c.headScale) *
                              osg::Matrixd::rotate(c.headDegrees * std::numbers::pi / 180.0, osg::Vec3d(0, 1, 0));
    transform(*head, turn * osg::Matrixd::translate(0.4, -1.3, 2.2));
    transform(*rig, osg::Matrixd::scale(c.rigScale, c.rigScale, c.rigScale) * osg::Matrixd::translate(-30, 12, 5));
    // The rig's offsets grow with it; the truth is the offset of the rig as it was.
    for (const auto& m : rig->morphs)
        for (const auto& t : m->targets)
            for (osg::Vec3& o : t->offsets->asVector())
                o *= static_cast<float>(c.rigScale);

    const MorphTransferResult result = transferMorphs(*rig, *head, {});
    ASSERT_EQ(result.status, MorphTransferResult::Status::Done) << result.error;
    ASSERT_EQ(result.morphs.size(), rig->morphs.size());
    EXPECT_TRUE(result.report.registered);
    EXPECT_TRUE(result.report.unpaired.empty());
    const Eigen::AngleAxisd turned(result.report.alignment.rotation);
    EXPECT_NEAR(turned.angle() * turned.axis().y() * 180.0 / std::numbers::pi, c.headDegrees, 2.0);
    if (!c.otherPerson) {
        EXPECT_NEAR(result.report.alignment.scale, c.headScale / c.rigScale, 0.01 * c.headScale / c.rigScale);
    }
    for (std::size_t k = 0; k < rig->morphs.size(); ++k) {
        EXPECT_EQ(result.morphs[k]->name, rig->morphs[k]->name);
        osg::ref_ptr<FaceMorph> original = new FaceMorph;  // the rig's morph at its first size
        for (const auto& t : rig->morphs[k]->targets) {
            osg::ref_ptr<FaceTarget> copy = test::makeTarget(t->name, t->indices, t->offsets->asVector());
            for (osg::Vec3& o : copy->offsets->asVector())
                o /= static_cast<float>(c.rigScale);
            original->targets.push_back(copy);
        }
        const Agreement a = compare(*head, *result.morphs[k], *original, kept, turn);
        std::cout << c.name << ' ' << result.morphs[k]->name << ": relative RMS " << a.rms << ", strength " << a.strength << '\n';
        EXPECT_LT(a.rms, c.tolerance.at(k)) << result.morphs[k]->name;
        EXPECT_NEAR(a.strength, 1.0, 0.2) << result.morphs[k]->name;
    }
}

INSTANTIATE_TEST_SUITE_P(Heads, MorphTransferTest,
                         ::testing::Values(HeadCase{"remeshed", false, false, 0.0, 1.0, 1.15, 15.0, {0.035, 0.025, 0.01}},
                                           HeadCase{"remeshedInsideOut", false, true, 0.0, 1.0, 1.15, 15.0, {0.035, 0.025, 0.01}},
                                           HeadCase{"rigInCentimetres", false, false, 0.0, 100.0, 1.15, -15.0, {0.035, 0.025, 0.01}},
                                           HeadCase{"otherPerson", true, false, 0.0, 1.0, 1.15, 15.0, {0.05, 0.24, 0.065, 0.06, 0.09}},
                                           HeadCase{"otherPersonNoisyScan", true, false, 0.01, 1.0, 1.15, 15.0,
                                                    {0.06, 0.42, 0.19, 0.14, 0.19}},
                                           HeadCase{"otherPersonInCentimetres", true, false, 0.0, 100.0, 0.9, -20.0,
                                                    {0.05, 0.24, 0.065, 0.06, 0.09}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mw

namespace mw {
namespace {

// The rig's skin cut into a left and a right geometry, each with its own copy of the seam, so
// that every expression spans both.
osg::ref_ptr<TarvFaceObject> cutIntoFaceAndBackHead(const TarvFaceObject& rig)
{
    const FaceGeom& skin = *rig.geometries[0];
    const auto& p = *skin.vertices;
    osg::ref_ptr<TarvFaceObject> cut = new TarvFaceObject;
    std::vector<std::vector<std::int64_t>> index(2, std::vector<std::int64_t>(p.size(), -1));
    for (const char* name : {"Left", "Right"})
        cut->geometries.push_back(test::makeGeom(name, {}, {}));
    for (std::size_t t = 0; t + 2 < skin.vertexIndices.size(); t += 3) {
        const std::uint32_t* c = &skin.vertexIndices[t];
        const std::size_t part = (p[c[0]] + p[c[1]] + p[c[2]]).x() < 0.0f ? 0 : 1;
        FaceGeom& g = *cut->geometries[part];
        for (int k = 0; k < 3; ++k) {
            if (index[part][c[k]] < 0) {
                index[part][c[k]] = static_cast<std::int64_t>(g.vertices->size());
                g.vertices->push_back(p[c[k]]);
            }
            g.vertexIndices.push_back(static_cast<std::uint32_t>(index[part][c[k]]));
        }
    }
    for (const auto& m : rig.morphs) {
        osg::ref_ptr<FaceMorph> morph = test::makeMorph(m->name, {});
        for (std::size_t part = 0; part < 2; ++part) {
            osg::ref_ptr<FaceTarget> target = test::makeTarget(cut->geometries[part]->name, {}, {});
            for (std::size_t e = 0; e < m->targets[0]->indices.size(); ++e)
                if (const auto at = index[part][m->targets[0]->indices[e]]; at >= 0) {
                    target->indices.push_back(static_cast<std::uint32_t>(at));
                    target->offsets->push_back((*m->targets[0]->offsets)[e]);
                }
            morph->targets.push_back(target);
        }
        cut->morphs.push_back(morph);
    }
    return cut;
}

TEST(MorphTransfer, ARigCutIntoGeometriesPairedWithOneHeadGeometryGivesTheSameMorphs)
{
    const auto rig = test::makeSyntheticHead({}, 54, 90, 5).face;
    const auto head = test::makeSyntheticHead({0.86, 1.0, 0.9, 1.3, 0.15, 0.1, 0.5}, 40, 64, 0).face;
    const MorphTransferResult whole = transferMorphs(*rig, *head, {});
    MorphTransferOptions options;
    options.pairs = {{"skin", {"Left", "Right"}}};
    const MorphTransferResult cut = transferMorphs(*cutIntoFaceAndBackHead(*rig), *head, options);
    ASSERT_EQ(cut.status, MorphTransferResult::Status::Done) << cut.error;
    ASSERT_EQ(cut.morphs.size(), whole.morphs.size());
    for (std::size_t k = 0; k < whole.morphs.size(); ++k) {
        std::vector<osg::Vec3> a(head->geometries[0]->vertices->size()), b(a.size());
        for (auto [morph, out] : {std::pair{&whole, &a}, std::pair{&cut, &b}}) {
            const FaceTarget& t = *morph->morphs[k]->targets[0];
            for (std::size_t e = 0; e < t.indices.size(); ++e)
                (*out)[t.indices[e]] = (*t.offsets)[e];
        }
        double difference = 0.0, size = 0.0;
        for (std::size_t v = 0; v < a.size(); ++v) {
            difference += (a[v] - b[v]).length2();
            size += a[v].length2();
        }
        // Not equal: the registration's graph and samples follow the vertex order, which differs.
        EXPECT_LT(std::sqrt(difference / size), 0.08) << whole.morphs[k]->name;
    }
}

}  // namespace
}  // namespace mw

namespace mw {
namespace {

TriangleSurface surfaceOf(const FaceGeom& g)
{
    TriangleSurface s;
    for (const osg::Vec3& p : *g.vertices)
        s.points.emplace_back(p.x(), p.y(), p.z());
    for (std::size_t t = 0; t + 2 < g.vertexIndices.size(); t += 3)
        s.triangles.push_back({g.vertexIndices[t], g.vertexIndices[t + 1], g.vertexIndices[t + 2]});
    return s;
}

// Two people on the same canonical grid, so rig vertex v belongs at head vertex v. Around the
// mouth corners and the eyes of a head with a much wider mouth and eyes further apart, the
// closest head point stays where the rig's narrower feature is; a guide must land much nearer
// the true place.
TEST(FrontalGuides, FindWhereTheRigsFeaturesLieOnAnotherPersonsFace)
{
    const test::SyntheticHead rig = test::makeSyntheticHead({}, 72, 120, 0);
    const test::SyntheticHead head = test::makeSyntheticHead({0.8, 1.0, 0.9, 1.0, 0.3, 0.15, 0.0}, 72, 120, 0);
    const TriangleSurface rigSurface = surfaceOf(*rig.face->geometries[0]);
    const TriangleSurface headSurface = surfaceOf(*head.face->geometries[0]);
    const std::vector<int> groups(rigSurface.points.size(), 0);
    const std::vector<SurfaceGuide> guides = frontalGuides(rigSurface, groups, headSurface, groups, {});
    const SurfaceLocator locator(headSurface);
    double guideError = 0.0, closestError = 0.0;
    int near = 0;
    for (const SurfaceGuide& g : guides) {
        const osg::Vec2d c = rig.canonical[g.rigVertex];
        const bool mouthCorner = std::abs(c.x() - 0.662 * std::numbers::pi) < 0.1 && std::abs(std::abs(c.y()) - 0.22) < 0.08;
        const bool eye = std::abs(c.x() - 0.43 * std::numbers::pi) < 0.1 && std::abs(std::abs(c.y()) - 0.38) < 0.1;
        if (!mouthCorner && !eye)
            continue;
        const Eigen::Vector3d truth = headSurface.points[g.rigVertex];
        guideError += (g.headPoint - truth).norm();
        closestError += (locator.closest(rigSurface.points[g.rigVertex]).point - truth).norm();
        ++near;
    }
    ASSERT_GT(near, 40);
    EXPECT_LT(guideError, 0.6 * closestError) << guideError / near << " against " << closestError / near;
}

}  // namespace
}  // namespace mw
