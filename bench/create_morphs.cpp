// Many expressions in one step: making a morph from each of a rig's expression files, against
// reading the same files alone (the peer baseline, in the same run). Reading should dominate:
// the batch is meant to cost at most 1.3 times the reading.
//
// The rig is generated: a 161 x 166 vertex head (26,726 vertices) and ten expressions as OBJ.
// Every 40th vertex is written twice; in the neutral head both copies coincide and are welded
// together on import, in the expressions they drift apart by a tenth of a millimetre, so each
// expression is welded into more vertices than the head and is paired through the triangle
// corners, as with real scanned rigs.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "authoring/morph_batch.h"
#include "view/update_view.h"
#include "view/view_setup.h"
#include "bench/bench_support.h"
#include "import/load_face.h"

namespace mw::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kExpressions = 10;
constexpr std::uint32_t kDuplicateEvery = 40;

// The face's first geometry as OBJ, with the duplicated vertices described above moved by `drift`.
void writeRigObj(const FaceGeom& g, const fs::path& path, float drift)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    const osg::Vec3Array& vertices = *g.vertices;
    for (const auto& v : vertices)
        std::fprintf(f, "v %g %g %g\n", v.x(), v.y(), v.z());
    // Copy k of vertex k * kDuplicateEvery follows the originals.
    for (std::size_t j = 0; j < vertices.size(); j += kDuplicateEvery)
        std::fprintf(f, "v %g %g %g\n", vertices[j].x() + drift, vertices[j].y(), vertices[j].z());
    for (const auto& t : *g.texcoords)
        std::fprintf(f, "vt %g %g\n", t.x(), t.y());
    const std::size_t count = vertices.size();
    for (std::size_t i = 0; i + 2 < g.vertexIndices.size(); i += 3) {
        std::fprintf(f, "f");
        for (std::size_t c = i; c < i + 3; ++c) {
            std::size_t v = g.vertexIndices[c];
            // Every other triangle uses the copy.
            if (v % kDuplicateEvery == 0 && (i / 3) % 2 == 1)
                v = count + v / kDuplicateEvery;
            std::fprintf(f, " %zu/%u", v + 1, g.texIndices[c] + 1);
        }
        std::fprintf(f, "\n");
    }
    std::fclose(f);
}

struct Rig {
    fs::path dir;
    fs::path base;
    std::vector<fs::path> expressions;

    Rig()
    {
        dir = fs::temp_directory_path() / ("mienwright-morph-batch-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        GridFaceOptions options;
        options.columns = 161;
        options.rows = 166;
        const osg::ref_ptr<TarvFaceObject> head = makeGridFace(options);
        base = dir / "neutral.obj";
        writeRigObj(*head->geometries[0], base, 0.0f);
        osg::Vec3Array& vertices = *head->geometries[0]->vertices;
        const osg::ref_ptr<osg::Vec3Array> rest = new osg::Vec3Array(vertices);
        for (std::size_t e = 0; e < kExpressions; ++e) {
            // Each expression moves its own band of rows, about a tenth of the head.
            vertices.assign(rest->begin(), rest->end());
            const std::size_t first = e * vertices.size() / kExpressions;
            for (std::size_t j = first; j < first + vertices.size() / 10 && j < vertices.size(); ++j)
                vertices[j].z() += 0.01f + 0.001f * static_cast<float>(j % 7);
            expressions.push_back(dir / ("expression_" + std::to_string(e) + ".obj"));
            writeRigObj(*head->geometries[0], expressions.back(), 1e-4f);
        }
    }
    ~Rig() { fs::remove_all(dir); }
};

const Rig& rig()
{
    static const Rig r;
    return r;
}

void BM_Baseline_ImportTheFilesAlone(benchmark::State& state)
{
    std::size_t vertices = 0;
    for (auto _ : state) {
        for (const fs::path& file : rig().expressions) {
            const osg::ref_ptr<TarvFaceObject> face = loadFace(file);
            if (!face) {
                state.SkipWithError("an expression could not be read");
                return;
            }
            vertices = face->geometries[0]->vertices->size();
        }
    }
    state.counters["files"] = static_cast<double>(rig().expressions.size());
    state.counters["vertices"] = static_cast<double>(vertices);
}
BENCHMARK(BM_Baseline_ImportTheFilesAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

// The batch with the neutral head already open, as in the editor; opening it is not timed.
void BM_CreateMorphsFromFiles(benchmark::State& state)
{
    std::size_t entries = 0, spread = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<Document>();
        doc->face = loadFace(rig().base);
        auto view = std::make_unique<View>();
        buildView(*view, *doc, {});
        state.ResumeTiming();

        const MorphBatchResult result = createMorphsFromFiles(*doc, rig().expressions, ComparisonAlignment::Fit);
        updateView(*view, takeChanges(*doc));

        state.PauseTiming();
        if (result.status != MorphBatchResult::Status::Done) {
            state.SkipWithError(result.error.c_str());
            return;
        }
        entries = result.morphs.front().movedVertices;
        spread = result.morphs.front().spreadVertices;
        view.reset();
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["files"] = static_cast<double>(rig().expressions.size());
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["averaged"] = static_cast<double>(spread);
}
BENCHMARK(BM_CreateMorphsFromFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace mw::bench
