#include "authoring/face_history.h"

#include <cstring>
#include <utility>

#include <osg/Matrixd>
#include <osg/Quat>
#include <osg/Vec3>

#include "authoring/view_operations.h"
#include "authoring/view_state.h"
#include "model/face_copy.h"

namespace mw {

namespace {

// A stored copy counts its bytes against the history's total for as long as it lives.
class StoredPart {
public:
    StoredPart(std::size_t bytes, std::shared_ptr<std::size_t> ledger) : bytes_(bytes), ledger_(std::move(ledger))
    {
        *ledger_ += bytes_;
    }
    ~StoredPart() { *ledger_ -= bytes_; }
    StoredPart(const StoredPart&) = delete;
    StoredPart& operator=(const StoredPart&) = delete;

private:
    std::size_t bytes_;
    std::shared_ptr<std::size_t> ledger_;
};

}  // namespace

// Copies that nobody changes once stored; neighbouring snapshots point at the same ones.
struct StoredGeometry : StoredPart {
    StoredGeometry(osg::ref_ptr<const FaceGeom> g, std::size_t bytes, std::shared_ptr<std::size_t> ledger)
        : StoredPart(bytes, std::move(ledger)), data(std::move(g)) {}
    osg::ref_ptr<const FaceGeom> data;
};

struct StoredMorph : StoredPart {
    StoredMorph(osg::ref_ptr<const FaceMorph> m, std::size_t bytes, std::shared_ptr<std::size_t> ledger)
        : StoredPart(bytes, std::move(ledger)), data(std::move(m)) {}
    osg::ref_ptr<const FaceMorph> data;
};

struct FaceSnapshot : StoredPart {
    FaceSnapshot(std::size_t geometryCount, std::size_t morphCount, std::shared_ptr<std::size_t> ledger)
        : StoredPart(sizeof(FaceSnapshot) + (geometryCount + morphCount) * sizeof(std::shared_ptr<const StoredPart>),
                     std::move(ledger))
    {
        geometries.reserve(geometryCount);
        morphs.reserve(morphCount);
    }
    std::vector<std::shared_ptr<const StoredGeometry>> geometries;
    std::vector<std::shared_ptr<const StoredMorph>> morphs;
    // The head placement: the transform's matrix and the edit handler's parts it is built from.
    osg::Matrixd head;
    float scale = 1.0f;
    osg::Vec3 translation;
    osg::Quat rotation;
};

namespace {

// Arrays are compared bit for bit: -0 and 0 are written differently, and NaN must equal itself.
template <class Array>
bool sameArray(const Array* a, const Array* b)
{
    const std::size_t na = a ? a->size() : 0;
    const std::size_t nb = b ? b->size() : 0;
    return na == nb && (na == 0 || std::memcmp(a->getDataPointer(), b->getDataPointer(), a->getTotalDataSize()) == 0);
}

bool sameBits(const osg::Vec4& a, const osg::Vec4& b)
{
    return std::memcmp(a.ptr(), b.ptr(), sizeof(float) * 4) == 0;
}

bool sameGeometry(const FaceGeom& a, const FaceGeom& b)
{
    return a.name == b.name && a.texture == b.texture && sameBits(a.diffuse, b.diffuse) &&
           sameBits(a.specular, b.specular) && a.vertexIndices == b.vertexIndices && a.texIndices == b.texIndices &&
           a.clampIndices == b.clampIndices && sameArray(a.vertices.get(), b.vertices.get()) &&
           sameArray(a.texcoords.get(), b.texcoords.get());
}

bool sameTarget(const FaceTarget& a, const FaceTarget& b)
{
    return a.name == b.name && a.indices == b.indices && sameArray(a.offsets.get(), b.offsets.get());
}

// Weights are not saved and do not count.
bool sameMorph(const FaceMorph& a, const FaceMorph& b)
{
    if (a.name != b.name || a.targets.size() != b.targets.size())
        return false;
    for (std::size_t i = 0; i < a.targets.size(); ++i) {
        const FaceTarget* ta = a.targets[i].get();
        const FaceTarget* tb = b.targets[i].get();
        if (ta != tb && (!ta || !tb || !sameTarget(*ta, *tb)))
            return false;
    }
    return true;
}

template <class Array>
std::size_t arrayBytes(const Array* array)
{
    return array ? array->getTotalDataSize() : 0;
}

std::size_t indexBytes(const IndexList& list)
{
    return list.size() * sizeof(IndexList::value_type);
}

std::size_t geometryBytes(const FaceGeom& g)
{
    return sizeof(FaceGeom) + g.name.size() + g.texture.size() + arrayBytes(g.vertices.get()) +
           arrayBytes(g.texcoords.get()) + indexBytes(g.vertexIndices) + indexBytes(g.texIndices) +
           indexBytes(g.clampIndices);
}

std::size_t morphBytes(const FaceMorph& m)
{
    std::size_t bytes = sizeof(FaceMorph) + m.name.size();
    for (const auto& target : m.targets)
        if (target)
            bytes += sizeof(FaceTarget) + target->name.size() + indexBytes(target->indices) +
                     arrayBytes(target->offsets.get());
    return bytes;
}

// The stored geometry equal to `live`: the one at the same position in `reference` when it
// still matches, otherwise a new copy.
std::shared_ptr<const StoredGeometry> storeGeometry(const FaceGeom& live, const FaceSnapshot* reference, std::size_t index,
                                                    const std::shared_ptr<std::size_t>& ledger)
{
    if (reference && index < reference->geometries.size() && sameGeometry(live, *reference->geometries[index]->data))
        return reference->geometries[index];
    return std::make_shared<const StoredGeometry>(copyGeometry(live), geometryBytes(live), ledger);
}

// Morphs may also have moved (one deleted or inserted before them); those are found by name.
std::shared_ptr<const StoredMorph> storeMorph(const FaceMorph& live, const FaceSnapshot* reference, std::size_t index,
                                              const std::shared_ptr<std::size_t>& ledger)
{
    if (reference) {
        const auto& stored = reference->morphs;
        if (index < stored.size() && sameMorph(live, *stored[index]->data))
            return stored[index];
        for (std::size_t i = 0; i < stored.size(); ++i)
            if (i != index && stored[i]->data->name == live.name && sameMorph(live, *stored[i]->data))
                return stored[i];
    }
    return std::make_shared<const StoredMorph>(copyMorph(live), morphBytes(live), ledger);
}

std::shared_ptr<const FaceSnapshot> capture(const ViewState& state, const FaceSnapshot* reference)
{
    const std::shared_ptr<std::size_t>& ledger = state.history.bytes;
    const TarvFaceObject& face = *state.face;
    auto snapshot = std::make_shared<FaceSnapshot>(face.geometries.size(), face.morphs.size(), ledger);
    for (std::size_t i = 0; i < face.geometries.size(); ++i) {
        static const osg::ref_ptr<FaceGeom> blank = new FaceGeom;
        const FaceGeom& g = face.geometries[i] ? *face.geometries[i] : *blank;
        snapshot->geometries.push_back(storeGeometry(g, reference, i, ledger));
    }
    for (std::size_t i = 0; i < face.morphs.size(); ++i) {
        static const osg::ref_ptr<FaceMorph> blank = new FaceMorph;
        const FaceMorph& m = face.morphs[i] ? *face.morphs[i] : *blank;
        snapshot->morphs.push_back(storeMorph(m, reference, i, ledger));
    }
    snapshot->head = state.scene.headTransform->getMatrix();
    // While a comparison face is loaded the edit handler places that face, not the head.
    if (!hasComparison(state)) {
        snapshot->scale = state.editHandler->scale;
        snapshot->translation = state.editHandler->translation;
        snapshot->rotation = state.editHandler->rotation;
    }
    return snapshot;
}

bool sameSnapshot(const FaceSnapshot& a, const FaceSnapshot& b)
{
    return a.geometries == b.geometries && a.morphs == b.morphs &&
           std::memcmp(a.head.ptr(), b.head.ptr(), sizeof(double) * 16) == 0;
}

// The weight a restored morph takes over from the face it replaces: the morph at the same
// position when the list kept its length or the name matches there, else the first of that name.
float carriedWeight(const TarvFaceObject& old, const TarvFaceRenderer& oldNode, const TarvFaceObject& face, std::size_t index)
{
    const std::string& name = face.morphs[index]->name;
    if (index < old.morphs.size() && old.morphs[index] &&
        (old.morphs.size() == face.morphs.size() || old.morphs[index]->name == name))
        return oldNode.getMorphWeight(static_cast<int>(index));
    for (std::size_t i = 0; i < old.morphs.size(); ++i)
        if (old.morphs[i] && old.morphs[i]->name == name)
            return oldNode.getMorphWeight(static_cast<int>(i));
    return 0.0f;
}

void restore(ViewState& state, const FaceSnapshot& snapshot)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    face->geometries.reserve(snapshot.geometries.size());
    for (const auto& stored : snapshot.geometries)
        face->geometries.push_back(copyGeometry(*stored->data));
    face->morphs.reserve(snapshot.morphs.size());
    for (const auto& stored : snapshot.morphs)
        face->morphs.push_back(copyMorph(*stored->data));

    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const TarvFaceRenderer& oldNode = *state.faceNode;
    const auto& oldRenderers = oldNode.renderers();
    const auto& renderers = node->renderers();
    for (std::size_t i = 0; i < renderers.size() && i < oldRenderers.size(); ++i)
        renderers[i]->setVisible(oldRenderers[i]->visible());
    if (!oldRenderers.empty())
        node->setDrawPath(oldRenderers.front()->drawPath());
    for (std::size_t i = 0; i < face->morphs.size(); ++i)
        if (const float weight = carriedWeight(*state.face, oldNode, *face, i); weight != 0.0f)
            node->setMorphWeight(static_cast<int>(i), weight);

