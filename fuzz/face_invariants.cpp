#include "fuzz/face_invariants.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace mw::fuzz {
namespace {

template <typename Vec>
bool finite(const Vec& v)
{
    for (unsigned k = 0; k < Vec::num_components; ++k)
        if (!std::isfinite(v[k]))
            return false;
    return true;
}

// Reads the element as a renderer would; a bad index is caught by the check before it.
template <typename Array>
float touch(const Array& array, std::uint32_t i, const char* what)
{
    require(i < array.size(), what);
    return array[i][0];
}

struct Digest {
    std::uint64_t h = 1469598103934665603ull;
    void bytes(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
        h = (h ^ n) * 1099511628211ull;  // lengths keep neighbouring lists apart
    }
    void text(const std::string& s) { bytes(s.data(), s.size()); }
    void list(const IndexList& l) { bytes(l.data(), l.size() * sizeof(std::uint32_t)); }
    template <typename Array>
    void array(const Array& a) { bytes(a.getDataPointer(), a.getTotalDataSize()); }
};

}  // namespace

std::uint64_t faceDigest(const TarvFaceObject& face)
{
    Digest d;
    for (const auto& g : face.geometries) {
        d.text(g->name);
        d.text(g->texture);
        d.bytes(g->diffuse.ptr(), sizeof g->diffuse);
        d.bytes(g->specular.ptr(), sizeof g->specular);
        d.array(*g->vertices);
        d.array(*g->texcoords);
        d.list(g->vertexIndices);
        d.list(g->texIndices);
        d.list(g->clampIndices);
    }
    for (const auto& m : face.morphs) {
        d.text(m->name);
        for (const auto& t : m->targets) {
            d.text(t->name);
            d.list(t->indices);
            d.array(*t->offsets);
        }
    }
    return d.h;
}

void require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void requireValid(const TarvFaceObject& face)
{
    volatile float sink = 0;
    std::map<std::string, std::size_t> smallest;
    for (const auto& g : face.geometries) {
        require(g && g->vertices && g->texcoords, "null geometry or array");
        require(g->vertexIndices.size() % 3 == 0, "incomplete triangle");
        require(g->texIndices.empty() || g->texIndices.size() == g->vertexIndices.size(), "texIndices not parallel");
        for (std::uint32_t i : g->vertexIndices)
            sink = sink + touch(*g->vertices, i, "vertex index out of range");
        for (std::uint32_t t : g->texIndices)
            sink = sink + touch(*g->texcoords, t, "texture index out of range");
        for (std::uint32_t i : g->clampIndices)
            sink = sink + touch(*g->vertices, i, "neck vertex out of range");
        for (const auto& v : *g->vertices)
            require(finite(v), "non-finite vertex");
        for (const auto& t : *g->texcoords)
            require(finite(t), "non-finite texture coordinate");
        require(finite(g->diffuse) && finite(g->specular), "non-finite colour");
        auto [it, inserted] = smallest.try_emplace(g->name, g->vertices->size());
        if (!inserted && g->vertices->size() < it->second)
            it->second = g->vertices->size();
    }
    for (const auto& m : face.morphs) {
        require(m != nullptr, "null morph");
        for (const auto& t : m->targets) {
            require(t && t->offsets, "null target or offsets");
            require(t->indices.size() == t->offsets->size(), "unequal target lists");
            for (const auto& o : *t->offsets)
                require(finite(o), "non-finite offset");
            const auto it = smallest.find(t->name);
            if (it != smallest.end())
                for (std::uint32_t i : t->indices)
                    require(i < it->second, "target index out of range");
        }
    }
}

}  // namespace mw::fuzz
