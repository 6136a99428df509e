#include "authoring/autosave.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <system_error>

#include <nlohmann/json.hpp>

#include "authoring/document_lifecycle.h"
#include "authoring/document_writing.h"
#include "authoring/face_history.h"
#include "authoring/face_reading.h"
#include "authoring/view_document.h"
#include "import/embedded_images.h"
#include "model/atomic_file.h"
#include "model/face_copy.h"
#include "model/face_operations.h"

namespace mw {

namespace fs = std::filesystem;

namespace {

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return std::string(text, length);
}

std::string formatOf(const fs::path& original)
{
    std::string extension = original.extension().string();
    if (!extension.empty())
        extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string newId()
{
    std::random_device random;
    const auto bits = (static_cast<unsigned long long>(random()) << 32) ^ random();
    char hex[17];
    const auto end = std::to_chars(hex, hex + 16, bits, 16).ptr;
    return std::to_string(::getpid()) + "-" + std::string(hex, end);
}

// The textures written beside an autosaved face: its id, an underscore, the image's name.
bool isTextureOf(const fs::path& file, const std::string& id)
{
    const std::string name = file.filename().string();
    return name.size() > id.size() + 1 && name.compare(0, id.size() + 1, id + "_") == 0;
}

std::vector<char> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Removes the record first: without it nothing counts as recoverable, whatever is left.
void removeStoredFace(const AutosaveFiles& files)
{
    std::error_code error;
    fs::remove(files.record(), error);
    fs::remove(files.face(), error);
    for (const auto& entry : fs::directory_iterator(files.folder, error))
        if (isTextureOf(entry.path(), files.id))
            fs::remove(entry.path(), error);
}

}  // namespace

fs::path autosaveFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state && fs::path(state).is_absolute())
        return fs::path(state) / "mienwright" / "autosave";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return fs::path(home) / ".local" / "state" / "mienwright" / "autosave";
    return {};
}

// --- FileLock ---------------------------------------------------------------------------

FileLock::~FileLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

std::optional<FileLock> FileLock::tryLock(const fs::path& path)
{
    // A holder that gives its lock up may remove the file right after: a lock on a file that
    // no longer has this name protects nothing, so it is taken again on the file now named so.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return std::nullopt;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return std::nullopt;
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            FileLock lock;
            lock.fd_ = fd;
            lock.path_ = path;
            return lock;
        }
        ::close(fd);
    }
    return std::nullopt;
}

// --- Record -----------------------------------------------------------------------------

std::string formatAutosaveRecord(const AutosaveRecord& record)
{
    const nlohmann::json json = {
        {"original", record.original.string()}, {"format", record.format}, {"time", record.time}};
    return json.dump(2) + "\n";
}

std::optional<AutosaveRecord> parseAutosaveRecord(const std::string& text)
{
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    for (const char* key : {"original", "format", "time"})
        if (!json.contains(key) || !json[key].is_string())
            return std::nullopt;
    AutosaveRecord record{json["original"].get<std::string>(), json["format"].get<std::string>(),
                          json["time"].get<std::string>()};
    if (record.original.empty())
        return std::nullopt;
    return record;
}

// --- Autosave ---------------------------------------------------------------------------

std::optional<Autosave> Autosave::create(const fs::path& folder)
{
    if (folder.empty())
        return std::nullopt;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return std::nullopt;
    // Unsaved work is the user's alone.
    fs::permissions(folder, fs::perms::owner_all, error);
    for (int attempt = 0; attempt < 4; ++attempt) {
        Autosave autosave;
        autosave.files_ = {folder, newId()};
        if (fs::exists(autosave.files_.lock(), error))
            continue;
        if (auto lock = FileLock::tryLock(autosave.files_.lock())) {
            autosave.lock_ = std::move(*lock);
            return autosave;
        }
    }
    return std::nullopt;
}

bool Autosave::write(TarvFaceObject& face, const fs::path& original, std::string* failure) const
{
    std::error_code error;
    if (!original.empty() && fs::equivalent(original, files_.face(), error)) {
        if (failure)
            *failure = "The autosave would replace the face's own file.";
        return false;
    }
    // A document of its own around the copy: texture names resolve beside the user's file.
    Document copy;
    copy.face = &face;
    copy.fileName = original;
    const DocumentWrite written = writeDocument(copy, files_.face());
    if (!written.written) {
        if (failure)
            *failure = writeFailureReason(written);
        return false;
    }
    const std::string record = formatAutosaveRecord({original, formatOf(original), utcNow()});
    const bool recorded = replaceFileAtomically(
        files_.record(), [&](const ChunkWriter& write) { return write(record); }, error);
    if (!recorded && failure)
        *failure = error ? error.message() : "The autosave record could not be written.";
    return recorded;
}

void Autosave::remove() const { removeStoredFace(files_); }

bool Autosave::exists() const
{
    std::error_code error;
    return fs::exists(files_.record(), error) && fs::exists(files_.face(), error);
}

