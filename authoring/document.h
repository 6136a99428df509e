#pragma once
// The document: the face being edited and everything a save, an undo or a "Create Morph"
// session needs of it. Plain data, free of any view; the edits are free functions over it
// (face_editing.h, morph_management.h, …) that record what they changed in `changes`, and
// whatever shows the document brings itself up to date from that record.

#include <filesystem>

#include <osg/Array>
#include <osg/ref_ptr>

#include "authoring/document_change.h"
#include "authoring/face_history.h"
#include "authoring/head_placement.h"
#include "authoring/mirror_map.h"
#include "model/face.h"

namespace mw {

// The smallest distance at which a vertex of a comparison face counts as moved.
inline constexpr float kDefaultMorphThreshold = 0.001f;

// A second face shown over the current one while a morph is being created from it.
struct ComparisonSession {
    osg::ref_ptr<TarvFaceObject> face;
    HeadPlacement placement;
    // The corners of the triangles around the vertices that differ, in the comparison face's
    // own coordinates (they move with its placement); null while nothing is highlighted.
    osg::ref_ptr<osg::Vec3Array> highlight;
};

struct Document {
    Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    osg::ref_ptr<TarvFaceObject> face;
    std::filesystem::path fileName;
    // The head's placement in the scene; a save bakes it into the face.
    HeadPlacement head;
    // Undo and redo of every change to the face (face_history.h); it alone knows whether the
    // face differs from its file.
    FaceHistory history;
    ComparisonSession comparison;
    float morphThreshold = kDefaultMorphThreshold;
    // The left/right pairing of the face's vertices, rebuilt when the rest pose changes.
    MirrorMapCache mirrorMap;
    // What the edits changed since whoever shows the document last looked.
    Change changes;
};

// True while a face is loaded.
inline bool hasFace(const Document& doc) { return doc.face.valid(); }

// True while a comparison face is loaded.
inline bool hasComparison(const Document& doc) { return doc.comparison.face.valid(); }

// True while a face is loaded that differs from what its file holds: the history is at
// another step than the one last saved.
inline bool isModified(const Document& doc)
{
    return hasFace(doc) && doc.history.currentId != doc.history.savedId;
}

// The changes recorded since the last call, which starts a new record.
inline Change takeChanges(Document& doc)
{
    Change taken = std::move(doc.changes);
    doc.changes = {};
    return taken;
}

}  // namespace mw
