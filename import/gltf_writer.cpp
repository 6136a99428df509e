#include "import/gltf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <sstream>

#include <nlohmann/json.hpp>
#include <osg/Image>
#include <osgDB/FileNameUtils>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <tiny_gltf.h>

#include "import/embedded_images.h"
#include "model/atomic_file.h"
#include "model/corner_normals.h"
#include "model/value_key.h"
#include "model/write_failure.h"
#include "model/file_directory.h"

namespace mw {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// The editor's frame (+Y up, a face looking along -Z) to glTF's (+Y up, looking along +Z): a
// half turn about y.
inline osg::Vec3 toGltf(const osg::Vec3& v) { return osg::Vec3(-v.x(), v.y(), -v.z()); }

// glTF text must be UTF-8: bytes that do not form UTF-8 become U+FFFD.
std::string validUtf8(const std::string& text, bool& changed)
{
    std::string out;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        bool ok = length != 0 && i + length <= n && !(length == 2 && c < 0xC2) && !(length == 4 && c > 0xF4);
        for (std::size_t k = 1; ok && k < length; ++k)
            ok = (s[i + k] & 0xC0) == 0x80;
        if (ok && length == 3) {
            const unsigned cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            ok = cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF);
        }
        if (ok && length == 4) {
            const unsigned cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
            ok = cp >= 0x10000 && cp <= 0x10FFFF;
        }
        if (ok) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            changed = true;
            ++i;
        }
    }
    return out;
}

std::string encodeUri(const std::string& name)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool writeBytes(const std::filesystem::path& path, std::string_view bytes, std::error_code& error)
{
    return replaceFileAtomically(
        path,
        [&](const ChunkWriter& write) {
            constexpr std::size_t kChunk = 1u << 20;
            for (std::size_t at = 0; at < bytes.size(); at += kChunk)
                if (!write(bytes.substr(at, kChunk)))
                    return false;
            return true;
        },
        error);
}

// Images are written by this code, never by the library.
bool noImageWriter(const std::string*, const std::string*, const tinygltf::Image*, bool, std::string*, void*)
{
    return false;
}

// Working memory that grows but is not given back while a file is written: a large block that
// is freed and asked for again comes back as fresh pages, and faulting those in costs more
// than the work done in them.
class ScratchBlock {
public:
    std::byte* get(std::size_t bytes)
    {
        if (bytes > size_) {
            block_.reset();
            block_ = std::make_unique_for_overwrite<std::byte[]>(bytes);
            size_ = bytes;
        }
        return block_.get();
    }

private:
    std::unique_ptr<std::byte[]> block_;
    std::size_t size_ = 0;
};

[[gnu::always_inline]] inline osg::Vec3 triangleNormal(const IndexList& vi, std::span<const osg::Vec3> p, std::size_t first)
{
    const osg::Vec3 &a = p[vi[first]], &b = p[vi[first + 1]], &c = p[vi[first + 2]];
    return (b - a) ^ (c - a);
}

