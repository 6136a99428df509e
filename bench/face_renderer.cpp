// Per-frame cost of drawing a morphing head: morph application plus array submission, against
// the bandwidth bound of copying the vertices once and passing once over every target entry;
// and the cost of normals that follow the morph, against morph application alone.
// Under a display (Xvfb in CI) it also draws whole frames with both submission paths.

#include <cstring>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "bench/immediate_draw.h"
#include "render/lit_scene.h"
#include "render/offscreen_render.h"
#include "render/tarv_face_renderer.h"

namespace mw::bench {
namespace {

// About 26,000 vertices and 52,000 triangles with 50 morphs of 5,000 entries each, every
// weight set.
osg::ref_ptr<TarvFaceObject> makeHead(bool weighted)
{
    osg::ref_ptr<TarvFaceObject> face = makeHeadSizedFace(50, 5000);
    for (std::size_t m = 0; m < face->morphs.size(); ++m)
        for (const auto& t : face->morphs[m]->targets)
            t->weight = weighted ? 0.02f * static_cast<float>(m + 1) : 0.0f;
    return face;
}

void describe(benchmark::State& state, const TarvFaceObject& face)
{
    std::size_t entries = 0;
    for (const auto& m : face.morphs)
        for (const auto& t : m->targets)
            entries += t->indices.size();
    state.counters["vertices"] = static_cast<double>(face.geometries[0]->vertices->size());
    state.counters["triangles"] = static_cast<double>(face.geometries[0]->vertexIndices.size() / 3);
    state.counters["entries"] = static_cast<double>(entries);
}

// The peer baseline: one plain copy of the vertex array and one straightforward pass over
// every target entry.
void BM_Baseline_CopyAndTargetPass(benchmark::State& state)
{
    const osg::ref_ptr<TarvFaceObject> face = makeHead(true);
    const osg::Vec3Array& rest = *face->geometries[0]->vertices;
    std::vector<osg::Vec3> work(rest.size());
    for (auto _ : state) {
        std::memcpy(work.data(), &rest.front(), rest.size() * sizeof(osg::Vec3));
        for (const auto& morph : face->morphs)
            for (const auto& target : morph->targets) {
                const float w = target->weight;
                for (std::size_t j = 0; j < target->indices.size(); ++j)
                    work[target->indices[j]] += (*target->offsets)[j] * w;
            }
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    describe(state, *face);
}
BENCHMARK(BM_Baseline_CopyAndTargetPass)->Unit(benchmark::kMicrosecond);

// What drawImplementation does on the vertex-array path, with the GL calls replaced by a
// sink that only keeps the pointers alive.
void vertexArrayFrames(benchmark::State& state, bool weighted)
{
    const osg::ref_ptr<TarvFaceObject> face = makeHead(weighted);
    const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const FaceRenderer& renderer = *node->renderers()[0];
    benchmark::DoNotOptimize(renderer.prepareFrame());  // first frame sizes the working buffer
    const std::size_t heapBefore = heapInUse();
    resetHeapPeak();
    for (auto _ : state) {
        const FaceArrays arrays = renderer.prepareFrame();
        benchmark::DoNotOptimize(arrays.positions);
        benchmark::DoNotOptimize(arrays.corners.data());
        benchmark::ClobberMemory();
    }
    state.counters["heapGrowthBytes"] = static_cast<double>(heapPeak() - heapBefore);
    describe(state, *face);
}

void BM_VertexArrays_AllWeightsSet(benchmark::State& state) { vertexArrayFrames(state, true); }
BENCHMARK(BM_VertexArrays_AllWeightsSet)->Unit(benchmark::kMicrosecond);

void BM_VertexArrays_NoWeightSet(benchmark::State& state) { vertexArrayFrames(state, false); }
BENCHMARK(BM_VertexArrays_NoWeightSet)->Unit(benchmark::kMicrosecond);

// A weight changes before every frame (one morph's, or all 50), so every frame applies the
// morphs again; with morphed normals on, every frame also recomputes the normals. The same work without normals is the
// baseline (morph application alone, as drawn before normals followed the morph).
void changingWeightFrames(benchmark::State& state, bool morphedNormals, bool everyWeight = false)
{
    const osg::ref_ptr<TarvFaceObject> face = makeHead(true);
    const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    node->setMorphedNormals(morphedNormals);
    const FaceRenderer& renderer = *node->renderers()[0];
    benchmark::DoNotOptimize(renderer.prepareFrame());  // the first frame sizes the buffers
    const std::size_t heapBefore = heapInUse();
    resetHeapPeak();
    const std::size_t computedBefore = renderer.normalComputations();
    float weight = 0.5f;
    for (auto _ : state) {
        weight = weight == 0.5f ? 0.25f : 0.5f;
        for (int m = 0; m < (everyWeight ? 50 : 1); ++m)
            node->setMorphWeight(m, weight);
        const FaceArrays arrays = renderer.prepareFrame();
        benchmark::DoNotOptimize(arrays.positions);
        benchmark::DoNotOptimize(arrays.normals);
        benchmark::ClobberMemory();
    }
    state.counters["heapGrowthBytes"] = static_cast<double>(heapPeak() - heapBefore);
    state.counters["normalsComputed"] = static_cast<double>(renderer.normalComputations() - computedBefore);
    describe(state, *face);
}

void BM_MorphApplication_RestNormals(benchmark::State& state) { changingWeightFrames(state, false); }
BENCHMARK(BM_MorphApplication_RestNormals)->Unit(benchmark::kMicrosecond);

// One slider moving: only the normals around that morph's vertices are redone.
void BM_MorphApplication_MorphedNormals(benchmark::State& state) { changingWeightFrames(state, true); }
BENCHMARK(BM_MorphApplication_MorphedNormals)->Unit(benchmark::kMicrosecond);

// Every weight changing at once: all normals are redone.
void BM_MorphApplication_MorphedNormals_EveryWeightChanging(benchmark::State& state)
{
    changingWeightFrames(state, true, true);
}
BENCHMARK(BM_MorphApplication_MorphedNormals_EveryWeightChanging)->Unit(benchmark::kMicrosecond);

// The immediate-mode reference path into a sink that consumes every call cheaply.
struct NullEmitter {
    float sum = 0.0f;
    void begin() {}
    void texcoord(const osg::Vec2& t) { sum += t.x(); }
    void normal(const osg::Vec3& n) { sum += n.x(); }
    void vertex(const osg::Vec3& v) { sum += v.x(); }
    void end() {}
};

void BM_Immediate_AllWeightsSet(benchmark::State& state)
{
    const osg::ref_ptr<TarvFaceObject> face = makeHead(true);
    const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const FaceRenderer& renderer = *node->renderers()[0];
    for (auto _ : state) {
        NullEmitter sink;
        emitCorners(renderer.geometry()->vertexIndices, renderer.morphedVertices(), *renderer.normals(),
                    renderer.cornerTexcoords(), sink);
        benchmark::DoNotOptimize(sink.sum);
    }
    describe(state, *face);
}
BENCHMARK(BM_Immediate_AllWeightsSet)->Unit(benchmark::kMicrosecond);

// Whole frames drawn offscreen as `mienwright-cli render` draws them, 640 × 480.
void renderedFrames(benchmark::State& state, FaceRenderer::CornerDrawer drawer)
{
    std::string error;
    const std::unique_ptr<OffscreenRenderer> offscreen = openOffscreenRenderer(640, 480, error);
    if (!offscreen) {
        state.SkipWithError(("no OpenGL: " + error).c_str());
        return;
    }
    const osg::ref_ptr<TarvFaceObject> face = makeHead(true);
    const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    node->setCornerDrawer(drawer);
    offscreen->setScene(makeLitScene(node.get()).get());
    offscreen->setCamera(frontCamera(node->getBound(), 640.0 / 480.0));
    offscreen->drawFrame();
    for (auto _ : state)
        offscreen->drawFrame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RenderFrame_Immediate(benchmark::State& state) { renderedFrames(state, drawImmediate); }
BENCHMARK(BM_RenderFrame_Immediate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderFrame_VertexArrays(benchmark::State& state) { renderedFrames(state, nullptr); }
BENCHMARK(BM_RenderFrame_VertexArrays)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace mw::bench
