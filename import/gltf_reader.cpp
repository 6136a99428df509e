#include "import/gltf_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include "import/embedded_images.h"
#include "model/value_key.h"

namespace mw {
namespace {

// A malformed file: the message says why.
struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void refuse(const std::string& why) { throw Malformed(why); }

// Extensions a file may require that change nothing for what is read here, or that the
// accessor reading below already handles (integer positions and offsets).
bool supportedRequirement(const std::string& name)
{
    return name == "KHR_mesh_quantization" || name == "KHR_materials_unlit" ||
           name == "KHR_materials_specular" || name == "KHR_materials_emissive_strength" ||
           name == "KHR_materials_ior";
}

std::string requirementRefusal(const std::string& name)
{
    if (name == "KHR_draco_mesh_compression")
        return "it uses Draco mesh compression (KHR_draco_mesh_compression), which Mienwright does not read";
    return "it requires the glTF extension " + name + ", which Mienwright does not read";
}

// The file's JSON text: all of a .gltf, the first chunk of a .glb; empty when there is none.
std::string_view jsonText(std::span<const std::uint8_t> bytes, bool binary)
{
    if (!binary)
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    if (bytes.size() < 20)
        return {};
    std::uint32_t length = 0, type = 0;
    std::memcpy(&length, bytes.data() + 12, 4);
    std::memcpy(&type, bytes.data() + 16, 4);
    if (type != 0x4E4F534Au || length > bytes.size() - 20)
        return {};
    return {reinterpret_cast<const char*>(bytes.data() + 20), length};
}

// Why the file cannot be read for an extension it requires (which the library may have failed
// on first, with a reason of its own that would hide this one); empty when none is in the way.
std::string unsupportedRequirement(std::span<const std::uint8_t> bytes, bool binary)
{
    const nlohmann::json json = nlohmann::json::parse(jsonText(bytes, binary), nullptr, false);
    if (!json.is_object())
        return {};
    const auto found = json.find("extensionsRequired");
    if (found == json.end() || !found->is_array())
        return {};
    for (const nlohmann::json& required : *found)
        if (required.is_string() && !supportedRequirement(required.get<std::string>()))
            return requirementRefusal(required.get<std::string>());
    return {};
}

// A reason the user can read: control characters and bytes beyond ASCII (a file's garbage
// echoed back by a parser) become \xNN.
std::string printable(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(c);
        } else {
            out += "\\x";
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
    return out;
}

// ---- file access for the library: no path expansion, nothing outside plain files ----

bool fileExists(const std::string& path, void* user)
{
    if (!*static_cast<const bool*>(user))
        return false;
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string expandNothing(const std::string& path, void*) { return path; }

bool readWholeFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user)
{
    if (!*static_cast<const bool*>(user)) {
        if (err)
            *err += "external file " + path + " not read\n";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (err)
            *err += "cannot open " + path + "\n";
        return false;
    }
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeNothing(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

// Images are not decoded here: embedded ones are taken from their buffer view below (with
// their bounds checked), data URIs keep their bytes, files are left where they are.
bool keepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void*)
{
    if (image->bufferView < 0 && image->uri.empty() && bytes && size > 0) {
        image->image.assign(bytes, bytes + size);
        image->as_is = true;
    }
    return true;
}

std::string firstLine(const std::string& text)
{
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::string decodeUri(const std::string& uri)
{
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
            out += static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
            i += 2;
        } else {
            out += uri[i];
        }
    }
    return out;
}

// ---- 4 x 4 matrices, column-major as glTF stores them; points are column vectors ----

using Mat4 = std::array<double, 16>;

constexpr Mat4 kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// glTF and the editor both stand models up along +Y, but a glTF model looks along +Z and a
// face in the editor along -Z (towards the view's home camera): a half turn about y,
// (x, y, z) becomes (-x, y, -z). It is its own inverse, so writing turns faces back.
constexpr Mat4 kGltfToFace = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};

Mat4 multiply(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[c * 4 + k];
            r[c * 4 + row] = sum;
        }
    return r;
}

