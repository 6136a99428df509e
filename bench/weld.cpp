// Welding an unwelded triangle soup: about 2 million triangles whose 6 million corners each
// have a vertex of their own, over 1 million distinct positions (each occurs about six times).
// Peer baseline: meshoptimizer's meshopt_generateVertexRemap on the same positions.

#include <vector>

#include <benchmark/benchmark.h>
#include <meshoptimizer.h>

#include "bench/bench_support.h"
#include "model/weld.h"

namespace mw::bench {
namespace {

// A 1000 × 1000 grid exploded into a soup; with or without texture coordinates (also exploded).
osg::ref_ptr<TarvFaceObject> makeSoup(bool textured)
{
    const osg::ref_ptr<TarvFaceObject> grid = makeGridFace({});
    const FaceGeom& g = *grid->geometries[0];

    osg::ref_ptr<FaceGeom> soup = new FaceGeom;
    soup->name = g.name;
    soup->vertices->reserve(g.vertexIndices.size());
    for (std::size_t k = 0; k < g.vertexIndices.size(); ++k) {
        soup->vertices->push_back((*g.vertices)[g.vertexIndices[k]]);
        soup->vertexIndices.push_back(static_cast<std::uint32_t>(k));
        if (textured) {
            soup->texcoords->push_back((*g.texcoords)[g.texIndices[k]]);
            soup->texIndices.push_back(static_cast<std::uint32_t>(k));
        }
    }
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries.push_back(soup);
    return face;
}

const TarvFaceObject& soup(bool textured)
{
    static const osg::ref_ptr<TarvFaceObject> plain = makeSoup(false);
    static const osg::ref_ptr<TarvFaceObject> withTexture = makeSoup(true);
    return textured ? *withTexture : *plain;
}

osg::ref_ptr<TarvFaceObject> copyOf(const TarvFaceObject& face)
{
    osg::ref_ptr<TarvFaceObject> copy = new TarvFaceObject;
    for (const auto& g : face.geometries) {
        osg::ref_ptr<FaceGeom> c = new FaceGeom;
        c->name = g->name;
        c->vertices->assign(g->vertices->begin(), g->vertices->end());
        c->texcoords->assign(g->texcoords->begin(), g->texcoords->end());
        c->vertexIndices = g->vertexIndices;
        c->texIndices = g->texIndices;
        copy->geometries.push_back(c);
    }
    return copy;
}

void runWeld(benchmark::State& state, bool textured)
{
    const TarvFaceObject& source = soup(textured);
    std::size_t kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        osg::ref_ptr<TarvFaceObject> face = copyOf(source);
        state.ResumeTiming();
        weldFace(*face);
        kept = face->geometries[0]->vertices->size();
        benchmark::DoNotOptimize(kept);
        state.PauseTiming();
        face = nullptr;  // freeing is not part of welding
        state.ResumeTiming();
    }
    state.counters["corners"] = static_cast<double>(source.geometries[0]->vertexIndices.size());
    state.counters["kept"] = static_cast<double>(kept);
}

void BM_WeldFace(benchmark::State& state) { runWeld(state, false); }
void BM_WeldFaceTextured(benchmark::State& state) { runWeld(state, true); }

// The peer: the remap table alone, as the target figure compares against.
void BM_MeshoptGenerateVertexRemap(benchmark::State& state)
{
    const FaceGeom& g = *soup(false).geometries[0];
    std::vector<unsigned int> remap(g.vertices->size());
    std::size_t kept = 0;
    for (auto _ : state) {
        kept = meshopt_generateVertexRemap(remap.data(), g.vertexIndices.data(), g.vertexIndices.size(),
                                           g.vertices->getDataPointer(), g.vertices->size(), sizeof(osg::Vec3));
        benchmark::DoNotOptimize(remap.data());
    }
    state.counters["kept"] = static_cast<double>(kept);
}

// The peer doing everything weldFace does to positions: remap, new vertex and index buffers.
void BM_MeshoptRemapAndRebuild(benchmark::State& state)
{
    const FaceGeom& g = *soup(false).geometries[0];
    std::vector<unsigned int> remap(g.vertices->size());
    for (auto _ : state) {
        const std::size_t kept = meshopt_generateVertexRemap(remap.data(), g.vertexIndices.data(), g.vertexIndices.size(),
                                                             g.vertices->getDataPointer(), g.vertices->size(), sizeof(osg::Vec3));
        std::vector<osg::Vec3> vertices(kept);
        std::vector<unsigned int> indices(g.vertexIndices.size());
        meshopt_remapVertexBuffer(vertices.data(), g.vertices->getDataPointer(), g.vertices->size(), sizeof(osg::Vec3), remap.data());
        meshopt_remapIndexBuffer(indices.data(), g.vertexIndices.data(), g.vertexIndices.size(), remap.data());
        benchmark::DoNotOptimize(vertices.data());
        benchmark::DoNotOptimize(indices.data());
    }
}

BENCHMARK(BM_MeshoptGenerateVertexRemap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeldFace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeshoptRemapAndRebuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WeldFaceTextured)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mw::bench
