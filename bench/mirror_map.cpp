// Building the left/right pairing of a head's vertices: the grid against comparing every pair.
// The brute-force pairing runs on a small head, where it also checks that both agree; the grid
// runs on the small head and on a full 26,000-vertex head.

#include <cmath>
#include <random>

#include <benchmark/benchmark.h>

#include "authoring/mirror_map.h"

namespace mw::bench {
namespace {

// A closed-ish head surface symmetric about x = 0: `columns` × `rows` vertices on a squashed
// sphere, the left half a mirror image of the right up to scan noise far below the pairing
// tolerance, and a second geometry with a left and a right eye.
osg::ref_ptr<TarvFaceObject> makeSymmetricHead(std::uint32_t columns, std::uint32_t rows)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-2e-5f, 2e-5f);
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    osg::ref_ptr<FaceGeom> skin = new FaceGeom;
    skin->name = "skin";
    const float pi = 3.14159265f;
    for (std::uint32_t r = 0; r < rows; ++r)
        for (std::uint32_t c = 0; c < columns; ++c) {
            // Longitude runs symmetrically from -0.9π to 0.9π, so column c mirrors columns - 1 - c.
            const float phi = pi * 0.9f * (2.0f * static_cast<float>(c) / static_cast<float>(columns - 1) - 1.0f);
            const float theta = pi * (static_cast<float>(r) + 0.5f) / static_cast<float>(rows);
            const float bump = 0.02f * std::cos(9.0f * theta) * std::cos(3.0f * phi);
            const float radius = 0.1f + bump;
            skin->vertices->push_back({radius * std::sin(theta) * std::sin(phi) + noise(random),
                                       0.12f * std::cos(theta) + noise(random),
                                       radius * std::sin(theta) * std::cos(phi) + noise(random)});
        }
    for (std::uint32_t r = 0; r + 1 < rows; ++r)
        for (std::uint32_t c = 0; c + 1 < columns; ++c) {
            const std::uint32_t a = r * columns + c, b = a + 1, d = a + columns, e = d + 1;
            for (const std::uint32_t i : {a, b, e, a, e, d})
                skin->vertexIndices.push_back(i);
        }
    face->geometries.push_back(skin);

    osg::ref_ptr<FaceGeom> eyes = new FaceGeom;
    eyes->name = "eyes";
    for (const float side : {-1.0f, 1.0f})
        for (std::uint32_t k = 0; k < 100; ++k) {
            const float a = 2.0f * pi * static_cast<float>(k) / 100.0f;
            eyes->vertices->push_back({side * (0.035f + 0.01f * std::cos(a)), 0.02f + 0.01f * std::sin(a), 0.09f});
        }
    face->geometries.push_back(eyes);
    return face;
}

std::size_t vertexCount(const TarvFaceObject& face)
{
    std::size_t n = 0;
    for (const auto& g : face.geometries)
        n += g->vertices->size();
    return n;
}

void gridPairing(benchmark::State& state, std::uint32_t columns, std::uint32_t rows)
{
    const osg::ref_ptr<TarvFaceObject> face = makeSymmetricHead(columns, rows);
    std::size_t unmatched = 0;
    for (auto _ : state) {
        const MirrorMap map = buildMirrorMap(*face);
        unmatched = map.unmatched;
        benchmark::DoNotOptimize(map.partners.data());
    }
    state.counters["vertices"] = static_cast<double>(vertexCount(*face));
    state.counters["unmatched"] = static_cast<double>(unmatched);
}

// About 1,800 vertices.
void BM_MirrorMap_BruteForce_SmallHead(benchmark::State& state)
{
    const osg::ref_ptr<TarvFaceObject> face = makeSymmetricHead(41, 40);
    if (buildMirrorMapBruteForce(*face).partners != buildMirrorMap(*face).partners) {
        state.SkipWithError("the grid and the brute-force pairing disagree");
        return;
    }
    for (auto _ : state) {
        const MirrorMap map = buildMirrorMapBruteForce(*face);
        benchmark::DoNotOptimize(map.partners.data());
    }
    state.counters["vertices"] = static_cast<double>(vertexCount(*face));
}
BENCHMARK(BM_MirrorMap_BruteForce_SmallHead)->Unit(benchmark::kMillisecond);

void BM_MirrorMap_Grid_SmallHead(benchmark::State& state) { gridPairing(state, 41, 40); }
BENCHMARK(BM_MirrorMap_Grid_SmallHead)->Unit(benchmark::kMillisecond);

// About 26,000 vertices, the size of a production head.
void BM_MirrorMap_Grid_FullHead(benchmark::State& state) { gridPairing(state, 161, 160); }
BENCHMARK(BM_MirrorMap_Grid_FullHead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mw::bench