double linearDeterminant(const Mat4& m)
{
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

Mat4 localMatrix(const tinygltf::Node& node)
{
    if (node.matrix.size() == 16) {
        Mat4 m;
        std::copy(node.matrix.begin(), node.matrix.end(), m.begin());
        return m;
    }
    if (!node.matrix.empty())
        refuse("node \"" + node.name + "\" has a matrix of " + std::to_string(node.matrix.size()) + " numbers");
    Mat4 m = kIdentity;
    if (!node.scale.empty()) {
        if (node.scale.size() != 3)
            refuse("node \"" + node.name + "\" has a malformed scale");
        for (int k = 0; k < 3; ++k)
            m[k * 5] = node.scale[k];
    }
    if (!node.rotation.empty()) {
        if (node.rotation.size() != 4)
            refuse("node \"" + node.name + "\" has a malformed rotation");
        double x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
        const double length = std::sqrt(x * x + y * y + z * z + w * w);
        if (length > 0) {
            x /= length, y /= length, z /= length, w /= length;
        } else {
            x = y = z = 0, w = 1;
        }
        const Mat4 r = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),     0,
                        2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),     0,
                        2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y), 0,
                        0,                       0,                       0,                       1};
        m = multiply(r, m);
    }
    if (!node.translation.empty()) {
        if (node.translation.size() != 3)
            refuse("node \"" + node.name + "\" has a malformed translation");
        Mat4 t = kIdentity;
        t[12] = node.translation[0], t[13] = node.translation[1], t[14] = node.translation[2];
        m = multiply(t, m);
    }
    return m;
}

osg::Vec3 transformPoint(const Mat4& m, const float* p)
{
    return osg::Vec3(static_cast<float>(m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12]),
                     static_cast<float>(m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13]),
                     static_cast<float>(m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14]));
}

osg::Vec3 transformVector(const Mat4& m, const float* p)
{
    return osg::Vec3(static_cast<float>(m[0] * p[0] + m[4] * p[1] + m[8] * p[2]),
                     static_cast<float>(m[1] * p[0] + m[5] * p[1] + m[9] * p[2]),
                     static_cast<float>(m[2] * p[0] + m[6] * p[1] + m[10] * p[2]));
}

// ---- accessors ----

std::size_t componentSize(int type)
{
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

float readComponent(const std::uint8_t* p, int type, bool normalized)
{
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_FLOAT: {
        float f;
        std::memcpy(&f, p, 4);
        return f;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return normalized ? p[0] / 255.0f : p[0];
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
        const auto v = static_cast<std::int8_t>(p[0]);
        return normalized ? std::max(v / 127.0f, -1.0f) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? v / 65535.0f : v;
    }
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? std::max(v / 32767.0f, -1.0f) : v;
    }
    default: {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return static_cast<float>(v);
    }
    }
}

