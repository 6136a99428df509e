#pragma once
// Autosave in the window: notices changes to the face, writes a copy when the autosave rule
// says it is due (authoring/autosave.h) and removes it once nothing is unsaved (Save, Save As,
// No at the modified question, Undo back to the saved state, a clean exit). The copy is taken
// on the GUI thread and written on a thread of its own, so the editor never waits on the disk.
// At start-up it offers the work of editors that did not end cleanly.

#include <memory>
#include <optional>
#include <thread>

#include <QObject>
#include <QTimer>

#include "app/background_work.h"
#include "authoring/autosave.h"

namespace mw {

class DocumentHost;

class AutosaveController : public QObject {
    Q_OBJECT

public:
    // Autosaves into `folder` with `timing`; without an autosave folder nothing is kept.
    AutosaveController(DocumentHost& host, const std::filesystem::path& folder, const AutosaveTiming& timing,
                       QObject* parent = nullptr);
    // The user's autosave folder and MIENWRIGHT_AUTOSAVE_SECONDS.
    explicit AutosaveController(DocumentHost& host, QObject* parent = nullptr);
    // A clean exit: the copy and the lock file go.
    ~AutosaveController() override;

    // Looks at the document after anything may have changed it (cheap; call it often).
    void noticeChanges();
    // At start-up: asks, newest first, about each autosave whose editor no longer runs
    // (No deletes it) until one is recovered. True when one was.
    bool offerRecovery();

    // The running editor's autosave, while there is a folder for it.
    const Autosave* autosave() const { return autosave_ ? &*autosave_ : nullptr; }
    const AutosaveTiming& timing() const { return timing_; }

signals:
    // A recovered face is in the document; the window shows the document's changes.
    void faceRecovered();

private:
    struct Mark {
        const void* face = nullptr;
        std::uint64_t state = 0;
        bool modified = false;
        bool operator==(const Mark&) const = default;
    };
    Mark currentMark() const;
    bool documentModified() const;
    void schedule();
    void writeNow();
    void writeFinished(bool written);
    void waitForWriter();
    void removeCopy();

    DocumentHost& host_;
    mutable QtBackgroundWork work_;
    AutosaveTiming timing_;
    std::optional<Autosave> autosave_;
    AutosaveClock clock_;
    Mark seen_;
    QTimer due_;
    QTimer watch_;
    std::thread writer_;
    bool writing_ = false;
    bool stored_ = false;  // a copy may be on disk
};

}  // namespace mw
