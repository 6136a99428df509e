#include "authoring/face_history.h"

#include <cstring>
#include <utility>

#include <osg/Matrixd>
#include <osg/Quat>
#include <osg/Vec3>

#include "authoring/face_properties.h"
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
    StoredGeometry(osg::ref_ptr<const FaceGeom> g, osg::ref_ptr<osg::Vec3Array> n, std::size_t bytes,
                   std::shared_ptr<std::size_t> ledger)
        : StoredPart(bytes, std::move(ledger)), data(std::move(g)), normals(std::move(n)) {}
    osg::ref_ptr<const FaceGeom> data;
    // The normals it was drawn with (shared with the renderer that computed them, or null),
    // so that undoing need not compute them again.
    osg::ref_ptr<osg::Vec3Array> normals;
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
// still matches, otherwise a new copy with the normals it is drawn with.
std::shared_ptr<const StoredGeometry> storeGeometry(const FaceGeom& live, const FaceRenderer* drawn,
                                                    const FaceSnapshot* reference, std::size_t index,
                                                    const std::shared_ptr<std::size_t>& ledger)
{
    if (reference && index < reference->geometries.size() && sameGeometry(live, *reference->geometries[index]->data))
        return reference->geometries[index];
    osg::ref_ptr<osg::Vec3Array> normals;
    if (drawn && drawn->geometry() == &live && drawn->normals() && drawn->normals()->size() == live.vertexIndices.size())
        normals = const_cast<osg::Vec3Array*>(drawn->normals());
    return std::make_shared<const StoredGeometry>(copyGeometry(live), normals,
                                                  geometryBytes(live) + arrayBytes(normals.get()), ledger);
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
        const auto& renderers = state.faceNode->renderers();
        const FaceRenderer* drawn = i < renderers.size() ? renderers[i].get() : nullptr;
        snapshot->geometries.push_back(storeGeometry(g, drawn, reference, i, ledger));
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
float carriedWeight(const std::vector<osg::ref_ptr<FaceMorph>>& old, const std::vector<osg::ref_ptr<FaceMorph>>& morphs,
                    std::size_t index)
{
    const auto weightOf = [](const FaceMorph& morph) {
        return morph.targets.empty() || !morph.targets.front() ? 0.0f : morph.targets.front()->weight;
    };
    const std::string& name = morphs[index]->name;
    if (index < old.size() && old[index] && (old.size() == morphs.size() || old[index]->name == name))
        return weightOf(*old[index]);
    for (const auto& morph : old)
        if (morph && morph->name == name)
            return weightOf(*morph);
    return 0.0f;
}

// The morphs of the snapshot; a live morph that already equals its stored one is kept with its
// weight, the others are copied and take over the weight of the morph they replace.
void restoreMorphs(TarvFaceObject& face, const FaceSnapshot& snapshot)
{
    std::vector<osg::ref_ptr<FaceMorph>> morphs;
    morphs.reserve(snapshot.morphs.size());
    std::vector<bool> copied(snapshot.morphs.size(), false);
    for (std::size_t i = 0; i < snapshot.morphs.size(); ++i) {
        const FaceMorph& stored = *snapshot.morphs[i]->data;
        if (i < face.morphs.size() && face.morphs[i] && sameMorph(*face.morphs[i], stored)) {
            morphs.push_back(face.morphs[i]);
        } else {
            morphs.push_back(copyMorph(stored));
            copied[i] = true;
        }
    }
    for (std::size_t i = 0; i < morphs.size(); ++i)
        if (copied[i])
            if (const float weight = carriedWeight(face.morphs, morphs, i); weight != 0.0f)
                for (const auto& target : morphs[i]->targets)
                    if (target)
                        target->weight = weight;
    face.morphs = std::move(morphs);
}

// Puts the stored geometry into the drawn one, redoing only what its changes need.
void restoreGeometry(TarvFaceRenderer& node, unsigned index, const StoredGeometry& stored)
{
    FaceRenderer& renderer = *node.renderers()[index];
    FaceGeom& live = *renderer.geometry();
    const FaceGeom& data = *stored.data;
    if (sameGeometry(live, data))
        return;
    const bool shapeChanged =
        live.vertexIndices != data.vertexIndices || !sameArray(live.vertices.get(), data.vertices.get());
    const bool texturingChanged = live.vertexIndices != data.vertexIndices || live.texIndices != data.texIndices ||
                                  !sameArray(live.texcoords.get(), data.texcoords.get());
    const bool materialChanged =
        live.texture != data.texture || !sameBits(live.diffuse, data.diffuse) || !sameBits(live.specular, data.specular);

    if (live.name != data.name)
        node.renameGeometry(index, data.name);  // keeps the node's name index in step
    live.texture = data.texture;
    live.diffuse = data.diffuse;
    live.specular = data.specular;
    live.vertices->asVector() = data.vertices->asVector();
    live.vertices->dirty();
    live.texcoords->asVector() = data.texcoords->asVector();
    live.texcoords->dirty();
    live.vertexIndices = data.vertexIndices;
    live.texIndices = data.texIndices;
    live.clampIndices = data.clampIndices;

    if (shapeChanged) {
        // Which corners share a normal follows the rest pose and the triangles, so both are
        // worked out afresh (the morphed normals build on them).
        renderer.computeNormals();
        renderer.dirtyBound();
    }
    if (texturingChanged)
        renderer.buildTexcoords();
    if (materialChanged)
        refreshGeometryState(renderer);
}

// A face with another number of geometries gets a new node; hidden geometries, the draw path
// and morph weights carry over where their indices still exist.
void rebuildFace(ViewState& state, const FaceSnapshot& snapshot)
{
    osg::ref_ptr<TarvFaceObject> face = new TarvFaceObject;
    for (const auto& stored : snapshot.geometries)
        face->geometries.push_back(copyGeometry(*stored->data));
    face->morphs = state.face->morphs;
    restoreMorphs(*face, snapshot);

    osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(face.get());
    const auto& oldRenderers = state.faceNode->renderers();
    const auto& renderers = node->renderers();
    for (std::size_t i = 0; i < renderers.size() && i < oldRenderers.size(); ++i)
        renderers[i]->setVisible(oldRenderers[i]->visible());
    if (!oldRenderers.empty())
        node->setDrawPath(oldRenderers.front()->drawPath());

    osg::MatrixTransform& head = *state.scene.headTransform;
    head.removeChild(state.faceNode.get());
    head.addChild(node.get());
    state.face = face;
    state.faceNode = node;
}

// Puts the face back in place: the face and its node stay the same objects, so whatever holds
// them sees the restored state, and only the geometries and morphs that differ are touched.
void restoreFace(ViewState& state, const FaceSnapshot& snapshot)
{
    TarvFaceObject& face = *state.face;
    TarvFaceRenderer& node = *state.faceNode;
    const auto drawnWhole = [&] {
        if (face.geometries.size() != snapshot.geometries.size() || node.renderers().size() != face.geometries.size())
            return false;
        for (std::size_t i = 0; i < face.geometries.size(); ++i) {
            const FaceGeom* g = node.renderers()[i]->geometry();
            if (!g || g != face.geometries[i].get() || !g->vertices || !g->texcoords)
                return false;
        }
        return true;
    };
    if (!drawnWhole()) {
        rebuildFace(state, snapshot);
        return;
    }
    for (unsigned i = 0; i < snapshot.geometries.size(); ++i)
        restoreGeometry(node, i, *snapshot.geometries[i]);
    restoreMorphs(face, snapshot);
    for (const auto& renderer : node.renderers())
        renderer->detachTargets();
    for (unsigned m = 0; m < face.morphs.size(); ++m)
        node.attachMorphTargets(m);
}

void restore(ViewState& state, const FaceSnapshot& snapshot)
{
    restoreFace(state, snapshot);

    osg::MatrixTransform& head = *state.scene.headTransform;
    if (!hasComparison(state)) {
        MienwrightHandler& handler = *state.editHandler;
        handler.scale = snapshot.scale;
        handler.translation = snapshot.translation;
        handler.rotation = snapshot.rotation;
        head.setMatrix(snapshot.head);
    } else if (!snapshot.head.isIdentity()) {
        // The comparison face owns the edit handler now and the head is drawn untransformed,
        // as it is saved: the placement goes into the face, as when the comparison was loaded.
        state.faceNode->transformFace(snapshot.head);
        for (unsigned i = 0; i < state.face->geometries.size(); ++i)
            state.faceNode->recomputeNormals(i);
        head.setMatrix(osg::Matrixd::identity());
    }

    // The selection box and markers follow the restored geometry, or disappear with it.
    if (state.scene.selectionBox && state.scene.selectionBox->hasBox) {
        const int displayed = state.scene.selectionBox->displayedIndex;
        const bool exists = displayed >= 0 && static_cast<std::size_t>(displayed) < state.face->geometries.size();
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
    step->wasModified = state.modified;
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
    if (sameSnapshot(*step->before, *step->after)) {
        state.modified = step->wasModified;
        return false;
    }
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

namespace {

// Takes the newest step of `from` back (undo) or again (redo) and keeps it in `to`.
template <class From, class To>
bool replayStep(ViewState& state, From& from, To& to, bool again)
{
    FaceHistory& history = state.history;
    endUndoStep(state);
    if (from.empty() || !hasFace(state))
        return false;
    HistoryStep step = std::move(from.back());
    from.pop_back();
    const std::shared_ptr<const FaceSnapshot> target = again ? step.after : step.before;
    restore(state, *target);
    history.currentId = again ? step.afterId : step.beforeId;
    history.latest = target;
    to.push_back(std::move(step));
    state.modified = history.currentId != history.savedId;
    return true;
}

}  // namespace

bool undo(ViewState& state) { return replayStep(state, state.history.undo, state.history.redo, false); }

bool redo(ViewState& state) { return replayStep(state, state.history.redo, state.history.undo, true); }

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
