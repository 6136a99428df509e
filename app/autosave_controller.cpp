#include "app/autosave_controller.h"

#include <cstdio>

#include "app/document_controller.h"
#include "authoring/document_lifecycle.h"

namespace mw {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

AutosaveController::AutosaveController(DocumentHost& host, const std::filesystem::path& folder,
                                       const AutosaveTiming& timing, QObject* parent)
    : QObject(parent), host_(host), work_(host.documentWindow()), timing_(timing), autosave_(Autosave::create(folder))
{
    if (!autosave_)
        std::fprintf(stderr, "mienwright: unsaved work cannot be autosaved: no usable folder %s\n",
                     folder.string().c_str());
    due_.setSingleShot(true);
    connect(&due_, &QTimer::timeout, this, &AutosaveController::writeNow);
    // Changes that reach the face without a command refresh are seen within one interval.
    watch_.setInterval(static_cast<int>(timing_.interval.count()));
    connect(&watch_, &QTimer::timeout, this, &AutosaveController::noticeChanges);
    watch_.start();
}

AutosaveController::AutosaveController(DocumentHost& host, QObject* parent)
    : AutosaveController(host, autosaveFolder(), AutosaveTiming::fromEnvironment(), parent)
{
}

AutosaveController::~AutosaveController()
{
    waitForWriter();
    if (autosave_)
        removeAutosaveFiles(autosave_->files());
}

bool AutosaveController::documentModified() const { return isModified(host_.document()); }

AutosaveController::Mark AutosaveController::currentMark() const
{
    const Document& doc = host_.document();
    return {doc.face.get(), doc.history.currentId, isModified(doc)};
}

void AutosaveController::noticeChanges()
{
    if (!autosave_)
        return;
    const Mark mark = currentMark();
    if (!mark.modified) {
        // Nothing unsaved: no copy is wanted (saved, discarded, undone to the saved state).
        seen_ = mark;
        removeCopy();
        return;
    }
    if (mark == seen_)
        return;
    seen_ = mark;
    const Clock::time_point now = Clock::now();
    clock_.lastChange = now;
    if (!clock_.pendingSince)
        clock_.pendingSince = now;
    schedule();
}

void AutosaveController::schedule()
{
    if (writing_)
        return;  // rescheduled once the write in progress is done
    const std::optional<Clock::time_point> due = nextAutosaveDue(clock_, timing_);
    if (!due) {
        due_.stop();
        return;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*due - Clock::now());
    due_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0)));
}

void AutosaveController::writeNow()
{
    if (!autosave_ || writing_ || !documentModified())
        return;
    // The copy is taken here, on the GUI thread, so the writer shares nothing with the view.
    osg::ref_ptr<TarvFaceObject> copy = autosaveCopy(host_.document());
    if (!copy)
        return;
    const std::filesystem::path original = host_.document().fileName;
    clock_.pendingSince.reset();
    clock_.lastWrite = Clock::now();
    writing_ = true;
    stored_ = true;
    waitForWriter();
    writer_ = std::thread([this, copy, original] {
        std::string failure;
        const bool written = autosave_->write(*copy, original, &failure);
        if (!written)
            std::fprintf(stderr, "mienwright: autosave of %s failed: %s\n", original.string().c_str(), failure.c_str());
        // Queued to the GUI thread; dropped if the controller is gone by then.
        QMetaObject::invokeMethod(this, [this, written] { writeFinished(written); }, Qt::QueuedConnection);
    });
}

void AutosaveController::writeFinished(bool written)
{
    waitForWriter();
    writing_ = false;
    if (!written && !clock_.pendingSince)
        clock_.pendingSince = clock_.lastChange;  // tried again one spacing later
    // The face may have been saved or changed while the copy was written.
    if (!currentMark().modified)
        removeCopy();
    else
        schedule();
}

void AutosaveController::waitForWriter()
{
    if (writer_.joinable())
        writer_.join();
}

void AutosaveController::removeCopy()
{
    due_.stop();
    clock_.pendingSince.reset();
    if (writing_)
        return;  // removed when the write in progress is done
    waitForWriter();
    if (autosave_ && stored_)
        autosave_->remove();
    stored_ = false;
}

bool AutosaveController::offerRecovery()
{
    if (!autosave_)
        return false;
    std::vector<OrphanedAutosave> orphans = claimOrphanedAutosaves(autosave_->files().folder);
    for (OrphanedAutosave& orphan : orphans) {
        if (!host_.documentPrompt().question(recoveryQuestion(orphan.record))) {
            removeAutosaveFiles(orphan.files);
            continue;
        }
        DocumentSession session{host_.document(), host_.documentPrompt(), work_};
        if (!recoverAutosave(session, orphan))
            return false;  // kept for the next start
        // The work is this editor's now: its own copy first, then the old one goes.
        waitForWriter();
        const osg::ref_ptr<TarvFaceObject> copy = autosaveCopy(host_.document());
        stored_ = true;
        if (copy && autosave_->write(*copy, host_.document().fileName))
            removeAutosaveFiles(orphan.files);
        seen_ = currentMark();
        clock_.pendingSince.reset();
        clock_.lastWrite = Clock::now();
        emit faceRecovered();
        return true;
    }
    return false;
}

}  // namespace mw
