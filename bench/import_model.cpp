// Importing a large OBJ: the plugin's read alone, against the whole import (read, conversion,
// repair and welding).

#include <cstdio>
#include <filesystem>

#include <benchmark/benchmark.h>
#include <osgDB/ReadFile>

#include "bench/bench_support.h"
#include "import/import_model_file.h"

namespace {

namespace fs = std::filesystem;

// About a million triangles (a 708 × 708 vertex grid) with texture coordinates.
struct ObjCorpus {
    fs::path dir;
    fs::path obj;

    ObjCorpus()
    {
        dir = fs::temp_directory_path() / ("mienwright-import-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        obj = dir / "head.obj";
        mw::bench::GridFaceOptions options;
        options.columns = 708;
        options.rows = 708;
        const auto face = mw::bench::makeGridFace(options);
        mw::bench::writeObj(*face, obj);
    }
    ~ObjCorpus() { fs::remove_all(dir); }
};

const ObjCorpus& corpus()
{
    static const ObjCorpus c;
    return c;
}

void BM_PluginReadOnly(benchmark::State& state)
{
    for (auto _ : state) {
        osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(corpus().obj.string());
        if (!node)
            state.SkipWithError("the OBJ plugin read nothing");
        benchmark::DoNotOptimize(node.get());
    }
}
BENCHMARK(BM_PluginReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportModelFile(benchmark::State& state)
{
    std::size_t triangles = 0;
    for (auto _ : state) {
        auto face = mw::importModelFile(corpus().obj);
        if (!face)
            state.SkipWithError("import failed");
        else
            triangles = face->geometries[0]->vertexIndices.size() / 3;
    }
    state.counters["triangles"] = static_cast<double>(triangles);
}
BENCHMARK(BM_ImportModelFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Conversion, repair and welding alone, on a scene graph read once beforehand.
void BM_ConvertSceneGraph(benchmark::State& state)
{
    const osg::ref_ptr<osg::Node> node = osgDB::readRefNodeFile(corpus().obj.string());
    if (!node) {
        state.SkipWithError("the OBJ plugin read nothing");
        return;
    }
    for (auto _ : state) {
        auto face = mw::importSceneGraph(*node);
        benchmark::DoNotOptimize(face.get());
    }
}
BENCHMARK(BM_ConvertSceneGraph)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
