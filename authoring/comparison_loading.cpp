#include "authoring/comparison_loading.h"

#include "authoring/comparison_face.h"
#include "authoring/difference_highlight.h"
#include "authoring/face_editing.h"
#include "authoring/face_reading.h"
#include "import/load_face.h"

namespace mw {

void installComparisonFace(Document& doc, osg::ref_ptr<TarvFaceObject> face, Prompt& prompt)
{
    if (!hasFace(doc) || !face)
        return;
    commitHeadTransform(doc);
    cancelMorphTarget(doc);
    doc.comparison.face = std::move(face);
    doc.changes.add(document_change::kComparison | document_change::kReframe);
    autoScale(doc, prompt);
    highlightDifference(doc);
}

bool loadComparisonFace(Document& doc, const std::filesystem::path& fileName, Prompt& prompt)
{
    if (!hasFace(doc))
        return false;
    RepairReport report;
    osg::ref_ptr<TarvFaceObject> face = readAnyFace(fileName, report);
    if (!face) {
        prompt.failure(loadFailureMessage(fileName, report));
        return false;
    }
    if (!report.empty())
        prompt.message(repairSummary(fileName, report));
    installComparisonFace(doc, std::move(face), prompt);
    return true;
}

}  // namespace mw