std::uint32_t readIndex(const std::uint8_t* p, int type)
{
    if (type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE)
        return p[0];
    if (type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// The bytes of `count` elements of `elementSize` bytes, `stride` apart, starting `offset`
// bytes into buffer view `viewIndex`; refuses anything that reaches outside the buffer.
struct ElementRun {
    const std::uint8_t* first = nullptr;
    std::size_t stride = 0;
};

class Accessors {
public:
    Accessors(const tinygltf::Model& model, std::size_t maxVertices) : model_(model), maxCount_(maxVertices) {}

    const tinygltf::Accessor& get(int index, const std::string& what) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= model_.accessors.size())
            refuse(what + " names accessor " + std::to_string(index) + ", which does not exist");
        return model_.accessors[static_cast<std::size_t>(index)];
    }

    // Every element as floats, `components` per element, sparse substitution applied.
    std::vector<float> floats(int index, int components, const std::string& what) const
    {
        const tinygltf::Accessor& a = get(index, what);
        checkShape(a, components, what);
        std::vector<float> values(a.count * static_cast<std::size_t>(components), 0.0f);
        if (a.bufferView >= 0) {
            const ElementRun run = elements(a.bufferView, a.byteOffset, a.count,
                                            componentSize(a.componentType) * components, what);
            const std::size_t size = componentSize(a.componentType);
            if (a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT && run.stride == size * components && !values.empty()) {
                std::memcpy(values.data(), run.first, values.size() * sizeof(float));
            } else {
                for (std::size_t i = 0; i < a.count; ++i) {
                    const std::uint8_t* p = run.first + i * run.stride;
                    for (int c = 0; c < components; ++c)
                        values[i * components + c] = readComponent(p + c * size, a.componentType, a.normalized);
                }
            }
        }
        if (a.sparse.isSparse)
            forEachSparse(a, components, what, [&](std::uint32_t i, const float* v) {
                std::copy(v, v + components, values.begin() + static_cast<std::ptrdiff_t>(i) * components);
            });
        return values;
    }

    // The accessor as (element, value) pairs, leaving out what is zero (a morph target).
    template <typename Fn>
    void forEachNonZeroVec3(int index, std::size_t expectedCount, const std::string& what, Fn&& fn) const
    {
        const tinygltf::Accessor& a = get(index, what);
        checkShape(a, 3, what);
        if (a.count != expectedCount)
            refuse(what + " has " + std::to_string(a.count) + " entries for " + std::to_string(expectedCount) +
                   " vertices");
        const auto nonZero = [](const float* v) { return v[0] != 0.0f || v[1] != 0.0f || v[2] != 0.0f; };
        if (a.bufferView < 0 && a.sparse.isSparse && sparseIncreasing(a, what)) {
            // The common form of a morph target: only the moving vertices are stored.
            forEachSparse(a, 3, what, [&](std::uint32_t i, const float* v) {
                if (nonZero(v))
                    fn(i, v);
            });
            return;
        }
        if (a.bufferView < 0 && !a.sparse.isSparse)
            return;
        const std::vector<float> values = floats(index, 3, what);
        for (std::size_t i = 0; i < a.count; ++i)
            if (nonZero(&values[i * 3]))
                fn(static_cast<std::uint32_t>(i), &values[i * 3]);
    }

    std::vector<std::uint32_t> indices(int index, const std::string& what) const
    {
        const tinygltf::Accessor& a = get(index, what);
        checkShape(a, 1, what);
        if (a.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
            a.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
            a.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
            refuse(what + " are not unsigned integers");
        std::vector<std::uint32_t> values(a.count, 0);
        if (a.bufferView >= 0) {
            const ElementRun run =
                elements(a.bufferView, a.byteOffset, a.count, componentSize(a.componentType), what);
            for (std::size_t i = 0; i < a.count; ++i)
                values[i] = readIndex(run.first + i * run.stride, a.componentType);
        }
        if (a.sparse.isSparse) {
            const auto& s = a.sparse;
            if (s.values.byteOffset < 0)
                refuse(what + " has a negative sparse value offset");
            const std::size_t size = componentSize(a.componentType);
            std::vector<std::uint32_t> at;
            sparseIndices(a, what, [&](std::size_t, std::uint32_t i) { at.push_back(i); });
            const ElementRun run = elements(s.values.bufferView, static_cast<std::size_t>(s.values.byteOffset),
                                            at.size(), size, what + "'s sparse values");
            for (std::size_t k = 0; k < at.size(); ++k)
                values[at[k]] = readIndex(run.first + k * size, a.componentType);
        }
        return values;
    }

private:
    void checkShape(const tinygltf::Accessor& a, int components, const std::string& what) const
    {
        const int expected = components == 1   ? TINYGLTF_TYPE_SCALAR
                             : components == 2 ? TINYGLTF_TYPE_VEC2
                                               : TINYGLTF_TYPE_VEC3;
        if (a.type != expected)
            refuse(what + " has the wrong element type");
        if (componentSize(a.componentType) == 0)
            refuse(what + " has an unknown component type " + std::to_string(a.componentType));
        if (a.count > maxCount_)
            refuse(what + " has " + std::to_string(a.count) + " elements, more than can be read");
    }

    ElementRun elements(int viewIndex, std::size_t offset, std::size_t count, std::size_t elementSize,
                        const std::string& what) const
    {
        if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= model_.bufferViews.size())
            refuse(what + " names buffer view " + std::to_string(viewIndex) + ", which does not exist");
        const tinygltf::BufferView& view = model_.bufferViews[static_cast<std::size_t>(viewIndex)];
        if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= model_.buffers.size())
            refuse("buffer view " + std::to_string(viewIndex) + " names a buffer that does not exist");
        const std::vector<unsigned char>& data = model_.buffers[static_cast<std::size_t>(view.buffer)].data;
        if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset)
            refuse("buffer view " + std::to_string(viewIndex) + " reaches past the end of its buffer");
        const std::size_t stride = view.byteStride ? view.byteStride : elementSize;
        if (stride < elementSize)
            refuse("buffer view " + std::to_string(viewIndex) + " has a stride shorter than an element of " + what);
        if (count > 0) {
            const std::size_t available = view.byteLength;
            if (offset > available || elementSize > available - offset ||
                (count - 1) > (available - offset - elementSize) / stride)
                refuse(what + " reaches past the end of buffer view " + std::to_string(viewIndex));
        }
        return {data.data() + view.byteOffset + offset, stride};
    }

    bool sparseIncreasing(const tinygltf::Accessor& a, const std::string& what) const
    {
        bool increasing = true;
        std::int64_t previous = -1;
        sparseIndices(a, what, [&](std::size_t, std::uint32_t i) {
            increasing = increasing && static_cast<std::int64_t>(i) > previous;
            previous = i;
        });
        return increasing;
    }

    template <typename Fn>
    void sparseIndices(const tinygltf::Accessor& a, const std::string& what, Fn&& fn) const
    {
        const auto& s = a.sparse;
        if (s.count < 1 || static_cast<std::size_t>(s.count) > a.count)
            refuse(what + " has a sparse count of " + std::to_string(s.count) + " for " + std::to_string(a.count) +
                   " elements");
        const int type = s.indices.componentType;
        if (type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
            type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
            refuse(what + " has sparse indices that are not unsigned integers");
        if (s.indices.byteOffset < 0)
            refuse(what + " has a negative sparse index offset");
        const std::size_t n = static_cast<std::size_t>(s.count);
        const ElementRun run = elements(s.indices.bufferView, static_cast<std::size_t>(s.indices.byteOffset), n,
                                        componentSize(type), what + "'s sparse indices");
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint32_t i = readIndex(run.first + k * componentSize(type), type);
            if (i >= a.count)
                refuse(what + " has a sparse index " + std::to_string(i) + " past its " + std::to_string(a.count) +
                       " elements");
            fn(k, i);
        }
    }

    template <typename Fn>
    void forEachSparse(const tinygltf::Accessor& a, int components, const std::string& what, Fn&& fn) const
    {
        const auto& s = a.sparse;
        if (s.values.byteOffset < 0)
            refuse(what + " has a negative sparse value offset");
        const std::size_t size = componentSize(a.componentType);
        const std::size_t elementSize = size * static_cast<std::size_t>(components);
        const std::size_t n = static_cast<std::size_t>(std::max(s.count, 0));
        std::vector<std::uint32_t> at;
        at.reserve(n);
        sparseIndices(a, what, [&](std::size_t, std::uint32_t i) { at.push_back(i); });
        const ElementRun run = elements(s.values.bufferView, static_cast<std::size_t>(s.values.byteOffset), n,
                                        elementSize, what + "'s sparse values");
        float v[4];
        for (std::size_t k = 0; k < n; ++k) {
            for (int c = 0; c < components; ++c)
                v[c] = readComponent(run.first + k * elementSize + c * size, a.componentType, a.normalized);
            fn(at[k], v);
        }
    }

    const tinygltf::Model& model_;
    std::size_t maxCount_;
};