    osg::MatrixTransform& head = *state.scene.headTransform;
    head.removeChild(state.faceNode.get());
    head.addChild(node.get());
    state.face = face;
    state.faceNode = node;

    if (!hasComparison(state)) {
        MienwrightHandler& handler = *state.editHandler;
        handler.scale = snapshot.scale;
        handler.translation = snapshot.translation;
        handler.rotation = snapshot.rotation;
        head.setMatrix(snapshot.head);
    } else if (!snapshot.head.isIdentity()) {
        // The comparison face owns the edit handler now and the head is drawn untransformed,
        // as it is saved: the placement goes into the face, as when the comparison was loaded.
        node->transformFace(snapshot.head);
        for (unsigned i = 0; i < face->geometries.size(); ++i)
            node->recomputeNormals(i);
        head.setMatrix(osg::Matrixd::identity());
    }

    // The selection box and markers follow the restored geometry, or disappear with it.
    if (state.scene.selectionBox && state.scene.selectionBox->hasBox) {
        const int displayed = state.scene.selectionBox->displayedIndex;
        const bool exists = displayed >= 0 && static_cast<std::size_t>(displayed) < face->geometries.size();
        showGeometrySelection(state, exists ? displayed : -1);
    }
}

void trim(FaceHistory& history)
{
    while (*history.bytes > history.limitBytes && history.undo.size() > 1)
        history.undo.pop_front();
}

}  // namespace

