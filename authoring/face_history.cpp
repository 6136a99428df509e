#include "authoring/face_history.h"

#include <cstring>
#include <utility>

#include <osg/Matrixd>
#include <osg/Quat>
#include <osg/Vec3>

#include "authoring/document.h"
#include "model/face_copy.h"
#include "model/face_operations.h"

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
    HeadPlacement head;
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
std::shared_ptr<const StoredGeometry> storeGeometry(const FaceGeom& live, const FaceSnapshot* reference,
                                                    std::size_t index, const std::shared_ptr<std::size_t>& ledger)
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

std::shared_ptr<const FaceSnapshot> capture(const Document& doc, const FaceSnapshot* reference)
{
    const std::shared_ptr<std::size_t>& ledger = doc.history.bytes;
    const TarvFaceObject& face = *doc.face;
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
    snapshot->head = doc.head;
    return snapshot;
}

bool sameSnapshot(const FaceSnapshot& a, const FaceSnapshot& b)
{
    const osg::Matrixd headA = a.head.matrix(), headB = b.head.matrix();
    return a.geometries == b.geometries && a.morphs == b.morphs &&
           std::memcmp(headA.ptr(), headB.ptr(), sizeof(double) * 16) == 0;
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

// Puts the stored geometry into the live one and records what its changes need redone.
void restoreGeometry(FaceGeom& live, std::size_t index, const StoredGeometry& stored, Change& change)
{
    const FaceGeom& data = *stored.data;
    if (sameGeometry(live, data))
        return;
    unsigned parts = 0;
    if (live.vertexIndices != data.vertexIndices || !sameArray(live.vertices.get(), data.vertices.get()))
        parts |= geometry_change::kShape;
    if (live.vertexIndices != data.vertexIndices || live.texIndices != data.texIndices ||
        !sameArray(live.texcoords.get(), data.texcoords.get()))
        parts |= geometry_change::kTexturing;
    if (live.texture != data.texture || !sameBits(live.diffuse, data.diffuse) || !sameBits(live.specular, data.specular))
        parts |= geometry_change::kMaterial;
    if (live.clampIndices != data.clampIndices)
        parts |= geometry_change::kNeck;
    if (live.name != data.name)
        change.add(document_change::kNames);

    live.name = data.name;
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
    change.addGeometry(index, parts);
}

// Puts the face back in place: the face stays the same object, so whatever holds it sees the
// restored state. With the same number of geometries only those that differ are touched;
// otherwise every geometry is replaced and whatever draws the face builds it anew.
void restoreFace(Document& doc, const FaceSnapshot& snapshot)
{
    TarvFaceObject& face = *doc.face;
    const auto complete = [&] {
        if (face.geometries.size() != snapshot.geometries.size())
            return false;
        for (const auto& g : face.geometries)
            if (!g || !g->vertices || !g->texcoords)
                return false;
        return true;
    };
    if (complete()) {
        for (std::size_t i = 0; i < snapshot.geometries.size(); ++i)
            restoreGeometry(*face.geometries[i], i, *snapshot.geometries[i], doc.changes);
    } else {
        face.geometries.clear();
        for (const auto& stored : snapshot.geometries)
            face.geometries.push_back(copyGeometry(*stored->data));
        doc.changes.add(document_change::kFace);
    }
    const std::vector<osg::ref_ptr<FaceMorph>> before = face.morphs;
    restoreMorphs(face, snapshot);
    if (face.morphs != before)
        doc.changes.add(document_change::kMorphList);
}

void restore(Document& doc, const FaceSnapshot& snapshot)
{
    restoreFace(doc, snapshot);
    if (!hasComparison(doc)) {
        doc.head = snapshot.head;
    } else if (!snapshot.head.isIdentity()) {
        // The comparison face is being placed now and the head is shown as it is saved: the
        // placement goes into the face, as when the comparison was loaded.
        transformFace(*doc.face, snapshot.head.matrix());
        doc.changes.addAllGeometries(doc.face->geometries.size(), geometry_change::kShape);
        doc.head = {};
    }
    doc.changes.add(document_change::kPlacement);
}

void trim(FaceHistory& history)
{
    while (*history.bytes > history.limitBytes && history.undo.size() > 1)
        history.undo.pop_front();
}

}  // namespace

void beginUndoStep(Document& doc, std::string_view name)
{
    FaceHistory& history = doc.history;
    if (history.open)
        endUndoStep(doc);
    if (!hasFace(doc))
        return;
    auto step = std::make_unique<HistoryStep>();
    step->name = name;
    step->before = capture(doc, history.latest.get());
    step->beforeId = history.currentId;
    history.latest = step->before;
    history.open = std::move(step);
}

bool endUndoStep(Document& doc)
{
    FaceHistory& history = doc.history;
    if (!history.open)
        return false;
    std::unique_ptr<HistoryStep> step = std::move(history.open);
    if (!hasFace(doc))
        return false;
    step->after = capture(doc, step->before.get());
    history.latest = step->after;
    if (sameSnapshot(*step->before, *step->after))
        return false;
    step->afterId = history.nextId++;
    history.currentId = step->afterId;
    history.undo.push_back(std::move(*step));
    history.redo.clear();
    trim(history);
    return true;
}

bool canUndo(const Document& doc)
{
    return !doc.history.undo.empty() || doc.history.open != nullptr;
}

bool canRedo(const Document& doc)
{
    return !doc.history.redo.empty();
}

std::string_view undoName(const Document& doc)
{
    const FaceHistory& history = doc.history;
    return history.undo.empty() ? std::string_view() : std::string_view(history.undo.back().name);
}

std::string_view redoName(const Document& doc)
{
    const FaceHistory& history = doc.history;
    return history.redo.empty() ? std::string_view() : std::string_view(history.redo.back().name);
}

namespace {

// Takes the newest step of `from` back (undo) or again (redo) and keeps it in `to`.
template <class From, class To>
bool replayStep(Document& doc, From& from, To& to, bool again)
{
    FaceHistory& history = doc.history;
    endUndoStep(doc);
    if (from.empty() || !hasFace(doc))
        return false;
    HistoryStep step = std::move(from.back());
    from.pop_back();
    const std::shared_ptr<const FaceSnapshot> target = again ? step.after : step.before;
    restore(doc, *target);
    history.currentId = again ? step.afterId : step.beforeId;
    history.latest = target;
    to.push_back(std::move(step));
    return true;
}

}  // namespace

bool undo(Document& doc) { return replayStep(doc, doc.history.undo, doc.history.redo, false); }

bool redo(Document& doc) { return replayStep(doc, doc.history.redo, doc.history.undo, true); }

void markSaved(Document& doc)
{
    doc.history.savedId = doc.history.currentId;
}

void markUnsaved(Document& doc)
{
    // States are numbered from 1, so no state is 0.
    doc.history.savedId = 0;
}

void clearHistory(Document& doc)
{
    FaceHistory& history = doc.history;
    history.open.reset();
    history.undo.clear();
    history.redo.clear();
    history.latest.reset();
    history.currentId = history.nextId++;
    history.savedId = history.currentId;
}

void setHistoryLimit(Document& doc, std::size_t bytes)
{
    FaceHistory& history = doc.history;
    history.limitBytes = bytes;
    trim(history);
    while (*history.bytes > history.limitBytes && !history.redo.empty())
        history.redo.erase(history.redo.begin());
}

std::size_t historyBytes(const Document& doc)
{
    return *doc.history.bytes;
}

}  // namespace mw
