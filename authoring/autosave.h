#pragma once
// Keeping unsaved work through a crash, a killed process or a power cut. While a face has
// unsaved changes the editor writes a copy of it, with a small record of where it came from,
// into the user's state folder; the copy goes once the work is saved, discarded or the editor
// ends cleanly. Each running editor holds a kernel lock on a lock file of its own for its whole
// life: the kernel drops the lock when the process dies however it dies, so an autosave whose
// lock can be taken belongs to an editor that no longer runs, and taking that lock claims it,
// so two editors never recover the same work.

#include <chrono>
#include <cstdint>
#include <span>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <osg/ref_ptr>

#include "model/face.h"

namespace mw {

struct Document;
struct DocumentSession;

// `$XDG_STATE_HOME/mienwright/autosave` (an XDG_STATE_HOME that is not absolute is ignored), else
// `$HOME/.local/state/mienwright/autosave`; empty when neither variable is set. Not created here.
std::filesystem::path autosaveFolder();

// An exclusive flock() on a file, released when the object goes (and by the kernel when the
// process dies).
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the file when missing and locks it without waiting; nothing when another holder
    // (this or another process) has it.
    static std::optional<FileLock> tryLock(const std::filesystem::path& path);
    const std::filesystem::path& path() const { return path_; }

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

// Where an autosaved face came from.
struct AutosaveRecord {
    std::filesystem::path original;  // the user's file
    std::string format;              // its format, from its extension ("tvf", "glb", …)
    std::string time;                // when the copy was written, UTC, ISO 8601
};

// The record as stored, and back; nothing for text that is not a complete record.
std::string formatAutosaveRecord(const AutosaveRecord& record);
std::optional<AutosaveRecord> parseAutosaveRecord(const std::string& text);

// The files of one editor's autosave in `folder`: ID.lock, ID.json (the record), ID.tvf (the
// face) and ID_*.png/jpg (textures that came embedded in the user's file).
struct AutosaveFiles {
    std::filesystem::path folder;
    std::string id;
    std::filesystem::path lock() const { return folder / (id + ".lock"); }
    std::filesystem::path record() const { return folder / (id + ".json"); }
    std::filesystem::path face() const { return folder / (id + ".tvf"); }
};

// The autosave of the running editor: created with its lock, which it keeps until it goes.
class Autosave {
public:
    // Creates `folder` (for the user only) and claims a new id in it; nothing when the folder
    // cannot be made or locked.
    static std::optional<Autosave> create(const std::filesystem::path& folder);

    const AutosaveFiles& files() const { return files_; }

    // Writes `face` (a copy nobody else touches; safe on any thread) as a face file, the way
    // every save writes (writeDocument), and then its record, each atomically. Refuses to write over `original` itself. False, with `failure` set,
    // when nothing new was stored.
    bool write(TarvFaceObject& face, const std::filesystem::path& original, std::string* failure = nullptr) const;
    // Removes the face, its textures and the record; the lock stays.
    void remove() const;
    // True while a face and its record are stored.
    bool exists() const;

private:
    AutosaveFiles files_;
    FileLock lock_;
};

// The autosave of an editor that no longer runs, claimed by this one through its lock.
struct OrphanedAutosave {
    AutosaveFiles files;
    AutosaveRecord record;
    FileLock lock;
};

// Claims every autosave in `folder` whose editor is gone, newest first. Leftovers of such
// editors that hold no recoverable face (a lock file alone, a record without its face) are
// removed on the way.
std::vector<OrphanedAutosave> claimOrphanedAutosaves(const std::filesystem::path& folder);

// Reads the face of an orphaned autosave. Textures that were stored beside it become private
// embedded images again, so saving the face writes them beside the user's file.
osg::ref_ptr<TarvFaceObject> readAutosavedFace(const OrphanedAutosave& orphan);

// The question asked for each orphaned autosave at start-up.
std::string recoveryQuestion(const AutosaveRecord& record);

// Opens the face of an orphaned autosave as unsaved work under its original file name, after
// asking whether the current face may be put aside. A copy that cannot be read is said.
// True when it was opened.
bool recoverAutosave(DocumentSession& session, const OrphanedAutosave& orphan);

// Removes an autosave's face, textures, record and lock file.
void removeAutosaveFiles(const AutosaveFiles& files);

// A copy of the document's face as the user sees it, the head placement included, sharing
// nothing with it. Nothing without a face.
osg::ref_ptr<TarvFaceObject> autosaveCopy(const Document& doc);

// When autosaves happen. The interval is every how long unsaved work is written at the latest;
// the delay after a change and the least spacing of two writes keep their proportion to it
// (5 s and 30 s of the default 2 minutes), so a short interval in tests shortens them alike.
struct AutosaveTiming {
    using Duration = std::chrono::milliseconds;
    Duration interval{120'000};
    Duration afterChange{5'000};
    Duration minimumSpacing{30'000};

    // The timing for an interval of `seconds` (the default for 0 or less; a day at most).
    static AutosaveTiming forInterval(int seconds);
    // From MIENWRIGHT_AUTOSAVE_SECONDS when it holds a positive whole number.
    static AutosaveTiming fromEnvironment();
};

// The moments the rule looks at, on one steady clock.
struct AutosaveClock {
    using TimePoint = std::chrono::steady_clock::time_point;
    std::optional<TimePoint> pendingSince;  // the first change the stored copy lacks; none: up to date
    TimePoint lastChange{};                 // the newest change
    std::optional<TimePoint> lastWrite;     // the last copy written
};

// When the next copy is due: a moment after the last change, but within one interval of the
// first change not yet stored, and never sooner than the least spacing after the last write.
// Nothing when the stored copy is up to date.
std::optional<AutosaveClock::TimePoint> nextAutosaveDue(const AutosaveClock& clock, const AutosaveTiming& timing);

}  // namespace mw
