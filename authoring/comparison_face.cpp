#include "authoring/comparison_face.h"

namespace mw {

void cancelMorphTarget(Document& doc)
{
    if (!hasComparison(doc))
        return;
    doc.comparison = {};
    doc.changes.add(document_change::kComparison | document_change::kPlacement);
}

}  // namespace mw