// ---- merging glTF vertices into face vertices ----

inline std::uint32_t keyBits(float f) { return valueKeyBits(f); }

inline std::uint64_t mix(std::uint64_t h, std::uint64_t v)
{
    h = (h ^ v) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

// Finds, for each key, the first element with an equal key: an open-addressing table over
// element numbers, given the elements' hashes and an equality test.
template <typename Equal>
std::vector<std::uint32_t> firstOfEach(const std::vector<std::uint64_t>& hashes, Equal&& equal,
                                       std::uint32_t& distinct)
{
    const std::size_t n = hashes.size();
    std::size_t capacity = 16;
    while (capacity < 2 * n)
        capacity *= 2;
    constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> table(capacity, kEmpty);  // element numbers
    std::vector<std::uint32_t> result(n);                // element -> number of its class
    distinct = 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t slot = hashes[i] & (capacity - 1);
        while (true) {
            const std::uint32_t other = table[slot];
            if (other == kEmpty) {
                table[slot] = static_cast<std::uint32_t>(i);
                result[i] = distinct++;
                break;
            }
            if (hashes[other] == hashes[i] && equal(other, i)) {
                result[i] = result[other];
                break;
            }
            slot = (slot + 1) & (capacity - 1);
        }
    }
    return result;
}

class Reader {
public:
    Reader(const tinygltf::Model& model, const GltfReadOptions& options)
        : model_(model), options_(options), accessors_(model, options.maxVertices)
    {
    }

