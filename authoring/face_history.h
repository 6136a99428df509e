#pragma once
// Undo and redo. Every operation that changes what would be saved becomes one named step: the
// face's data and the head placement are remembered before and after it, so undoing or redoing
// puts back exactly the face the user saw. Stored copies are shared between neighbouring
// states wherever a geometry or morph did not change, so a turn or a drag costs almost no
// memory and a morph edit costs one morph. The history belongs to the document (document.h);
// the window only shows it. Whether the face differs from its file is read from it alone.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mw {

struct Document;
struct FaceSnapshot;  // defined beside the operations

// Steps are dropped, oldest first, once the stored copies take more than this.
inline constexpr std::size_t kDefaultHistoryLimit = std::size_t{256} << 20;

struct HistoryStep {
    std::string name;
    std::shared_ptr<const FaceSnapshot> before;
    std::shared_ptr<const FaceSnapshot> after;
    std::uint64_t beforeId = 0;  // the document states the step leads from and to
    std::uint64_t afterId = 0;
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
void beginUndoStep(Document& doc, std::string_view name);

// Ends the step begun last. A step whose operation changed nothing is dropped (a click without
// a drag); otherwise the step becomes the newest, the redo steps are discarded and the face
// counts as modified. Returns true when a step was kept.
bool endUndoStep(Document& doc);

// Begins a step on construction and ends it on destruction, around one operation.
class UndoStep {
public:
    UndoStep(Document& doc, std::string_view name) : doc_(doc) { beginUndoStep(doc_, name); }
    ~UndoStep() { endUndoStep(doc_); }
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

private:
    Document& doc_;
};

bool canUndo(const Document& doc);
bool canRedo(const Document& doc);
// The name of the step Undo or Redo would take back or do again; empty when there is none.
std::string_view undoName(const Document& doc);
std::string_view redoName(const Document& doc);

// Puts the face and head placement back as they were before the newest step (after the step
// undone last). The face stays the same object and only the geometries and morphs that differ
// are replaced, which the document's changes record; morph weights stay where their morphs
// still exist; a loaded comparison face is left as it is. The face is unmodified exactly when
// it is back in the state last saved.
bool undo(Document& doc);
bool redo(Document& doc);

// Records that the current state is what the file holds (after a successful save).
void markSaved(Document& doc);
// Records that no state of the history is what the file holds (work recovered from elsewhere
// under the file's name), so the face counts as modified until it is saved.
void markUnsaved(Document& doc);

// Forgets every step (a face was loaded or closed).
void clearHistory(Document& doc);

// The memory bound; steps beyond it are dropped at once, oldest first. The newest step is
// always kept, however large.
void setHistoryLimit(Document& doc, std::size_t bytes);

// Bytes held by the stored copies.
std::size_t historyBytes(const Document& doc);

}  // namespace mw
