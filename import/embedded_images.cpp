#include "import/embedded_images.h"

#include <stdlib.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <vector>

#include "model/atomic_file.h"

namespace mw {
namespace {

// The private folder, made on first use and removed with everything in it at exit.
class ImageFolder {
public:
    ~ImageFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& path()
    {
        std::lock_guard lock(mutex_);
        if (path_.empty()) {
            std::error_code error;
            std::string pattern = (std::filesystem::temp_directory_path(error) / "mienwright-images-XXXXXX").string();
            if (!error && ::mkdtemp(pattern.data()))
                path_ = pattern;
        }
        return path_;
    }

    bool holds(const std::filesystem::path& file)
    {
        std::lock_guard lock(mutex_);
        return !path_.empty() && file.is_absolute() && file.parent_path() == path_;
    }

private:
    std::mutex mutex_;
    std::filesystem::path path_;
};

ImageFolder& imageFolder()
{
    static ImageFolder folder;
    return folder;
}

// Letters, digits, '-', '_' and '.' survive; anything else becomes '_'.
std::string cleanName(std::string_view name)
{
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    std::string clean;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.';
        clean += plain ? c : '_';
    }
    while (!clean.empty() && clean.front() == '.')
        clean.erase(clean.begin());
    if (clean.size() > 64)
        clean.resize(64);
    return clean.empty() ? std::string("image") : clean;
}

bool writeWhole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    return replaceFileAtomically(path, [&](const ChunkWriter& write) {
        return write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    });
}

}  // namespace

std::string_view imageKind(std::span<const std::uint8_t> bytes)
{
    static constexpr std::uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (bytes.size() >= sizeof png && std::equal(std::begin(png), std::end(png), bytes.begin()))
        return "PNG";
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return "JPEG";
    return {};
}

std::filesystem::path storeEmbeddedImage(std::span<const std::uint8_t> bytes, std::string_view name,
                                         std::string_view mimeType)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path& folder = imageFolder().path();
    if (folder.empty())
        return {};
    const std::string_view kind = imageKind(bytes);
    std::string extension = kind == "PNG" ? ".png" : kind == "JPEG" ? ".jpg" : "";
    if (extension.empty()) {
        if (mimeType == "image/png")
            extension = ".png";
        else if (mimeType == "image/jpeg")
            extension = ".jpg";
        else
            extension = ".img";
    }
    std::filesystem::path stem = cleanName(name);
    const std::string ext = stem.extension().string();
    if (ext == ".png" || ext == ".jpg" || ext == ".jpeg")
        stem.replace_extension();
    const std::filesystem::path file =
        folder / (std::to_string(counter++) + "-" + stem.string() + extension);
    if (!writeWhole(file, bytes))
        return {};
    return file;
}

bool isEmbeddedImage(const std::filesystem::path& path) { return imageFolder().holds(path); }

bool keepEmbeddedTextures(TarvFaceObject& face, const std::filesystem::path& faceFile, std::string* failure,
                          bool absoluteNames)
{
    std::map<std::string, std::string> copied;  // embedded file -> name beside the face
    std::set<std::string> taken;
    const std::filesystem::path folder = faceFile.parent_path();
    const std::string prefix = faceFile.stem().string() + "_";
    for (const osg::ref_ptr<FaceGeom>& geom : face.geometries) {
        if (!geom || geom->texture.empty() || !isEmbeddedImage(geom->texture))
            continue;
        auto known = copied.find(geom->texture);
        if (known == copied.end()) {
            // "<counter>-<name>" in the private folder becomes "<face>_<name>" beside the face.
            std::string name = std::filesystem::path(geom->texture).filename().string();
            name = name.substr(name.find('-') + 1);
            std::string beside = prefix + name;
            for (int n = 2; taken.count(beside); ++n)
                beside = prefix + std::filesystem::path(name).stem().string() + "_" + std::to_string(n) +
                         std::filesystem::path(name).extension().string();
            std::ifstream in(geom->texture, std::ios::binary);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.good() && !in.eof()) {
                if (failure)
                    *failure = "cannot read the embedded texture " + geom->texture;
                return false;
            }
            if (!writeWhole(folder / beside, bytes)) {
                if (failure)
                    *failure = "cannot write the texture " + (folder / beside).string();
                return false;
            }
            taken.insert(beside);
            known = copied.emplace(geom->texture, beside).first;
        }
        geom->texture = known->second;
        if (absoluteNames) {
            std::error_code error;
            const std::filesystem::path absolute = std::filesystem::absolute(folder / known->second, error);
            geom->texture = (error ? folder / known->second : absolute).lexically_normal().string();
        }
    }
    return true;
}

}  // namespace mw