    osg::ref_ptr<TarvFaceObject> read()
    {
        for (const std::string& required : model_.extensionsRequired)
            if (!supportedRequirement(required))
                refuse(requirementRefusal(required));
        face_ = new TarvFaceObject;
        std::vector<int> roots;
        int scene = model_.defaultScene;
        if (scene < 0 && !model_.scenes.empty())
            scene = 0;
        if (scene >= 0) {
            if (static_cast<std::size_t>(scene) >= model_.scenes.size())
                refuse("the default scene " + std::to_string(scene) + " does not exist");
            roots = model_.scenes[static_cast<std::size_t>(scene)].nodes;
        } else {
            // No scene at all: every node that is nobody's child.
            std::vector<bool> child(model_.nodes.size(), false);
            for (const tinygltf::Node& node : model_.nodes)
                for (const int c : node.children)
                    if (c >= 0 && static_cast<std::size_t>(c) < child.size())
                        child[static_cast<std::size_t>(c)] = true;
            for (std::size_t i = 0; i < child.size(); ++i)
                if (!child[i])
                    roots.push_back(static_cast<int>(i));
        }
        std::vector<bool> onPath(model_.nodes.size(), false);
        for (const int root : roots)
            visit(root, kGltfToFace, onPath);
        if (face_->geometries.empty())
            refuse("it holds no triangles");
        return face_;
    }

private:
    void visit(int index, const Mat4& parent, std::vector<bool>& onPath)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= model_.nodes.size())
            refuse("a scene names node " + std::to_string(index) + ", which does not exist");
        if (onPath[static_cast<std::size_t>(index)])
            refuse("node " + std::to_string(index) + " is its own ancestor");
        if (++nodeVisits_ > 100000)
            refuse("its nodes unfold into too many instances");
        const tinygltf::Node& node = model_.nodes[static_cast<std::size_t>(index)];
        const Mat4 world = multiply(parent, localMatrix(node));
        onPath[static_cast<std::size_t>(index)] = true;
        if (node.mesh >= 0) {
            if (static_cast<std::size_t>(node.mesh) >= model_.meshes.size())
                refuse("node " + std::to_string(index) + " names mesh " + std::to_string(node.mesh) +
                       ", which does not exist");
            // A skinned mesh is placed by its joints, not by its node: in the bind pose its
            // vertices are where the file stores them.
            addMesh(node.mesh, node.skin >= 0 ? kGltfToFace : world);
        }
        for (const int child : node.children)
            visit(child, world, onPath);
        onPath[static_cast<std::size_t>(index)] = false;
    }

    std::string morphName(const tinygltf::Mesh& mesh, std::size_t k) const
    {
        if (mesh.extras.Has("targetNames")) {
            const tinygltf::Value& names = mesh.extras.Get("targetNames");
            if (names.IsArray() && k < names.ArrayLen() && names.Get(static_cast<int>(k)).IsString())
                return names.Get(static_cast<int>(k)).Get<std::string>();
        }
        return "morph_" + std::to_string(k);
    }

    FaceMorph& morphNamed(const std::string& name)
    {
        auto found = morphIndex_.find(name);
        if (found == morphIndex_.end()) {
            osg::ref_ptr<FaceMorph> morph = new FaceMorph;
            morph->name = name;
            face_->morphs.push_back(morph);
            found = morphIndex_.emplace(name, face_->morphs.size() - 1).first;
        }
        return *face_->morphs[found->second];
    }

    std::string uniqueName(std::string name)
    {
        if (usedNames_.insert(name).second)
            return name;
        for (int n = 2;; ++n) {
            const std::string candidate = name + "_" + std::to_string(n);
            if (usedNames_.insert(candidate).second)
                return candidate;
        }
    }

    void addMesh(int meshIndex, const Mat4& world)
    {
        const tinygltf::Mesh& mesh = model_.meshes[static_cast<std::size_t>(meshIndex)];
        std::size_t targetCount = 0;
        for (const tinygltf::Primitive& p : mesh.primitives)
            targetCount = std::max(targetCount, p.targets.size());
        // Every target is a morph, even one that moves nothing here, so that its name is kept.
        std::vector<FaceMorph*> morphs;
        for (std::size_t k = 0; k < targetCount; ++k)
            morphs.push_back(&morphNamed(morphName(mesh, k)));
        const std::string meshName = mesh.name.empty() ? "mesh_" + std::to_string(meshIndex) : mesh.name;
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
            std::string name = meshName;
            if (mesh.primitives.size() > 1)
                name += "_" + std::to_string(p);
            const tinygltf::Value& extras = mesh.primitives[p].extras;
            if (extras.Has("name") && extras.Get("name").IsString())
                name = extras.Get("name").Get<std::string>();
            addPrimitive(mesh.primitives[p], "mesh \"" + meshName + "\" primitive " + std::to_string(p), name,
                         world, morphs);
        }
    }

    void addPrimitive(const tinygltf::Primitive& primitive, const std::string& what, const std::string& name,
                      const Mat4& world, const std::vector<FaceMorph*>& morphs)
    {
        const int mode = primitive.mode < 0 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
        if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
            mode != TINYGLTF_MODE_TRIANGLE_FAN)
            return;  // points and lines make no triangles
        const auto position = primitive.attributes.find("POSITION");
        if (position == primitive.attributes.end())
            return;
        const std::vector<float> local = accessors_.floats(position->second, 3, what + " POSITION");
        const std::size_t n = local.size() / 3;
        vertexBudget_ += n;
        if (vertexBudget_ > options_.maxVertices)
            refuse("its meshes unfold into more than " + std::to_string(options_.maxVertices) + " vertices");

        // Corners of the triangles, in glTF vertex numbers.
        std::vector<std::uint32_t> order;
        if (primitive.indices >= 0) {
            order = accessors_.indices(primitive.indices, what + " indices");
        } else {
            order.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                order[i] = static_cast<std::uint32_t>(i);
        }
        const bool mirrored = linearDeterminant(world) < 0;
        std::vector<std::uint32_t> corners;
        const auto triangle = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
            corners.push_back(a);
            corners.push_back(mirrored ? c : b);
            corners.push_back(mirrored ? b : c);
        };
        const std::size_t count = order.size();
        if (mode == TINYGLTF_MODE_TRIANGLES && !mirrored && count % 3 == 0) {
            corners = std::move(order);  // the usual case: the indices are the corners
        } else if (mode == TINYGLTF_MODE_TRIANGLES) {
            for (std::size_t t = 0; t + 3 <= count; t += 3)
                triangle(order[t], order[t + 1], order[t + 2]);
        } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
            for (std::size_t k = 0; k + 3 <= count; ++k) {
                if (k % 2 == 0)
                    triangle(order[k], order[k + 1], order[k + 2]);
                else
                    triangle(order[k], order[k + 2], order[k + 1]);
            }
        } else {
            for (std::size_t k = 1; k + 2 <= count; ++k)
                triangle(order[0], order[k], order[k + 1]);
        }

        std::vector<float> uv;
        const auto texcoord = primitive.attributes.find("TEXCOORD_0");
        if (texcoord != primitive.attributes.end()) {
            uv = accessors_.floats(texcoord->second, 2, what + " TEXCOORD_0");
            if (uv.size() / 2 != n)
                refuse(what + " has " + std::to_string(uv.size() / 2) + " texture coordinates for " +
                       std::to_string(n) + " vertices");
        }

        // Morph targets as moving vertices, transformed like the positions (without translation).
        struct Entry {
            std::uint32_t target;
            std::uint32_t vertex;
            osg::Vec3 offset;
        };
        std::vector<Entry> entries;
        for (std::size_t k = 0; k < primitive.targets.size(); ++k) {
            const auto found = primitive.targets[k].find("POSITION");
            if (found == primitive.targets[k].end())
                continue;
            accessors_.forEachNonZeroVec3(found->second, n, what + " target " + std::to_string(k),
                                          [&](std::uint32_t i, const float* v) {
                                              const osg::Vec3 offset = transformVector(world, v);
                                              if (offset != osg::Vec3())
                                                  entries.push_back({static_cast<std::uint32_t>(k), i, offset});
                                          });
        }

        // Vertices that agree in position and in every target are one face vertex.
        std::vector<osg::Vec3> positions(n);
        for (std::size_t i = 0; i < n; ++i)
            positions[i] = transformPoint(world, &local[i * 3]);
        std::vector<std::uint32_t> firstEntry(n + 1, 0);  // entries of vertex i, by target
        for (const Entry& e : entries)
            ++firstEntry[e.vertex + 1];
        for (std::size_t i = 0; i < n; ++i)
            firstEntry[i + 1] += firstEntry[i];
        std::vector<Entry> byVertex(entries.size());
        {
            std::vector<std::uint32_t> next(firstEntry.begin(), firstEntry.end() - 1);
            for (const Entry& e : entries)  // already in target order
                byVertex[next[e.vertex]++] = e;
        }
        std::vector<std::uint64_t> hashes(n);
        for (std::size_t i = 0; i < n; ++i) {
            std::uint64_t h = 0;
            for (int c = 0; c < 3; ++c)
                h = mix(h, keyBits(positions[i][c]));
            for (std::uint32_t e = firstEntry[i]; e < firstEntry[i + 1]; ++e) {
                h = mix(h, byVertex[e].target);
                for (int c = 0; c < 3; ++c)
                    h = mix(h, keyBits(byVertex[e].offset[c]));
            }
            hashes[i] = h;
        }
        const auto sameVec = [](const osg::Vec3& a, const osg::Vec3& b) {
            return keyBits(a[0]) == keyBits(b[0]) && keyBits(a[1]) == keyBits(b[1]) && keyBits(a[2]) == keyBits(b[2]);
        };
        std::uint32_t vertexCount = 0;
        const std::vector<std::uint32_t> vertexOf = firstOfEach(
            hashes,
            [&](std::uint32_t a, std::uint32_t b) {
                if (!sameVec(positions[a], positions[b]))
                    return false;
                if (firstEntry[a + 1] - firstEntry[a] != firstEntry[b + 1] - firstEntry[b])
                    return false;
                for (std::uint32_t ea = firstEntry[a], eb = firstEntry[b]; ea < firstEntry[a + 1]; ++ea, ++eb)
                    if (byVertex[ea].target != byVertex[eb].target || !sameVec(byVertex[ea].offset, byVertex[eb].offset))
                        return false;
                return true;
            },
            vertexCount);

        osg::ref_ptr<FaceGeom> geom = new FaceGeom;
        geom->name = uniqueName(name);
        geom->vertices->resize(vertexCount);
        for (std::size_t i = 0; i < n; ++i)
            (*geom->vertices)[vertexOf[i]] = positions[i];

        if (!uv.empty()) {
            std::vector<std::uint64_t> uvHashes(n);
            for (std::size_t i = 0; i < n; ++i) {
                uv[i * 2 + 1] = 1.0f - uv[i * 2 + 1];
                uvHashes[i] = mix(mix(0, keyBits(uv[i * 2])), keyBits(uv[i * 2 + 1]));
            }
            std::uint32_t uvCount = 0;
            const std::vector<std::uint32_t> uvOf = firstOfEach(
                uvHashes,
                [&](std::uint32_t a, std::uint32_t b) {
                    return keyBits(uv[a * 2]) == keyBits(uv[b * 2]) && keyBits(uv[a * 2 + 1]) == keyBits(uv[b * 2 + 1]);
                },
                uvCount);
            geom->texcoords->resize(uvCount);
            for (std::size_t i = 0; i < n; ++i)
                (*geom->texcoords)[uvOf[i]] = osg::Vec2(uv[i * 2], uv[i * 2 + 1]);
            geom->texIndices.resize(corners.size());
            for (std::size_t k = 0; k < corners.size(); ++k)
                geom->texIndices[k] = corners[k] < n ? uvOf[corners[k]] : corners[k];
        }
        for (std::uint32_t& c : corners)
            c = c < n ? vertexOf[c] : c;  // out of range: repaired later
        geom->vertexIndices = std::move(corners);

        // One target per morph that moves a vertex here; merged vertices move alike, so each
        // face vertex is entered once.
        std::vector<osg::ref_ptr<FaceTarget>> targets(morphs.size());
        std::vector<std::uint32_t> lastTarget(vertexCount, 0xFFFFFFFFu);
        for (const Entry& e : entries) {
            const std::uint32_t v = vertexOf[e.vertex];
            if (lastTarget[v] == e.target)
                continue;
            lastTarget[v] = e.target;
            osg::ref_ptr<FaceTarget>& target = targets[e.target];
            if (!target) {
                target = new FaceTarget;
                target->name = geom->name;
            }
            target->indices.push_back(v);
            target->offsets->push_back(e.offset);
        }
        for (std::size_t k = 0; k < targets.size(); ++k)
            if (targets[k])
                morphs[k]->targets.push_back(targets[k]);

        if (primitive.extras.Has("neckVertices")) {
            const tinygltf::Value& neck = primitive.extras.Get("neckVertices");
            std::vector<bool> seen(vertexCount, false);
            for (std::size_t k = 0; k < neck.ArrayLen(); ++k) {
                const tinygltf::Value& value = neck.Get(static_cast<int>(k));
                if (!value.IsNumber())
                    continue;
                const double i = value.GetNumberAsDouble();
                if (i >= 0 && i < static_cast<double>(n) && !seen[vertexOf[static_cast<std::size_t>(i)]]) {
                    seen[vertexOf[static_cast<std::size_t>(i)]] = true;
                    geom->clampIndices.push_back(vertexOf[static_cast<std::size_t>(i)]);
                }
            }
        }

        applyMaterial(primitive.material, *geom, what);
        face_->geometries.push_back(geom);
    }

    void applyMaterial(int index, FaceGeom& geom, const std::string& what)
    {
        if (index < 0)
            return;
        if (static_cast<std::size_t>(index) >= model_.materials.size())
            refuse(what + " names material " + std::to_string(index) + ", which does not exist");
        const tinygltf::Material& material = model_.materials[static_cast<std::size_t>(index)];
        const std::vector<double>& base = material.pbrMetallicRoughness.baseColorFactor;
        if (base.size() == 4)
            geom.diffuse.set(static_cast<float>(base[0]), static_cast<float>(base[1]), static_cast<float>(base[2]),
                             static_cast<float>(base[3]));
        const auto specular = material.extensions.find("KHR_materials_specular");
        if (specular != material.extensions.end() && specular->second.Has("specularColorFactor")) {
            const tinygltf::Value& color = specular->second.Get("specularColorFactor");
            if (color.IsArray() && color.ArrayLen() == 3) {
                for (int c = 0; c < 3; ++c)
                    if (color.Get(c).IsNumber())
                        geom.specular[c] = static_cast<float>(color.Get(c).GetNumberAsDouble());
                geom.specular[3] = 1.0f;
            }
        }
        const int texture = material.pbrMetallicRoughness.baseColorTexture.index;
        if (texture >= 0 && static_cast<std::size_t>(texture) < model_.textures.size()) {
            const int source = model_.textures[static_cast<std::size_t>(texture)].source;
            if (source >= 0 && static_cast<std::size_t>(source) < model_.images.size())
                geom.texture = imageFile(static_cast<std::size_t>(source));
        }
    }

    // The file name a geometry uses for image `index`: the URI of an image file, or the file
    // that keeps an embedded image.
    std::string imageFile(std::size_t index)
    {
        const auto known = imageFiles_.find(index);
        if (known != imageFiles_.end())
            return known->second;
        const tinygltf::Image& image = model_.images[index];
        std::string file;
        if (!image.uri.empty()) {
            file = decodeUri(image.uri);
        } else {
            std::span<const std::uint8_t> bytes;
            if (image.bufferView >= 0) {
                const tinygltf::BufferView& view = model_.bufferViews[static_cast<std::size_t>(image.bufferView)];
                if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= model_.buffers.size())
                    refuse("image " + std::to_string(index) + " names a buffer that does not exist");
                const std::vector<unsigned char>& data = model_.buffers[static_cast<std::size_t>(view.buffer)].data;
                if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset)
                    refuse("image " + std::to_string(index) + " reaches past the end of its buffer");
                bytes = std::span<const std::uint8_t>(data.data() + view.byteOffset, view.byteLength);
            } else {
                bytes = image.image;
            }
            if (!bytes.empty() && options_.embeddedImages) {
                const std::string name = image.name.empty() ? "image" + std::to_string(index) : image.name;
                file = storeEmbeddedImage(bytes, name, image.mimeType).string();
            }
        }
        imageFiles_.emplace(index, file);
        return file;
    }

    const tinygltf::Model& model_;
    const GltfReadOptions& options_;
    Accessors accessors_;
    osg::ref_ptr<TarvFaceObject> face_;
    std::map<std::string, std::size_t> morphIndex_;
    std::set<std::string> usedNames_;
    std::map<std::size_t, std::string> imageFiles_;
    std::size_t nodeVisits_ = 0;
    std::size_t vertexBudget_ = 0;
};

}  // namespace

