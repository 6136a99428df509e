// Reading and writing Wavefront OBJ: our reader loading the million-vertex, 20-morph benchmark
// mesh (written as OBJ) into a face, against tinyobjloader's bare parse of the same file (no
// triangulation) and the scene-graph plugin path that OBJ files took before (plugin read,
// conversion, repair and welding), in one run; and our writer's speed.

#include <filesystem>

#include <unistd.h>

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include "bench/bench_support.h"
#include "import/import_model_file.h"
#include "import/obj_reader.h"
#include "import/obj_writer.h"

namespace {

namespace fs = std::filesystem;

struct Corpus {
    fs::path dir;
    fs::path obj;
    osg::ref_ptr<mw::TarvFaceObject> face;

    Corpus()
    {
        dir = fs::temp_directory_path() / ("mienwright-bench-obj-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        obj = dir / "face.obj";
        face = mw::bench::makeGridFace({.morphs = 20, .entriesPerTarget = 15000});
        if (!mw::writeObjFile(obj, *face, dir))
            std::abort();
    }
    ~Corpus() { fs::remove_all(dir); }
};

Corpus& corpus()
{
    static Corpus c;
    return c;
}

void countFile(benchmark::State& state, const fs::path& file)
{
    const auto bytes = fs::file_size(file);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_LoadObj(benchmark::State& state)
{
    const auto& c = corpus();
    std::size_t vertices = 0;
    for (auto _ : state) {
        auto face = mw::readObjFile(c.obj);
        if (!face) {
            state.SkipWithError("read failed");
            break;
        }
        vertices = face->geometries[0]->vertices->size();
        benchmark::DoNotOptimize(face.get());
    }
    countFile(state, c.obj);
    state.counters["vertices"] = static_cast<double>(vertices);
}
BENCHMARK(BM_LoadObj)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TinyobjloaderParse(benchmark::State& state)
{
    const auto& c = corpus();
    for (auto _ : state) {
        tinyobj::ObjReaderConfig config;
        config.triangulate = false;
        tinyobj::ObjReader reader;
        if (!reader.ParseFromFile(c.obj.string(), config)) {
            state.SkipWithError("tinyobjloader failed");
            break;
        }
        benchmark::DoNotOptimize(reader.GetAttrib().vertices.data());
    }
    countFile(state, c.obj);
}
BENCHMARK(BM_TinyobjloaderParse)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PluginPath(benchmark::State& state)
{
    const auto& c = corpus();
    for (auto _ : state) {
        auto face = mw::importModelFile(c.obj);
        if (!face) {
            state.SkipWithError("import failed");
            break;
        }
        benchmark::DoNotOptimize(face.get());
    }
    countFile(state, c.obj);
}
BENCHMARK(BM_PluginPath)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteObj(benchmark::State& state)
{
    const auto& c = corpus();
    const auto out = c.dir / "written.obj";
    for (auto _ : state)
        if (!mw::writeObjFile(out, *c.face, c.dir)) {
            state.SkipWithError("write failed");
            break;
        }
    countFile(state, out);
}
BENCHMARK(BM_WriteObj)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