// The normals the view lights the rest pose with (surface_normals.h), in a compact form for
// writing: corners whose vertices share a position share the sum of their triangles' normals,
// added in triangle order, and where the triangles at a position face opposite ways each side
// keeps the sum of its own. The sums are kept per group of vertices at one position, not per
// corner, and triangle normals are recomputed instead of stored: about 50 bytes of scratch a
// vertex, all in one block.
class RestNormals {
public:
    RestNormals(const IndexList& vi, std::span<const osg::Vec3> positions, ScratchBlock& scratch)
        : vi_(vi), positions_(positions)
    {
        const std::size_t n = positions.size();
        std::size_t capacity = 16;
        while (capacity < n * 2)
            capacity <<= 1;
        // The group of every vertex, then one region that first holds the position table and
        // afterwards, per group, its sum, its largest triangle normal, the sums of its two
        // sides and whether it splits.
        const std::size_t perGroup = 4 * sizeof(osg::Vec3) + 1;
        const std::size_t regionBytes = std::max(capacity * 4, n * perGroup);
        std::byte* const block = scratch.get(n * 4 + regionBytes);
        auto* const group = reinterpret_cast<std::uint32_t*>(block);
        std::uninitialized_default_construct_n(group, n);
        std::byte* const region = block + n * 4;

        // Per vertex, the number of the group at exactly its position (an open hash table over
        // the positions' bits); a vertex with a non-finite coordinate stays alone.
        auto* const firstAt = reinterpret_cast<std::uint32_t*>(region);
        std::uninitialized_fill_n(firstAt, capacity, kNone);
        const std::size_t mask = capacity - 1;
        const auto home = [&](const osg::Vec3& p) {
            const std::uint64_t x = valueKeyBits(p.x()), y = valueKeyBits(p.y()), z = valueKeyBits(p.z());
            std::uint64_t hash = (x * 0x9E3779B97F4A7C15ull) ^ (y * 0xC2B2AE3D27D4EB4Full) ^ (z * 0x165667B19E3779F9ull);
            hash ^= hash >> 29;
            return static_cast<std::size_t>(hash) & mask;
        };
        // The table is far larger than the caches and every look-up lands somewhere else in
        // it: asking for the entry of a vertex a little ahead hides most of the wait.
        constexpr std::uint32_t kAhead = 16;
        std::uint32_t groups = 0;
        for (std::uint32_t v = 0; v < n; ++v) {
            if (v + kAhead < n)
                __builtin_prefetch(firstAt + home(positions[v + kAhead]));
            const osg::Vec3& p = positions[v];
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || !std::isfinite(p.z())) {
                group[v] = groups++;
                continue;
            }
            for (std::size_t at = home(p);; at = (at + 1) & mask) {
                const std::uint32_t first = firstAt[at];
                if (first == kNone) {
                    firstAt[at] = v;
                    group[v] = groups++;
                    break;
                }
                if (positions[first] == p) {
                    group[v] = group[first];
                    break;
                }
            }
        }

        auto* const sum = reinterpret_cast<osg::Vec3*>(region);
        std::uninitialized_fill_n(sum, groups, osg::Vec3());
        reference_ = sum + groups;
        std::uninitialized_fill_n(reference_, groups, osg::Vec3());
        front_ = reference_ + groups;
        std::uninitialized_fill_n(front_, groups, osg::Vec3());
        back_ = front_ + groups;
        std::uninitialized_fill_n(back_, groups, osg::Vec3());
        auto* const split = reinterpret_cast<bool*>(back_ + groups);
        std::uninitialized_fill_n(split, groups, false);

        const auto eachTriangle = [&](auto&& f) {
            for (std::size_t first = 0; first + 3 <= vi.size(); first += 3)
                if (triangleInRange(vi, first, n))
                    f(first, triangleNormal(vi, positions, first));
        };
        eachTriangle([&](std::size_t first, const osg::Vec3& normal) {
            const float length2 = normal.length2();
            for (std::size_t c = first; c < first + 3; ++c) {
                const std::uint32_t g = group[vi[c]];
                sum[g] += normal;
                if (length2 > reference_[g].length2())
                    reference_[g] = normal;
            }
        });
        // A group splits when one of its triangles faces away from its sum (so also when the
        // sum cancels): each side then has the sum of its own triangles, the side being that
        // of the group's largest triangle or the opposite one. Both sides are summed on the
        // way, so that one pass decides and sums.
        eachTriangle([&](std::size_t first, const osg::Vec3& normal) {
            const bool counts = normal.length2() != 0.0f;
            for (std::size_t c = first; c < first + 3; ++c) {
                const std::uint32_t g = group[vi[c]];
                split[g] = split[g] || (counts && !(normal * sum[g] > 0.0f));
                (normal * reference_[g] < 0.0f ? back_[g] : front_[g]) += normal;
            }
        });
        // A whole group takes its full sum; a zero reference puts all its corners on the front.
        for (std::uint32_t g = 0; g < groups; ++g)
            if (!split[g]) {
                front_[g] = sum[g];
                reference_[g] = osg::Vec3();
            }
        group_ = group;
    }

    // The unnormalised normal of a corner of a whole triangle that names existing vertices.
    osg::Vec3 ofCorner(std::size_t corner) const
    {
        const std::uint32_t g = group_[vi_[corner]];
        if (reference_[g] == osg::Vec3())
            return front_[g];
        const osg::Vec3 normal = triangleNormal(vi_, positions_, corner - corner % 3);
        return normal * reference_[g] < 0.0f ? back_[g] : front_[g];
    }

