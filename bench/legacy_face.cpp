// Reading a large legacy text face (about 70 MB). Peer baseline: the classic reading of the
// format, one fgets and one sscanf per line, followed by the same repair and weld.

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "model/legacy_face.h"
#include "model/repair_face.h"
#include "model/weld.h"

namespace mw::bench {
namespace {

// Writes a legacy file from a generated grid: vertices, face triangles, texture coordinates
// and indices, a morph section with 50 000 entries, and a mouth made of the last rows.
std::filesystem::path writeLargeLegacyFile()
{
    GridFaceOptions options;
    options.columns = 700;
    options.rows = 700;
    const osg::ref_ptr<TarvFaceObject> grid = makeGridFace(options);
    const FaceGeom& g = *grid->geometries[0];
    const auto path = std::filesystem::temp_directory_path() / "mienwright-bench-legacy.txt";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return {};
    std::fputs("generated head\r\n*1 vertices\r\n", f);
    for (const osg::Vec3& v : *g.vertices)
        std::fprintf(f, "%f %f %f\r\n", v.x(), v.y(), v.z());
    const std::size_t faceCorners = g.vertexIndices.size() * 9 / 10 / 3 * 3;
    std::fputs("*2 face\r\n", f);
    for (std::size_t k = 0; k < faceCorners; k += 3)
        std::fprintf(f, "%u %u %u\r\n", g.vertexIndices[k], g.vertexIndices[k + 1], g.vertexIndices[k + 2]);
    std::fputs("*3\r\n", f);
    for (const osg::Vec2& t : *g.texcoords)
        std::fprintf(f, "%f %f\r\n", t.x(), t.y());
    std::fputs("*4\r\n", f);
    for (std::size_t k = 0; k < faceCorners; k += 3)
        std::fprintf(f, "%u %u %u\r\n", g.texIndices[k], g.texIndices[k + 1], g.texIndices[k + 2]);
    std::fputs("*5\r\n", f);
    for (std::uint32_t k = 0; k < 50000; ++k)
        std::fprintf(f, "%u %f %f %f\r\n", static_cast<unsigned>(k * 7 % g.vertices->size() + 1), 0.001f * k, -0.5f, 0.25f);
    std::fputs("*6\r\nskin.jpg\r\n*7\r\n", f);
    for (std::size_t k = faceCorners; k < g.vertexIndices.size(); k += 3)
        std::fprintf(f, "%u %u %u\r\n", g.vertexIndices[k], g.vertexIndices[k + 1], g.vertexIndices[k + 2]);
    std::fputs("*8\r\n", f);
    for (std::size_t k = faceCorners; k < g.texIndices.size(); k += 3)
        std::fprintf(f, "%u %u %u\r\n", g.texIndices[k], g.texIndices[k + 1], g.texIndices[k + 2]);
    std::fputs("*9\r\nmouth.jpg\r\n", f);
    std::fclose(f);
    return path;
}

struct LargeFile {
    std::filesystem::path path = writeLargeLegacyFile();
    ~LargeFile()
    {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

const std::filesystem::path& largeFile()
{
    static const LargeFile file;
    return file.path;
}

// The classic reader: line by line with fgets and sscanf, same rules, same result.
osg::ref_ptr<TarvFaceObject> readWithSscanf(const std::filesystem::path& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return nullptr;
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    osg::ref_ptr<FaceGeom> skin = new FaceGeom, mouth = new FaceGeom;
    skin->name = "face";
    mouth->name = "mouth";
    face->geometries = {skin, mouth};
    int highest = -1;
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        if (line[0] != '*' || line[1] < '1' || line[1] > '9')
            continue;
        const int section = line[1] - '0';
        if (section == 6 || section == 9) {
            char word[1024];
            if (std::fgets(line, sizeof line, f) && std::sscanf(line, "%1023s", word) == 1)
                (section == 6 ? skin : mouth)->texture = word;
            continue;
        }
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        osg::ref_ptr<FaceTarget> ts = new FaceTarget, tm = new FaceTarget;
        morph->name = "morph_0";
        ts->name = "face";
        tm->name = "mouth";
        for (int c = std::getc(f); c != EOF && c != '*'; c = std::getc(f)) {
            std::ungetc(c, f);
            if (!std::fgets(line, sizeof line, f))
                break;
            float x, y, z;
            int a, b, d;
            switch (section) {
            case 1:
                if (std::sscanf(line, "%f %f %f", &x, &y, &z) == 3) skin->vertices->push_back({x, y, z});
                break;
            case 2:
                if (std::sscanf(line, "%d %d %d", &a, &b, &d) == 3) {
                    skin->vertexIndices.insert(skin->vertexIndices.end(), {std::uint32_t(a), std::uint32_t(b), std::uint32_t(d)});
                    highest = std::max({highest, a, b, d});
                }
                break;
            case 3:
                if (std::sscanf(line, "%f %f", &x, &y) == 2) skin->texcoords->push_back({x, y});
                break;
            case 4:
            case 7:
            case 8:
                if (std::sscanf(line, "%d %d %d", &a, &b, &d) == 3) {
                    IndexList& list = section == 4 ? skin->texIndices : section == 7 ? mouth->vertexIndices : mouth->texIndices;
                    list.insert(list.end(), {std::uint32_t(a), std::uint32_t(b), std::uint32_t(d)});
                }
                break;
            case 5:
                if (std::sscanf(line, "%d %f %f %f", &a, &x, &y, &z) == 4) {
                    FaceTarget& t = a - 1 > highest ? *tm : *ts;
                    t.indices.push_back(static_cast<std::uint32_t>(a - 1));
                    t.offsets->push_back({x, -y, -z});
                }
                break;
            }
        }
        std::ungetc('*', f);
        if (section == 5) {
            for (const auto& t : {ts, tm})
                if (!t->indices.empty())
                    morph->targets.push_back(t);
            if (!morph->targets.empty())
                face->morphs.push_back(morph);
        }
    }
    std::fclose(f);
    mouth->vertices->assign(skin->vertices->begin(), skin->vertices->end());
    mouth->texcoords->assign(skin->texcoords->begin(), skin->texcoords->end());
    repairFace(*face);
    weldFace(*face);
    return face;
}

void report(benchmark::State& state, const TarvFaceObject* face)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(largeFile())));
    if (face)
        state.counters["vertices"] = static_cast<double>(face->geometries[0]->vertices->size());
}

void BM_ReadLegacyFace(benchmark::State& state)
{
    osg::ref_ptr<TarvFaceObject> face;
    for (auto _ : state) {
        face = readLegacyFace(largeFile());
        benchmark::DoNotOptimize(face.get());
    }
    report(state, face.get());
}

void BM_SscanfLegacyFace(benchmark::State& state)
{
    osg::ref_ptr<TarvFaceObject> face;
    for (auto _ : state) {
        face = readWithSscanf(largeFile());
        benchmark::DoNotOptimize(face.get());
    }
    report(state, face.get());
}

BENCHMARK(BM_SscanfLegacyFace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLegacyFace)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace mw::bench
