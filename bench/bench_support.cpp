#include "bench/bench_support.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>

#include <malloc.h>

namespace mw::bench {
namespace {

std::atomic<std::size_t> gInUse{0};
std::atomic<std::size_t> gPeak{0};

void noteAlloc(void* p)
{
    if (!p)
        return;
    const std::size_t now = gInUse += malloc_usable_size(p);
    std::size_t peak = gPeak.load();
    while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
    }
}

void noteFree(void* p)
{
    if (p)
        gInUse -= malloc_usable_size(p);
}

}  // namespace

osg::ref_ptr<TarvFaceObject> makeGridFace(const GridFaceOptions& o)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    std::mt19937 rng(o.seed);
    std::uniform_real_distribution<float> jitter(-0.01f, 0.01f);
    const std::uint32_t rowsPerGeom = std::max(2u, o.rows / std::max(1u, o.geometries));
    for (std::uint32_t gi = 0; gi < o.geometries; ++gi) {
        osg::ref_ptr<FaceGeom> g = new FaceGeom;
        g->name = "geom_" + std::to_string(gi);
        g->texture = "skin.png";
        const std::uint32_t rows = rowsPerGeom;
        g->vertices->reserve(std::size_t{rows} * o.columns);
        g->texcoords->reserve(std::size_t{rows} * o.columns);
        for (std::uint32_t r = 0; r < rows; ++r)
            for (std::uint32_t c = 0; c < o.columns; ++c) {
                const float x = static_cast<float>(c) / o.columns * 2.0f - 1.0f;
                const float y = static_cast<float>(r + gi * rows) / o.rows * 2.0f - 1.0f;
                g->vertices->push_back({x, y, 0.1f * std::sin(7.3f * x) * std::cos(5.1f * y) + jitter(rng)});
                g->texcoords->push_back({static_cast<float>(c) / (o.columns - 1), static_cast<float>(r) / (rows - 1)});
            }
        g->vertexIndices.reserve(std::size_t{rows - 1} * (o.columns - 1) * 6);
        for (std::uint32_t r = 0; r + 1 < rows; ++r)
            for (std::uint32_t c = 0; c + 1 < o.columns; ++c) {
                const std::uint32_t a = r * o.columns + c, b = a + 1, d = a + o.columns, e = d + 1;
                for (std::uint32_t i : {a, b, e, a, e, d})
                    g->vertexIndices.push_back(i);
            }
        g->texIndices = g->vertexIndices;
        for (std::uint32_t c = 0; c < o.columns; ++c)
            g->clampIndices.push_back(c);
        face->geometries.push_back(g);
    }
    for (std::uint32_t m = 0; m < o.morphs; ++m) {
        osg::ref_ptr<FaceMorph> morph = new FaceMorph;
        morph->name = "morph_" + std::to_string(m);
        for (const auto& g : face->geometries) {
            osg::ref_ptr<FaceTarget> t = new FaceTarget;
            t->name = g->name;
            const auto count = static_cast<std::uint32_t>(g->vertices->size());
            const std::uint32_t start = std::uniform_int_distribution<std::uint32_t>(0, count - 1)(rng);
            for (std::uint32_t k = 0; k < o.entriesPerTarget && k < count; ++k) {
                t->indices.push_back((start + k) % count);
                t->offsets->push_back({jitter(rng), jitter(rng), jitter(rng)});
            }
            morph->targets.push_back(t);
        }
        face->morphs.push_back(morph);
    }
    return face;
}

osg::ref_ptr<TarvFaceObject> makeHeadSizedFace(std::uint32_t morphs, std::uint32_t entriesPerTarget)
{
    osg::ref_ptr<TarvFaceObject> face =
        makeGridFace({.columns = 161, .rows = 162, .morphs = morphs, .entriesPerTarget = entriesPerTarget});
    for (const auto& g : face->geometries)
        g->texture.clear();
    return face;
}

void writeObj(const TarvFaceObject& face, const std::filesystem::path& path)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    const FaceGeom& g = *face.geometries[0];
    for (const auto& v : *g.vertices)
        std::fprintf(f, "v %g %g %g\n", v.x(), v.y(), v.z());
    for (const auto& t : *g.texcoords)
        std::fprintf(f, "vt %g %g\n", t.x(), t.y());
    for (std::size_t i = 0; i + 2 < g.vertexIndices.size(); i += 3)
        std::fprintf(f, "f %u/%u %u/%u %u/%u\n", g.vertexIndices[i] + 1, g.texIndices[i] + 1,
                     g.vertexIndices[i + 1] + 1, g.texIndices[i + 1] + 1, g.vertexIndices[i + 2] + 1,
                     g.texIndices[i + 2] + 1);
    std::fclose(f);
}

std::size_t faceMemoryBytes(const TarvFaceObject& face)
{
    std::size_t bytes = 0;
    for (const auto& g : face.geometries) {
        bytes += g->vertices->capacity() * sizeof(osg::Vec3) + g->texcoords->capacity() * sizeof(osg::Vec2);
        bytes += (g->vertexIndices.capacity() + g->texIndices.capacity() + g->clampIndices.capacity()) *
                 sizeof(std::uint32_t);
    }
    for (const auto& m : face.morphs)
        for (const auto& t : m->targets)
            bytes += t->indices.capacity() * sizeof(std::uint32_t) + t->offsets->capacity() * sizeof(osg::Vec3);
    return bytes;
}

std::size_t heapInUse() { return gInUse.load(); }
std::size_t heapPeak() { return gPeak.load(); }
void resetHeapPeak() { gPeak = gInUse.load(); }

}  // namespace mw::bench

// Counting the program's heap lets a benchmark report peak memory of one operation.
// These replace the global operators, so freeing with free() is the matching call.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    mw::bench::noteAlloc(p);
    return p;
}
void operator delete(void* p) noexcept
{
    mw::bench::noteFree(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    mw::bench::noteFree(p);
    std::free(p);
}
