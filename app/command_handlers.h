#pragma once
// The handlers of the editor's commands, one per row of the command table.

#include "app/command_scope.h"

namespace mw::handlers {

void fileOpen(CommandScope& scope);
void fileSave(CommandScope& scope);
void fileSaveAs(CommandScope& scope);
void fileExportGltf(CommandScope& scope);       // export_face.cpp
void fileExportObj(CommandScope& scope);        // export_face.cpp
void fileExportMorphsObj(CommandScope& scope);  // export_face.cpp
void fileExit(CommandScope& scope);
void editUndo(CommandScope& scope);
void editRedo(CommandScope& scope);
void viewToolbar(CommandScope& scope);
void viewStatusBar(CommandScope& scope);
void about(CommandScope& scope);
void navigationMode(CommandScope& scope);
void translateMode(CommandScope& scope);
void scaleMode(CommandScope& scope);
void vertexMode(CommandScope& scope);
void autoScale(CommandScope& scope);
void flipPolygonOrder(CommandScope& scope);
void toggleRenderMode(CommandScope& scope);
void turnRight(CommandScope& scope);
void turnUp(CommandScope& scope);
void generateMorphTarget(CommandScope& scope);
void cancelMorphTarget(CommandScope& scope);
void highlightDifference(CommandScope& scope);
void fitComparisonFace(CommandScope& scope);
void createMorphsFromFiles(CommandScope& scope);  // morph_batch_dialog.cpp
void transferMorphsFromRig(CommandScope& scope);
void setMorphThreshold(CommandScope& scope);
void resetMorphValues(CommandScope& scope);
void scaleMorph(CommandScope& scope);
void computeNeckVertices(CommandScope& scope);
void keepNeckVertices(CommandScope& scope);
void discardNeckVertices(CommandScope& scope);
void addNeckVertices(CommandScope& scope);
void clearNeckVertices(CommandScope& scope);
void showGeometry(CommandScope& scope);
void hideGeometry(CommandScope& scope);
void deleteMorph(CommandScope& scope);
void duplicateMorph(CommandScope& scope);
void moveMorphUp(CommandScope& scope);
void moveMorphDown(CommandScope& scope);
void mirrorMorph(CommandScope& scope);
void newMorphFromMix(CommandScope& scope);
void checkArkitSet(CommandScope& scope);
void splitMorph(CommandScope& scope);
void viewMorphedNormals(CommandScope& scope);

}  // namespace mw::handlers
