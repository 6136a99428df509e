// Reading and writing the native face format, against tinyobjloader reading the same mesh
// as Wavefront OBJ.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include "bench/bench_support.h"
#include "model/face_file.h"

namespace {

namespace fs = std::filesystem;

struct Corpus {
    fs::path dir;
    fs::path tvf;
    fs::path obj;
    osg::ref_ptr<mw::TarvFaceObject> face;

    Corpus()
    {
        dir = fs::temp_directory_path() / ("mienwright-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        tvf = dir / "face.tvf";
        obj = dir / "face.obj";
        // About a million vertices and a million triangles, 20 morphs of 15,000 entries.
        face = mw::bench::makeGridFace({.morphs = 20, .entriesPerTarget = 15000});
        mw::FaceGeom& g = *face->geometries[0];
        g.vertexIndices.resize(3'000'000);
        g.texIndices.resize(3'000'000);
        if (!mw::writeFaceFile(tvf, *face))
            std::abort();
        mw::bench::writeObj(*face, obj);
    }
    ~Corpus() { fs::remove_all(dir); }

};

Corpus& corpus()
{
    static Corpus c;
    return c;
}

void BM_ReadTvf(benchmark::State& state)
{
    const auto& c = corpus();
    const auto bytes = fs::file_size(c.tvf);
    double peakRatio = 0;
    for (auto _ : state) {
        const std::size_t before = mw::bench::heapInUse();
        mw::bench::resetHeapPeak();
        auto face = mw::readFaceFile(c.tvf);
        const std::size_t peak = mw::bench::heapPeak() - before;
        peakRatio = static_cast<double>(peak) / static_cast<double>(mw::bench::faceMemoryBytes(*face));
        benchmark::DoNotOptimize(face.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["peak_heap_per_face_size"] = peakRatio;
}
BENCHMARK(BM_ReadTvf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadObjTinyobjloader(benchmark::State& state)
{
    const auto& c = corpus();
    const auto bytes = fs::file_size(c.obj);
    for (auto _ : state) {
        tinyobj::ObjReaderConfig config;
        config.triangulate = false;
        tinyobj::ObjReader reader;
        if (!reader.ParseFromFile(c.obj.string(), config))
            state.SkipWithError("tinyobjloader failed");
        benchmark::DoNotOptimize(reader.GetAttrib().vertices.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ReadObjTinyobjloader)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteTvf(benchmark::State& state)
{
    const auto& c = corpus();
    const auto out = c.dir / "written.tvf";
    for (auto _ : state) {
        if (!mw::writeFaceFile(out, *c.face))
            state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(fs::file_size(out) * state.iterations()));
}
BENCHMARK(BM_WriteTvf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FormatTvfInMemory(benchmark::State& state)
{
    const auto& c = corpus();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = mw::formatFace(*c.face);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
}
BENCHMARK(BM_FormatTvfInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