osg::ref_ptr<TarvFaceObject> readGltfBytes(std::span<const std::uint8_t> bytes, const std::filesystem::path& baseDir,
                                           const GltfReadOptions& options, RepairReport* report, std::string* failure)
{
    std::string why;
    osg::ref_ptr<TarvFaceObject> face;
    try {
        if (bytes.size() > 0xFFFFFFF0u)
            refuse("it is larger than 4 GB");
        tinygltf::TinyGLTF loader;
        bool external = options.externalFiles;
        loader.SetFsCallbacks({&fileExists, &expandNothing, &readWholeFile, &writeNothing, &external});
        loader.SetImageLoader(&keepImageBytes, nullptr);
        tinygltf::Model model;
        std::string error;
        std::string warning;
        const bool binary = bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0;
        std::string base = baseDir.string();
        const bool loaded =
            binary ? loader.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(),
                                                 static_cast<unsigned int>(bytes.size()), base)
                   : loader.LoadASCIIFromString(&model, &error, &warning, reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<unsigned int>(bytes.size()), base);
        if (!loaded) {
            const std::string requirement = unsupportedRequirement(bytes, binary);
            if (!requirement.empty())
                refuse(requirement);
            if (!binary && !nlohmann::json::accept(jsonText(bytes, binary)))
                refuse("it is neither binary glTF nor glTF JSON");
            refuse(error.empty() ? "it is not a glTF 2.0 file" : firstLine(error));
        }
        face = Reader(model, options).read();
    } catch (const Malformed& e) {
        why = e.what();
    } catch (const std::bad_alloc&) {
        why = "it does not fit in memory";
    } catch (const std::exception& e) {
        why = std::string("it is malformed (") + e.what() + ")";
    }
    if (!face) {
        if (failure)
            *failure = printable(why);
        return nullptr;
    }
    RepairReport repairs = repairFace(*face);
    if (report)
        report->changes.insert(report->changes.end(), repairs.changes.begin(), repairs.changes.end());
    return face;
}

osg::ref_ptr<TarvFaceObject> readGltfFile(const std::filesystem::path& path, RepairReport* report, std::string* failure)
{
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(path, error);
    const std::uintmax_t fileSize = regular ? std::filesystem::file_size(path, error) : 0;
    if (!regular || error || fileSize > 0xFFFFFFF0u) {
        if (failure)
            *failure = !regular || error ? "the file cannot be read" : "it is larger than 4 GB";
        return nullptr;
    }
    const auto size = static_cast<std::streamoff>(fileSize);
    std::ifstream in(path, std::ios::binary);
    std::unique_ptr<std::uint8_t[]> bytes;
    try {
        bytes = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        if (failure)
            *failure = "it does not fit in memory";
        return nullptr;
    }
    if (in && size > 0)
        in.read(reinterpret_cast<char*>(bytes.get()), size);
    if (!in) {
        if (failure)
            *failure = "the file cannot be read";
        return nullptr;
    }
    std::filesystem::path baseDir = path.parent_path();
    if (baseDir.empty())
        baseDir = ".";
    return readGltfBytes(std::span(bytes.get(), static_cast<std::size_t>(size)), baseDir, {}, report, failure);
}

}  // namespace mw
