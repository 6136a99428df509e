#pragma once
// Undo and redo. Every operation that changes what would be saved becomes one named step: the
// face's data and the head placement are remembered before and after it, so undoing or redoing
// puts back exactly the face the user saw. Stored copies are shared between neighbouring
// states wherever a geometry or morph did not change, so a turn or a drag costs almost no
// memory and a morph edit costs one morph. The history belongs to the document (ViewState);
// the window only shows it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

struct ViewState;
struct FaceSnapshot;  // defined beside the operations

// Steps are dropped, oldest first, once the stored copies take more than this.
inline constexpr std::size_t kDefaultHistoryLimit = std::size_t{256} << 20;

struct HistoryStep {
    std::string name;
    std::shared_ptr<const FaceSnapshot> before;
    std::shared_ptr<const FaceSnapshot> after;
    std::uint64_t beforeId = 0;  // the document states the step leads from and to
    std::uint64_t afterId = 0;
    bool wasModified = false;  // the modified flag when the step began
};

struct FaceHistory {
    std::deque<HistoryStep> undo;   // oldest first
    std::vector<HistoryStep> redo;  // the step undone last is at the back
    // A step begun and not yet ended (a drag between press and release).
    std::unique_ptr<HistoryStep> open;
    // The snapshot that matches the face most recently; new snapshots share its unchanged parts.
    std::shared_ptr<const FaceSnapshot> latest;
    std::uint64_t currentId = 0;  // the state the document is in
    std::uint64_t savedId = 0;    // the state the file on disk holds
    std::uint64_t nextId = 1;
    std::size_t limitBytes = kDefaultHistoryLimit;
    // Bytes held by every stored copy still alive; each copy takes its size off when it goes.
    std::shared_ptr<std::size_t> bytes = std::make_shared<std::size_t>(0);
};

// Starts the step `name` just before an operation that may change the face or the head
// placement. Ends a step still open first. Nothing without a face.
void beginUndoStep(ViewState& state, std::string_view name);

// Ends the step begun last. A step whose operation changed nothing is dropped (a click without
// a drag) and the modified flag goes back to what it was; otherwise the step becomes the newest,
// the redo steps are discarded and the face counts as modified. Returns true when a step was kept.
bool endUndoStep(ViewState& state);

// Begins a step on construction and ends it on destruction, around one operation.
class UndoStep {
public:
    UndoStep(ViewState& state, std::string_view name) : state_(state) { beginUndoStep(state_, name); }
    ~UndoStep() { endUndoStep(state_); }
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

private:
    ViewState& state_;
};

bool canUndo(const ViewState& state);
bool canRedo(const ViewState& state);
// The name of the step Undo or Redo would take back or do again; empty when there is none.
std::string_view undoName(const ViewState& state);
std::string_view redoName(const ViewState& state);

// Puts the face and head placement back as they were before the newest step (after the step
// undone last). The face and its node stay the same objects and only what differs is redone;
// morph weights, hidden geometries and the displayed geometry stay where they still exist; the
// camera and a loaded comparison face are left as they are. The face is unmodified exactly
// when it is back in the state last saved.
bool undo(ViewState& state);
bool redo(ViewState& state);

// Records that the current state is what the file holds (after a successful save).
void markSaved(ViewState& state);

// Forgets every step (a face was loaded or closed).
void clearHistory(ViewState& state);

// The memory bound; steps beyond it are dropped at once, oldest first. The newest step is
// always kept, however large.
void setHistoryLimit(ViewState& state, std::size_t bytes);

// Bytes held by the stored copies.
std::size_t historyBytes(const ViewState& state);

}  // namespace mw