private:
    const IndexList& vi_;
    std::span<const osg::Vec3> positions_;
    const std::uint32_t* group_ = nullptr;
    osg::Vec3* reference_ = nullptr;  // the normal of the group's largest triangle; zero when it is whole
    osg::Vec3* front_ = nullptr;      // the sum of the triangles on the reference's side
    osg::Vec3* back_ = nullptr;       // the sum of the others
};

class Writer {
public:
    Writer(const std::filesystem::path& path, const TarvFaceObject& face, const std::filesystem::path& textureDir,
           GltfWriteReport& report)
        : path_(path), face_(face), textureDir_(textureDir), report_(report),
          binary_(osgDB::equalCaseInsensitive(osgDB::getFileExtension(path.string()), "glb"))
    {
    }

    bool write()
    {
        const std::string stem = path_.stem().string();
        model_.asset.version = "2.0";
        model_.asset.generator = "Mienwright";
        model_.buffers.resize(1);
        std::size_t estimate = 0;
        for (const auto& g : face_.geometries)
            if (g)
                estimate += g->vertices->size() * 40 + g->vertexIndices.size() * 4;
        data().reserve(estimate);

        tinygltf::Mesh mesh;
        mesh.name = text(stem);
        for (const auto& geom : face_.geometries) {
            if (!geom)
                continue;
            tinygltf::Primitive primitive;
            if (writeGeometry(*geom, primitive))
                mesh.primitives.push_back(std::move(primitive));
        }
        if (mesh.primitives.empty()) {
            report_.failure = "the face has no triangles to write";
            return false;
        }
        if (!face_.morphs.empty()) {
            tinygltf::Value::Array names;
            for (const auto& morph : face_.morphs)
                names.emplace_back(text(morph ? morph->name : std::string()));
            mesh.extras = tinygltf::Value(tinygltf::Value::Object{{"targetNames", tinygltf::Value(std::move(names))}});
            mesh.weights.assign(face_.morphs.size(), 0.0);
        }
        model_.meshes.push_back(std::move(mesh));
        tinygltf::Node node;
        node.name = text(stem);
        node.mesh = 0;
        model_.nodes.push_back(std::move(node));
        tinygltf::Scene scene;
        scene.nodes = {0};
        model_.scenes.push_back(std::move(scene));
        model_.defaultScene = 0;
        if (usesSpecular_)
            model_.extensionsUsed.push_back("KHR_materials_specular");
        if (nameChanged_)
            report_.warnings.push_back("names that are not UTF-8 were written with replacement characters");
        return serialize();
    }

private:
    std::vector<unsigned char>& data() { return model_.buffers[0].data; }

    std::string text(const std::string& s) { return validUtf8(s, nameChanged_); }

