// Writing and reading a face of a million vertices with 20 morphs as glTF binary (.glb),
// against the native .tvf format in the same run.

#include <filesystem>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "import/gltf_reader.h"
#include "import/gltf_writer.h"
#include "model/face_file.h"

namespace {

namespace fs = std::filesystem;

struct Corpus {
    fs::path dir;
    osg::ref_ptr<mw::TarvFaceObject> face;

    Corpus()
    {
        dir = fs::temp_directory_path() / ("mienwright-bench-gltf-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        face = mw::bench::makeGridFace({.morphs = 20, .entriesPerTarget = 15000});
        if (!mw::writeFaceFile(dir / "face.tvf", *face) || !mw::writeGltfFile(dir / "face.glb", *face, dir))
            std::abort();
    }
    ~Corpus() { fs::remove_all(dir); }
};

Corpus& corpus()
{
    static Corpus c;
    return c;
}

void BM_WriteTvf(benchmark::State& state)
{
    const auto& c = corpus();
    for (auto _ : state)
        if (!mw::writeFaceFile(c.dir / "written.tvf", *c.face))
            state.SkipWithError("write failed");
    state.counters["file_MB"] = static_cast<double>(fs::file_size(c.dir / "written.tvf")) / 1e6;
}
BENCHMARK(BM_WriteTvf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteGlb(benchmark::State& state)
{
    const auto& c = corpus();
    for (auto _ : state)
        if (!mw::writeGltfFile(c.dir / "written.glb", *c.face, c.dir))
            state.SkipWithError("write failed");
    state.counters["file_MB"] = static_cast<double>(fs::file_size(c.dir / "written.glb")) / 1e6;
}
BENCHMARK(BM_WriteGlb)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadTvf(benchmark::State& state)
{
    const auto& c = corpus();
    for (auto _ : state) {
        auto face = mw::readFaceFile(c.dir / "face.tvf");
        if (!face)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(face.get());
    }
}
BENCHMARK(BM_ReadTvf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadGlb(benchmark::State& state)
{
    const auto& c = corpus();
    for (auto _ : state) {
        auto face = mw::readGltfFile(c.dir / "face.glb");
        if (!face)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(face.get());
    }
}
BENCHMARK(BM_ReadGlb)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