void removeAutosaveFiles(const AutosaveFiles& files)
{
    removeStoredFace(files);
    std::error_code error;
    fs::remove(files.lock(), error);
}

// --- Orphans ----------------------------------------------------------------------------

std::vector<OrphanedAutosave> claimOrphanedAutosaves(const fs::path& folder)
{
    std::vector<OrphanedAutosave> orphans;
    std::error_code error;
    std::set<std::string> ids;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const fs::path& path = entry.path();
        if (path.extension() == ".lock" || path.extension() == ".json")
            ids.insert(path.stem().string());
    }
    for (const std::string& id : ids) {
        AutosaveFiles files{folder, id};
        std::optional<FileLock> lock = FileLock::tryLock(files.lock());
        if (!lock)
            continue;  // its editor still runs
        std::ifstream in(files.record(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::optional<AutosaveRecord> record = parseAutosaveRecord(text);
        if (!record || !fs::exists(files.face(), error)) {
            removeAutosaveFiles(files);
            continue;
        }
        orphans.push_back({std::move(files), std::move(*record), std::move(*lock)});
    }
    std::sort(orphans.begin(), orphans.end(),
              [](const OrphanedAutosave& a, const OrphanedAutosave& b) { return a.record.time > b.record.time; });
    return orphans;
}

osg::ref_ptr<TarvFaceObject> readAutosavedFace(const OrphanedAutosave& orphan)
{
    RepairReport report;
    osg::ref_ptr<TarvFaceObject> face = readAnyFace(orphan.files.face(), report);
    if (!face)
        return face;
    for (const auto& geometry : face->geometries) {
        const fs::path texture = geometry->texture;
        if (texture.empty() || texture.is_absolute() || !isTextureOf(texture, orphan.files.id))
            continue;
        const std::vector<char> bytes = readBytes(orphan.files.folder / texture);
        if (bytes.empty())
            continue;
        const std::string name = texture.filename().string().substr(orphan.files.id.size() + 1);
        const fs::path stored = storeEmbeddedImage(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), name, "");
        if (!stored.empty())
            geometry->texture = stored.string();
    }
    return face;
}

std::string recoveryQuestion(const AutosaveRecord& record)
{
    return "Mienwright was not closed properly. Recover the unsaved changes to " +
           record.original.filename().string() + "?";
}

bool recoverAutosave(DocumentSession& session, const OrphanedAutosave& orphan)
{
    if (!maySetFaceAside(session))
        return false;
    const fs::path& original = orphan.record.original;
    FaceRead read = prepareFaceRead(original);
    session.work.run("Recovering " + original.string(), [&] { read.face = readAutosavedFace(orphan); });
    if (!read.face) {
        session.prompt.failure("The unsaved changes to " + original.filename().string() + " could not be read.");
        return false;
    }
    if (!installFaceRead(session.doc, read, session.prompt))
        return false;
    // Unsaved work under the user's file name: Save writes the user's file.
    markUnsaved(session.doc);
    return true;
}

osg::ref_ptr<TarvFaceObject> autosaveCopy(const Document& doc)
{
    if (!hasFace(doc))
        return {};
    osg::ref_ptr<TarvFaceObject> copy = copyFace(*doc.face);
    const osg::Matrixd matrix = doc.head.matrix();
    if (!matrix.isIdentity()) {
        for (const auto& geometry : copy->geometries)
            for (osg::Vec3& v : geometry->vertices->asVector())
                v = v * matrix;
        transformMorphOffsets(*copy, matrix);
    }
    return copy;
}

// --- Timing -----------------------------------------------------------------------------

AutosaveTiming AutosaveTiming::forInterval(int seconds)
{
    AutosaveTiming timing;
    if (seconds <= 0)
        return timing;
    // A day at most, so every wait fits the timers that run it.
    seconds = std::min(seconds, 86'400);
    const AutosaveTiming standard;
    timing.interval = std::chrono::seconds(seconds);
    timing.afterChange = timing.interval * standard.afterChange.count() / standard.interval.count();
    timing.minimumSpacing = timing.interval * standard.minimumSpacing.count() / standard.interval.count();
    return timing;
}

AutosaveTiming AutosaveTiming::fromEnvironment()
{
    const char* text = std::getenv("MIENWRIGHT_AUTOSAVE_SECONDS");
    int seconds = 0;
    if (text) {
        const char* end = text + std::char_traits<char>::length(text);
        const auto [last, error] = std::from_chars(text, end, seconds);
        if (error != std::errc() || last != end)
            seconds = 0;
    }
    return forInterval(seconds);
}

std::optional<AutosaveClock::TimePoint> nextAutosaveDue(const AutosaveClock& clock, const AutosaveTiming& timing)
{
    if (!clock.pendingSince)
        return std::nullopt;
    AutosaveClock::TimePoint due = std::min(clock.lastChange + timing.afterChange, *clock.pendingSince + timing.interval);
    if (clock.lastWrite)
        due = std::max(due, *clock.lastWrite + timing.minimumSpacing);
    return due;
}

}  // namespace mw