    int addView(const void* bytes, std::size_t size, int target)
    {
        std::vector<unsigned char>& d = data();
        d.resize((d.size() + 3) & ~std::size_t(3), 0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = d.size();
        view.byteLength = size;
        view.target = target;
        const auto* b = static_cast<const unsigned char*>(bytes);
        d.insert(d.end(), b, b + size);
        model_.bufferViews.push_back(view);
        return static_cast<int>(model_.bufferViews.size() - 1);
    }

    // A new view of `count` values of T at the end of the buffer, for the caller to fill at
    // once (a later view may move the buffer); returns where its bytes start.
    template <typename T>
    unsigned char* newView(std::size_t count, int target, int& view)
    {
        std::vector<unsigned char>& d = data();
        const std::size_t offset = (d.size() + 3) & ~std::size_t(3);
        d.resize(offset + count * sizeof(T));
        tinygltf::BufferView bufferView;
        bufferView.buffer = 0;
        bufferView.byteOffset = offset;
        bufferView.byteLength = count * sizeof(T);
        bufferView.target = target;
        model_.bufferViews.push_back(bufferView);
        view = static_cast<int>(model_.bufferViews.size() - 1);
        return d.data() + offset;
    }

    static unsigned char* put(unsigned char* at, const osg::Vec3& v)
    {
        std::memcpy(at, v.ptr(), sizeof(osg::Vec3));
        return at + sizeof(osg::Vec3);
    }

    int addAccessor(tinygltf::Accessor accessor)
    {
        model_.accessors.push_back(std::move(accessor));
        return static_cast<int>(model_.accessors.size() - 1);
    }

    template <typename It>
    static void setBounds(tinygltf::Accessor& a, It begin, It end, bool withZero)
    {
        osg::Vec3 lo(0, 0, 0), hi(0, 0, 0);
        bool first = !withZero;
        for (It it = begin; it != end; ++it) {
            const osg::Vec3& v = *it;
            for (int c = 0; c < 3; ++c) {
                lo[c] = first ? v[c] : std::min(lo[c], v[c]);
                hi[c] = first ? v[c] : std::max(hi[c], v[c]);
            }
            first = false;
        }
        a.minValues = {lo[0], lo[1], lo[2]};
        a.maxValues = {hi[0], hi[1], hi[2]};
    }

    bool writeGeometry(const FaceGeom& g, tinygltf::Primitive& primitive)
    {
        const osg::Vec3Array& vertices = *g.vertices;
        const IndexList& vi = g.vertexIndices;
        const std::size_t nv = vertices.size();
        bool hasUv = !g.texcoords->empty() && g.texIndices.size() == vi.size();
        for (std::size_t c = 0; hasUv && c < g.texIndices.size(); ++c)
            hasUv = g.texIndices[c] < g.texcoords->size();

        // glTF vertices: one per pair of vertex and texture coordinate that a corner uses,
        // then one for each vertex that no triangle uses (its morph entries and neck mark
        // survive that way).
        std::vector<std::uint32_t> firstSlot(nv, kNone);
        std::vector<std::uint32_t> nextSlot, slotTex, slotVertex, slotCorner;
        // With 0xFFFF vertices or more the indices are 32 bits whatever the seams add: they go
        // straight into their view (cut to the corners written); otherwise through a list.
        const bool wide = nv >= 0xFFFF;
        std::vector<std::uint32_t> indices;
        int wideView = -1;
        std::size_t wideOffset = 0, wideCount = 0;
        if (wide)
            wideOffset = static_cast<std::size_t>(
                newView<std::uint32_t>(vi.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER, wideView) - data().data());
        else
            indices.reserve(vi.size());
        unsigned char* const wideAt = wide ? data().data() + wideOffset : nullptr;
        for (auto* list : {&nextSlot, &slotTex, &slotVertex, &slotCorner})
            list->reserve(nv);
        const auto slotOf = [&](std::uint32_t v, std::uint32_t t, std::uint32_t corner) {
            std::uint32_t* link = &firstSlot[v];
            while (*link != kNone) {
                if (slotTex[*link] == t)
                    return *link;
                link = &nextSlot[*link];
            }
            const auto slot = static_cast<std::uint32_t>(slotTex.size());
            *link = slot;
            nextSlot.push_back(kNone);
            slotTex.push_back(t);
            slotVertex.push_back(v);
            slotCorner.push_back(corner);
            return slot;
        };
        for (std::size_t first = 0; first + 3 <= vi.size(); first += 3) {
            if (!triangleInRange(vi, first, nv))
                continue;
            for (std::size_t c = first; c < first + 3; ++c) {
                const std::uint32_t slot = slotOf(vi[c], hasUv ? g.texIndices[c] : kNone, static_cast<std::uint32_t>(c));
                if (wide)
                    std::memcpy(wideAt + 4 * wideCount++, &slot, 4);
                else
                    indices.push_back(slot);
            }
        }
        const std::size_t cornerCount = wide ? wideCount : indices.size();
        if (wide) {
            data().resize(wideOffset + 4 * wideCount);
            model_.bufferViews[static_cast<std::size_t>(wideView)].byteLength = 4 * wideCount;
            if (wideCount == 0) {
                model_.bufferViews.pop_back();
                data().resize(wideOffset);
            }
        }
        if (cornerCount == 0) {
            report_.warnings.push_back("geometry \"" + g.name + "\" has no triangles and was left out");
            return false;
        }
        for (std::uint32_t v = 0; v < nv; ++v)
            if (firstSlot[v] == kNone)
                slotOf(v, kNone, kNone);
        const std::size_t count = slotTex.size();

        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        {
            tinygltf::Accessor a;
            a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
            a.type = TINYGLTF_TYPE_VEC3;
            a.count = count;
            unsigned char* at = newView<osg::Vec3>(count, TINYGLTF_TARGET_ARRAY_BUFFER, a.bufferView);
            osg::Vec3 lo = toGltf(vertices[slotVertex[0]]), hi = lo;
            for (std::size_t s = 0; s < count; ++s) {
                const osg::Vec3 p = toGltf(vertices[slotVertex[s]]);
                for (int c = 0; c < 3; ++c) {
                    lo[c] = std::min(lo[c], p[c]);
                    hi[c] = std::max(hi[c], p[c]);
                }
                at = put(at, p);
            }
            a.minValues = {lo[0], lo[1], lo[2]};
            a.maxValues = {hi[0], hi[1], hi[2]};
            primitive.attributes["POSITION"] = addAccessor(std::move(a));
        }
        {
            tinygltf::Accessor a;
            a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
            a.type = TINYGLTF_TYPE_VEC3;
            a.count = count;
            unsigned char* at = newView<osg::Vec3>(count, TINYGLTF_TARGET_ARRAY_BUFFER, a.bufferView);
            // Taken straight from the group of the corner that made the glTF vertex.
            const RestNormals normals(vi, vertices.asVector(), scratch_);
            for (std::size_t s = 0; s < count; ++s) {
                osg::Vec3 n = slotCorner[s] == kNone ? osg::Vec3() : toGltf(normals.ofCorner(slotCorner[s]));
                const double length = std::sqrt(double(n.x()) * n.x() + double(n.y()) * n.y() + double(n.z()) * n.z());
                if (!(length > 1e-12) || !std::isfinite(length))
                    n.set(0.0f, 1.0f, 0.0f);  // a degenerate spot: any unit normal will do
                else
                    n = osg::Vec3(float(n.x() / length), float(n.y() / length), float(n.z() / length));
                at = put(at, n);
            }
            primitive.attributes["NORMAL"] = addAccessor(std::move(a));
        }
        if (hasUv) {
            tinygltf::Accessor a;
            a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
            a.type = TINYGLTF_TYPE_VEC2;
            a.count = count;
            unsigned char* at = newView<osg::Vec2>(count, TINYGLTF_TARGET_ARRAY_BUFFER, a.bufferView);
            for (std::size_t s = 0; s < count; ++s) {
                const osg::Vec2 t = slotTex[s] == kNone ? osg::Vec2() : (*g.texcoords)[slotTex[s]];
                const float uv[2] = {t.x(), 1.0f - t.y()};
                std::memcpy(at, uv, sizeof uv);
                at += sizeof uv;
            }
            primitive.attributes["TEXCOORD_0"] = addAccessor(std::move(a));
        }
        {
            tinygltf::Accessor a;
            a.type = TINYGLTF_TYPE_SCALAR;
            a.count = cornerCount;
            if (wide) {
                a.bufferView = wideView;
                a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
            } else if (count < 0xFFFF) {
                unsigned char* at =
                    newView<std::uint16_t>(indices.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER, a.bufferView);
                for (const std::uint32_t index : indices) {
                    const auto small = static_cast<std::uint16_t>(index);
                    std::memcpy(at, &small, 2);
                    at += 2;
                }
                a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
            } else {
                unsigned char* at =
                    newView<std::uint32_t>(indices.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER, a.bufferView);
                std::memcpy(at, indices.data(), indices.size() * 4);
                a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
            }
            primitive.indices = addAccessor(std::move(a));
        }
        writeTargets(g, primitive, firstSlot, nextSlot, count);

        tinygltf::Value::Object extras{{"name", tinygltf::Value(text(g.name))}};
        if (!g.clampIndices.empty()) {
            tinygltf::Value::Array neck;
            for (const std::uint32_t v : g.clampIndices)
                if (v < nv)
                    neck.emplace_back(static_cast<int>(firstSlot[v]));
            extras.emplace("neckVertices", tinygltf::Value(std::move(neck)));
        }
        primitive.extras = tinygltf::Value(std::move(extras));
        primitive.material = writeMaterial(g, hasUv);
        return true;
    }

    // Target k of every primitive is morph k; a vertex split by texture seams moves in
    // every one of its glTF vertices.
    void writeTargets(const FaceGeom& g, tinygltf::Primitive& primitive, const std::vector<std::uint32_t>& firstSlot,
                      const std::vector<std::uint32_t>& nextSlot, std::size_t count)
    {
        std::byte* const block = scratch_.get(count * (sizeof(osg::Vec3) + 1));
        auto* const sum = reinterpret_cast<osg::Vec3*>(block);
        std::uninitialized_fill_n(sum, count, osg::Vec3());
        auto* const touched = reinterpret_cast<bool*>(sum + count);
        std::uninitialized_fill_n(touched, count, false);
        std::vector<std::uint32_t> moved;
        for (const auto& morph : face_.morphs) {
            moved.clear();
            if (morph)
                for (const auto& target : morph->targets) {
                    if (!target || target->name != g.name)
                        continue;
                    const std::size_t entries = std::min(target->indices.size(), target->offsets->size());
                    for (std::size_t j = 0; j < entries; ++j) {
                        const std::uint32_t v = target->indices[j];
                        if (v >= firstSlot.size())
                            continue;
                        const osg::Vec3 offset = toGltf((*target->offsets)[j]);
                        for (std::uint32_t s = firstSlot[v]; s != kNone; s = nextSlot[s]) {
                            sum[s] += offset;
                            if (!touched[s]) {
                                touched[s] = true;
                                moved.push_back(s);
                            }
                        }
                    }
                }
            std::sort(moved.begin(), moved.end());
            std::vector<std::uint32_t> at;
            std::vector<osg::Vec3> values;
            for (const std::uint32_t s : moved) {
                if (sum[s] != osg::Vec3()) {
                    at.push_back(s);
                    values.push_back(sum[s]);
                }
                sum[s] = osg::Vec3();
                touched[s] = false;
            }
            primitive.targets.push_back({{"POSITION", targetAccessor(at, values, count)}});
        }
    }

    int targetAccessor(const std::vector<std::uint32_t>& at, const std::vector<osg::Vec3>& values, std::size_t count)
    {
        tinygltf::Accessor a;
        a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        a.type = TINYGLTF_TYPE_VEC3;
        a.count = count;
        setBounds(a, values.begin(), values.end(), values.size() < count);
        if (values.empty())
            return addAccessor(std::move(a));  // no buffer view: every offset is zero
        const bool shortIndices = count <= 0x10000;
        const std::size_t sparseBytes = values.size() * ((shortIndices ? 2 : 4) + sizeof(osg::Vec3));
        if (sparseBytes >= count * sizeof(osg::Vec3)) {
            std::vector<osg::Vec3> dense(count);
            for (std::size_t k = 0; k < at.size(); ++k)
                dense[at[k]] = values[k];
            a.bufferView = addView(dense.data(), dense.size() * sizeof(osg::Vec3), TINYGLTF_TARGET_ARRAY_BUFFER);
            return addAccessor(std::move(a));
        }
        a.sparse.isSparse = true;
        a.sparse.count = static_cast<int>(values.size());
        if (shortIndices) {
            std::vector<std::uint16_t> small(at.begin(), at.end());
            a.sparse.indices.bufferView = addView(small.data(), small.size() * 2, 0);
            a.sparse.indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
        } else {
            a.sparse.indices.bufferView = addView(at.data(), at.size() * 4, 0);
            a.sparse.indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        }
        a.sparse.indices.byteOffset = 0;
        a.sparse.values.bufferView = addView(values.data(), values.size() * sizeof(osg::Vec3), 0);
        a.sparse.values.byteOffset = 0;
        return addAccessor(std::move(a));
    }

    int writeMaterial(const FaceGeom& g, bool hasUv)
    {
        tinygltf::Material material;
        material.name = text(g.name);
        const auto unit = [&](float value, const char* what) {
            if (!(value >= 0.0f && value <= 1.0f)) {
                report_.warnings.push_back("geometry \"" + g.name + "\": a " + what +
                                           " component outside 0 to 1 was clamped");
                return value > 1.0f ? 1.0 : 0.0;
            }
            return double(value);
        };
        material.pbrMetallicRoughness.baseColorFactor = {unit(g.diffuse[0], "diffuse"), unit(g.diffuse[1], "diffuse"),
                                                         unit(g.diffuse[2], "diffuse"), unit(g.diffuse[3], "diffuse")};
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.pbrMetallicRoughness.roughnessFactor = 1.0;
        tinygltf::Value::Array specular;
        for (int c = 0; c < 3; ++c)
            specular.emplace_back(std::max(0.0, std::isfinite(g.specular[c]) ? double(g.specular[c]) : 0.0));
        material.extensions["KHR_materials_specular"] =
            tinygltf::Value(tinygltf::Value::Object{{"specularColorFactor", tinygltf::Value(std::move(specular))}});
        usesSpecular_ = true;
        if (!g.texture.empty()) {
            if (!hasUv)
                report_.warnings.push_back("geometry \"" + g.name +
                                           "\" has a texture but no texture coordinates; written without it");
            else
                material.pbrMetallicRoughness.baseColorTexture.index = textureIndex(g.texture);
        }
        model_.materials.push_back(std::move(material));
        return static_cast<int>(model_.materials.size() - 1);
    }

    // The texture for an image file, written once however many geometries use it; -1 when
    // the image cannot be read.
    int textureIndex(const std::string& name)
    {
        const std::filesystem::path file = resolveTextureName(name, textureDir_);
        const auto known = textures_.find(file.string());
        if (known != textures_.end())
            return known->second;
        int index = -1;
        std::string bytes;
        {
            std::ifstream in(file, std::ios::binary);
            if (in)
                bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        const auto span = std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        std::string kind(imageKind(span));
        if (kind.empty() && !bytes.empty()) {
            // Neither PNG nor JPEG: glTF takes it as PNG.
            const osg::ref_ptr<osg::Image> image = osgDB::readRefImageFile(file.string());
            osgDB::ReaderWriter* png = osgDB::Registry::instance()->getReaderWriterForExtension("png");
            std::ostringstream out;
            if (image && png && png->writeImage(*image, out).success()) {
                bytes = out.str();
                kind = "PNG";
            }
        }
        if (kind.empty()) {
            report_.warnings.push_back("texture " + name + " cannot be read; written without it");
        } else {
            tinygltf::Image image;
            const bool png = kind == "PNG";
            const std::string extension = png ? ".png" : ".jpg";
            if (binary_) {
                image.mimeType = png ? "image/png" : "image/jpeg";
                image.bufferView = addView(bytes.data(), bytes.size(), 0);
            } else {
                // Beside the .gltf: the image itself when it is there already, else a copy.
                std::filesystem::path beside = path_.parent_path() / file.filename();
                std::error_code error;
                const bool same = std::filesystem::equivalent(beside, file, error) && !isEmbeddedImage(file) &&
                                  osgDB::equalCaseInsensitive(file.extension().string(), extension);
                if (!same) {
                    std::string stem = file.stem().string();
                    if (isEmbeddedImage(file))
                        stem = stem.substr(stem.find('-') + 1);
                    beside = path_.parent_path() / (path_.stem().string() + "_" + stem + extension);
                    std::error_code error;
                    if (!writeBytes(beside, bytes, error)) {
                        report_.failure = "cannot write the texture " + beside.string() + ": " + writeFailureReason(error);
                        throw std::runtime_error(report_.failure);
                    }
                }
                image.uri = encodeUri(beside.filename().string());
            }
            image.name = text(file.stem().string());
            model_.images.push_back(std::move(image));
            tinygltf::Texture texture;
            texture.source = static_cast<int>(model_.images.size() - 1);
            model_.textures.push_back(texture);
            index = static_cast<int>(model_.textures.size() - 1);
        }
        textures_.emplace(file.string(), index);
        return index;
    }

    // A binary glTF: the header, the JSON chunk (padded with blanks) and the binary chunk
    // (padded with zeros), each chunk a multiple of four bytes long.
    bool writeGlb(std::string json, const std::vector<unsigned char>& bin, std::error_code& error)
    {
        json.resize((json.size() + 3) & ~std::size_t(3), ' ');
        const std::size_t binLength = (bin.size() + 3) & ~std::size_t(3);
        const std::size_t total = 12 + 8 + json.size() + 8 + binLength;
        if (total > 0xFFFFFFFFu) {
            error = std::make_error_code(std::errc::file_too_large);
            return false;
        }
        std::string head(12 + 8, '\0');
        const auto word = [&head](std::size_t at, std::uint32_t value) { std::memcpy(head.data() + at, &value, 4); };
        word(0, 0x46546C67u);  // "glTF"
        word(4, 2);
        word(8, static_cast<std::uint32_t>(total));
        word(12, static_cast<std::uint32_t>(json.size()));
        word(16, 0x4E4F534Au);  // "JSON"
        head += json;
        std::string binHead(8, '\0');
        const std::uint32_t binWords[2] = {static_cast<std::uint32_t>(binLength), 0x004E4942u};  // "BIN"
        std::memcpy(binHead.data(), binWords, 8);
        head += binHead;
        const std::string_view body(reinterpret_cast<const char*>(bin.data()), bin.size());
        return replaceFileAtomically(
            path_,
            [&](const ChunkWriter& write) {
                if (!write(head))
                    return false;
                constexpr std::size_t kChunk = 1u << 22;
                for (std::size_t at = 0; at < body.size(); at += kChunk)
                    if (!write(body.substr(at, kChunk)))
                        return false;
                return binLength == bin.size() || write(std::string_view("\0\0\0", binLength - bin.size()));
            },
            error);
    }

    bool serialize()
    {
        tinygltf::TinyGLTF gltf;
        gltf.SetImageWriter(&noImageWriter, nullptr);
        // The buffer never goes through the library: it is written from where it was built,
        // as the .glb's binary chunk or as the .bin file beside a .gltf.
        std::vector<unsigned char> bin;
        bin.swap(data());
        std::ostringstream out;
        if (!gltf.WriteGltfSceneToStream(&model_, out, !binary_, false)) {
            report_.failure = "the glTF data could not be put together";
            return false;
        }
        std::error_code error;
        nlohmann::json json = nlohmann::json::parse(out.view());
        if (binary_) {
            json["buffers"][0] = {{"byteLength", bin.size()}};
            if (!writeGlb(json.dump(), bin, error)) {
                report_.failure = writeFailureReason(error);
                return false;
            }
            return true;
        }
        const std::string binName = path_.stem().string() + ".bin";
        json["buffers"][0] = {{"byteLength", bin.size()}, {"uri", encodeUri(binName)}};
        const std::filesystem::path binPath = path_.parent_path() / binName;
        if (!writeBytes(binPath, std::string_view(reinterpret_cast<const char*>(bin.data()), bin.size()), error)) {
            report_.failure = "cannot write " + binPath.string() + ": " + writeFailureReason(error);
            return false;
        }
        if (!writeBytes(path_, json.dump(2) + "\n", error)) {
            report_.failure = writeFailureReason(error);
            return false;
        }
        return true;
    }

    const std::filesystem::path& path_;
    const TarvFaceObject& face_;
    const std::filesystem::path& textureDir_;
    GltfWriteReport& report_;
    const bool binary_;
    ScratchBlock scratch_;  // shared by the geometries and the passes over them
    tinygltf::Model model_;
    std::map<std::string, int> textures_;
    bool usesSpecular_ = false;
    bool nameChanged_ = false;
};

}  // namespace

bool writeGltfFile(const std::filesystem::path& path, const TarvFaceObject& face,
                   const std::filesystem::path& textureDir, GltfWriteReport* report)
{
    GltfWriteReport local;
    GltfWriteReport& r = report ? *report : local;
    try {
        return Writer(path, face, textureDir, r).write();
    } catch (const std::bad_alloc&) {
        r.failure = "the face does not fit in memory as glTF";
    } catch (const std::exception& e) {
        if (r.failure.empty())
            r.failure = e.what();
    }
    return false;
}

}  // namespace mw