void beginUndoStep(ViewState& state, std::string_view name)
{
    FaceHistory& history = state.history;
    if (history.open)
        endUndoStep(state);
    if (!hasFace(state))
        return;
    auto step = std::make_unique<HistoryStep>();
    step->name = name;
    step->before = capture(state, history.latest.get());
    step->beforeId = history.currentId;
    history.latest = step->before;
    history.open = std::move(step);
}

bool endUndoStep(ViewState& state)
{
    FaceHistory& history = state.history;
    if (!history.open)
        return false;
    std::unique_ptr<HistoryStep> step = std::move(history.open);
    if (!hasFace(state))
        return false;
    step->after = capture(state, step->before.get());
    history.latest = step->after;
    if (sameSnapshot(*step->before, *step->after))
        return false;
    step->afterId = history.nextId++;
    history.currentId = step->afterId;
    history.undo.push_back(std::move(*step));
    history.redo.clear();
    state.modified = true;
    trim(history);
    return true;
}

bool canUndo(const ViewState& state)
{
    return !state.history.undo.empty() || state.history.open != nullptr;
}

bool canRedo(const ViewState& state)
{
    return !state.history.redo.empty();
}

std::string_view undoName(const ViewState& state)
{
    const FaceHistory& history = state.history;
    return history.undo.empty() ? std::string_view() : std::string_view(history.undo.back().name);
}

std::string_view redoName(const ViewState& state)
{
    const FaceHistory& history = state.history;
    return history.redo.empty() ? std::string_view() : std::string_view(history.redo.back().name);
}

bool undo(ViewState& state)
{
    FaceHistory& history = state.history;
    endUndoStep(state);
    if (history.undo.empty() || !hasFace(state))
        return false;
    HistoryStep step = std::move(history.undo.back());
    history.undo.pop_back();
    restore(state, *step.before);
    history.currentId = step.beforeId;
    history.latest = step.before;
    history.redo.push_back(std::move(step));
    state.modified = history.currentId != history.savedId;
    return true;
}

bool redo(ViewState& state)
{
    FaceHistory& history = state.history;
    endUndoStep(state);
    if (history.redo.empty() || !hasFace(state))
        return false;
    HistoryStep step = std::move(history.redo.back());
    history.redo.pop_back();
    restore(state, *step.after);
    history.currentId = step.afterId;
    history.latest = step.after;
    history.undo.push_back(std::move(step));
    state.modified = history.currentId != history.savedId;
    return true;
}

void markSaved(ViewState& state)
{
    state.history.savedId = state.history.currentId;
}

void clearHistory(ViewState& state)
{
    FaceHistory& history = state.history;
    history.open.reset();
    history.undo.clear();
    history.redo.clear();
    history.latest.reset();
    history.currentId = history.nextId++;
    // A face that is modified when the history starts can never be undone back to its file.
    history.savedId = state.modified ? 0 : history.currentId;
}

void setHistoryLimit(ViewState& state, std::size_t bytes)
{
    FaceHistory& history = state.history;
    history.limitBytes = bytes;
    trim(history);
    while (*history.bytes > history.limitBytes && !history.redo.empty())
        history.redo.erase(history.redo.begin());
}

std::size_t historyBytes(const ViewState& state)
{
    return *state.history.bytes;
}

}  // namespace mw
