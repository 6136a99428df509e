#include "app/command_handlers.h"

#include <algorithm>

#include <QDialog>

#include "app/arkit_dialog.h"
#include "app/document_controller.h"
#include "app/morph_value_dialogs.h"
#include "app/split_morph_dialog.h"
#include "app/transfer_morphs_dialog.h"
#include "authoring/comparison_face.h"
#include "authoring/comparison_fit.h"
#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/face_history.h"
#include "authoring/morph_extraction.h"
#include "authoring/morph_management.h"
#include "authoring/neck_vertices.h"
#include "view/update_view.h"
#include "view/view_operations.h"

namespace mw::handlers {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The mirrored morph's note stays this long in the status bar.
constexpr int kMirrorNoteMilliseconds = 10000;
// So does what the registration of a morph transfer found.
constexpr int kTransferNoteMilliseconds = 20000;

}  // namespace

// --- File ------------------------------------------------------------------------------------

void fileOpen(CommandScope& scope) { scope.window.documents().open(); }
void fileSave(CommandScope& scope) { scope.window.documents().save(); }
void fileSaveAs(CommandScope& scope) { scope.window.documents().saveAs(); }
void fileExit(CommandScope& scope) { scope.window.closeWindow(); }

// --- Edit: the face's history --------------------------------------------------------------------

void editUndo(CommandScope& scope) { undo(scope.doc); }
void editRedo(CommandScope& scope) { redo(scope.doc); }

// --- View and Help ---------------------------------------------------------------------------

void viewToolbar(CommandScope& scope) { scope.window.toggleToolBar(); }
void viewStatusBar(CommandScope& scope) { scope.window.toggleStatusBar(); }
void about(CommandScope& scope) { scope.window.showAboutBox(); }

void viewMorphedNormals(CommandScope& scope) { setMorphedNormals(scope.view, !scope.view.morphedNormals); }

// --- Tools -----------------------------------------------------------------------------------

void navigationMode(CommandScope& scope) { setEditMode(scope.view, EditMode::Navigation); }
void translateMode(CommandScope& scope) { setEditMode(scope.view, EditMode::Translate); }
void scaleMode(CommandScope& scope) { setEditMode(scope.view, EditMode::Scale); }
void vertexMode(CommandScope& scope) { setEditMode(scope.view, EditMode::Vertex); }

void autoScale(CommandScope& scope) { mw::autoScale(scope.doc, scope.prompt); }
void flipPolygonOrder(CommandScope& scope) { mw::flipPolygonOrder(scope.doc, scope.selection.geometry); }
void toggleRenderMode(CommandScope& scope) { mw::toggleRenderMode(scope.view); }
void turnRight(CommandScope& scope) { mw::turnRight(scope.doc); }
void turnUp(CommandScope& scope) { mw::turnUp(scope.doc); }

void generateMorphTarget(CommandScope& scope) { mw::generateMorphTarget(scope.doc, scope.prompt); }
void cancelMorphTarget(CommandScope& scope) { mw::cancelMorphTarget(scope.doc); }
void highlightDifference(CommandScope& scope) { mw::highlightDifference(scope.doc); }
void fitComparisonFace(CommandScope& scope) { mw::fitComparisonFace(scope.doc, scope.prompt); }

void transferMorphsFromRig(CommandScope& scope)
{
    mw::transferMorphsFromRig(scope.window.dialogParent(), scope.doc, scope.prompt, [&scope](const QString& text) {
        scope.window.showStatusNote(text, kTransferNoteMilliseconds);
    });
}

void setMorphThreshold(CommandScope& scope)
{
    CMorphThreshhold dialog(scope.window.dialogParent());
    dialog.setThreshold(scope.doc.morphThreshold);
    if (dialog.exec() == QDialog::Accepted)
        mw::setMorphThreshold(scope.doc, dialog.threshold());
}

void resetMorphValues(CommandScope& scope) { mw::resetMorphValues(scope.doc); }

void scaleMorph(CommandScope& scope)
{
    CScaleMorph dialog(scope.window.dialogParent());
    if (dialog.exec() == QDialog::Accepted)
        mw::scaleMorph(scope.doc, scope.selection.morph, dialog.scaleFactor());
}

void computeNeckVertices(CommandScope& scope)
{
    const int geometry = mw::computeNeckVertices(scope.doc, scope.selection.geometry, scope.prompt);
    if (geometry >= 0) {
        showGeometrySelection(scope.view, geometry);
        scope.selectGeometry = geometry;
    }
}

void keepNeckVertices(CommandScope& scope) { editNeckVertices(scope.view, NeckEdit::Keep); }
void discardNeckVertices(CommandScope& scope) { editNeckVertices(scope.view, NeckEdit::Discard); }
void addNeckVertices(CommandScope& scope) { editNeckVertices(scope.view, NeckEdit::Add); }
void clearNeckVertices(CommandScope& scope) { mw::clearNeckVertices(scope.doc, scope.selection.geometry); }

void showGeometry(CommandScope& scope) { setGeometryVisible(scope.view, scope.selection.geometry, true); }
void hideGeometry(CommandScope& scope) { setGeometryVisible(scope.view, scope.selection.geometry, false); }

// --- Morph -----------------------------------------------------------------------------------

void deleteMorph(CommandScope& scope)
{
    const int index = scope.selection.morph;
    if (!mw::deleteMorph(scope.doc, index))
        return;
    const int left = static_cast<int>(scope.doc.face->morphs.size());
    scope.selectMorph = left == 0 ? -1 : std::min(index, left - 1);
}

void duplicateMorph(CommandScope& scope)
{
    if (const auto copy = mw::duplicateMorph(scope.doc, scope.selection.morph))
        scope.selectMorph = static_cast<int>(*copy);
}

void moveMorphUp(CommandScope& scope)
{
    const int index = scope.selection.morph;
    if (index > 0)
        if (const auto moved = mw::moveMorph(scope.doc, index, index - 1))
            scope.selectMorph = static_cast<int>(*moved);
}

void moveMorphDown(CommandScope& scope)
{
    const int index = scope.selection.morph;
    if (const auto moved = mw::moveMorph(scope.doc, index, index + 1))
        scope.selectMorph = static_cast<int>(*moved);
}

void mirrorMorph(CommandScope& scope)
{
    const auto result = mw::mirrorMorph(scope.doc, scope.selection.morph);
    if (!result)
        return;
    scope.selectMorph = static_cast<int>(result->index);
    const QString name = qs(scope.doc.face->morphs[result->index]->name);
    scope.window.showStatusNote(
        result->unmatched == 0
            ? QObject::tr("Mirrored as %1").arg(name)
            : QObject::tr("Mirrored as %1; %2 moved vertices have no partner on the other side and were left out")
                  .arg(name)
                  .arg(result->unmatched),
        kMirrorNoteMilliseconds);
}

void newMorphFromMix(CommandScope& scope)
{
    if (const auto index = mw::addMorphFromMix(scope.doc))
        scope.selectMorph = static_cast<int>(*index);
}

void checkArkitSet(CommandScope& scope) { runArkitDialog(scope.window.dialogParent(), scope.doc); }

void splitMorph(CommandScope& scope)
{
    // The preview changes the face while the dialog is open; the view shows it at once (the
    // changes stay recorded for the command's own update).
    const auto redraw = [&scope] {
        updateView(scope.view, scope.doc.changes);
        scope.window.redrawView();
    };
    if (const auto split = runSplitMorphDialog(scope.window.dialogParent(), scope.doc, scope.selection.morph, redraw))
        scope.selectMorph = static_cast<int>(split->left);
}

}  // namespace mw::handlers
