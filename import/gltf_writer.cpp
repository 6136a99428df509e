#include "import/gltf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>
#include <osg/Image>
#include <osgDB/FileNameUtils>
#include <osgDB/ReadFile>
#include <osgDB/Registry>
#include <tiny_gltf.h>

#include "model/corner_normals.h"
#include "import/embedded_images.h"
#include "model/atomic_file.h"
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

bool writeBytes(const std::filesystem::path& path, std::string_view bytes)
{
    return replaceFileAtomically(path, [&](const ChunkWriter& write) {
        constexpr std::size_t kChunk = 1u << 20;
        for (std::size_t at = 0; at < bytes.size(); at += kChunk)
            if (!write(bytes.substr(at, kChunk)))
                return false;
        return true;
    });
}

// Images are written by this code, never by the library.
bool noImageWriter(const std::string*, const std::string*, const tinygltf::Image*, bool, std::string*, void*)
{
    return false;
}

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

    int addAccessor(tinygltf::Accessor accessor)
    {
        model_.accessors.push_back(std::move(accessor));
        return static_cast<int>(model_.accessors.size() - 1);
    }

    int vec3Accessor(const std::vector<osg::Vec3>& values, bool bounds)
    {
        tinygltf::Accessor a;
        a.bufferView = addView(values.data(), values.size() * sizeof(osg::Vec3), TINYGLTF_TARGET_ARRAY_BUFFER);
        a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        a.type = TINYGLTF_TYPE_VEC3;
        a.count = values.size();
        if (bounds)
            setBounds(a, values.begin(), values.end(), false);
        return addAccessor(std::move(a));
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
        std::vector<std::uint32_t> indices;
        indices.reserve(vi.size());
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
            for (std::size_t c = first; c < first + 3; ++c)
                indices.push_back(slotOf(vi[c], hasUv ? g.texIndices[c] : kNone, static_cast<std::uint32_t>(c)));
        }
        if (indices.empty()) {
            report_.warnings.push_back("geometry \"" + g.name + "\" has no triangles and was left out");
            return false;
        }
        for (std::uint32_t v = 0; v < nv; ++v)
            if (firstSlot[v] == kNone)
                slotOf(v, kNone, kNone);
        const std::size_t count = slotTex.size();

        const osg::ref_ptr<osg::Vec3Array> cornerNormals = computeCornerNormals(g);
        std::vector<osg::Vec3> positions(count), normals(count);
        for (std::size_t s = 0; s < count; ++s) {
            positions[s] = toGltf(vertices[slotVertex[s]]);
            osg::Vec3 n = slotCorner[s] == kNone ? osg::Vec3() : toGltf((*cornerNormals)[slotCorner[s]]);
            const double length = std::sqrt(double(n.x()) * n.x() + double(n.y()) * n.y() + double(n.z()) * n.z());
            if (!(length > 1e-12) || !std::isfinite(length))
                n.set(0.0f, 1.0f, 0.0f);  // a degenerate spot: any unit normal will do
            else
                n = osg::Vec3(float(n.x() / length), float(n.y() / length), float(n.z() / length));
            normals[s] = n;
        }
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.attributes["POSITION"] = vec3Accessor(positions, true);
        primitive.attributes["NORMAL"] = vec3Accessor(normals, false);
        if (hasUv) {
            std::vector<float> uv(count * 2);
            for (std::size_t s = 0; s < count; ++s) {
                const osg::Vec2 t = slotTex[s] == kNone ? osg::Vec2() : (*g.texcoords)[slotTex[s]];
                uv[s * 2] = t.x();
                uv[s * 2 + 1] = 1.0f - t.y();
            }
            tinygltf::Accessor a;
            a.bufferView = addView(uv.data(), uv.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
            a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
            a.type = TINYGLTF_TYPE_VEC2;
            a.count = count;
            primitive.attributes["TEXCOORD_0"] = addAccessor(std::move(a));
        }
        {
            tinygltf::Accessor a;
            a.type = TINYGLTF_TYPE_SCALAR;
            a.count = indices.size();
            if (count < 0xFFFF) {
                std::vector<std::uint16_t> small(indices.begin(), indices.end());
                a.bufferView = addView(small.data(), small.size() * 2, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
                a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
            } else {
                a.bufferView = addView(indices.data(), indices.size() * 4, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
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
        std::vector<osg::Vec3> sum(count);
        std::vector<bool> touched(count, false);
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
                    if (!writeBytes(beside, bytes)) {
                        report_.failure = "cannot write the texture " + beside.string();
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

    bool serialize()
    {
        tinygltf::TinyGLTF gltf;
        gltf.SetImageWriter(&noImageWriter, nullptr);
        std::vector<unsigned char> bin;
        if (!binary_)
            bin.swap(data());  // written as a .bin file of its own, not as a data URI
        std::ostringstream out;
        if (!gltf.WriteGltfSceneToStream(&model_, out, !binary_, binary_)) {
            report_.failure = "the glTF data could not be put together";
            return false;
        }
        if (binary_) {
            if (!writeBytes(path_, out.view())) {
                report_.failure = "cannot write " + path_.string();
                return false;
            }
            return true;
        }
        nlohmann::json json = nlohmann::json::parse(out.view());
        const std::string binName = path_.stem().string() + ".bin";
        json["buffers"][0] = {{"byteLength", bin.size()}, {"uri", encodeUri(binName)}};
        const std::filesystem::path binPath = path_.parent_path() / binName;
        if (!writeBytes(binPath, std::string_view(reinterpret_cast<const char*>(bin.data()), bin.size()))) {
            report_.failure = "cannot write " + binPath.string();
            return false;
        }
        if (!writeBytes(path_, json.dump(2) + "\n")) {
            report_.failure = "cannot write " + path_.string();
            return false;
        }
        return true;
    }

    const std::filesystem::path& path_;
    const TarvFaceObject& face_;
    const std::filesystem::path& textureDir_;
    GltfWriteReport& report_;
    const bool binary_;
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
