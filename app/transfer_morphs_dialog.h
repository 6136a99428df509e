#pragma once
// Tools > "Transfer Morphs from Rig...": the pairing of the current head's geometries with a
// rig's, and the transfer itself, run on a thread of its own behind a progress window with
// Cancel.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "authoring/morph_transfer.h"
#include "authoring/prompt.h"
#include "authoring/document.h"

class QTableWidget;
class QLabel;

namespace mw {

// Which rig geometries each head geometry takes its offsets from: one row per head geometry,
// its partners typed as names joined by '+', prefilled with the rig geometry of the same name.
class CTransferMorphsDialog : public QDialog {
    Q_OBJECT
public:
    CTransferMorphsDialog(const TarvFaceObject& head, const TarvFaceObject& rig, const QString& rigName,
                          QWidget* parent = nullptr);

    // One pair per head geometry (no rig names: unpaired).
    std::vector<GeometryPair> pairs() const;

    void accept() override;

private:
    const TarvFaceObject& head_;
    const TarvFaceObject& rig_;
    QTableWidget* table_;
    QLabel* problem_;
};

// The whole command: asks for the rig file, shows the pairing, transfers in the background and
// appends the morphs to the document's face; `status` is told what the registration found.
// The index of the first morph added, or none.
std::optional<std::size_t> transferMorphsFromRig(QWidget* window, Document& doc, Prompt& prompt,
                                                 const std::function<void(const QString&)>& status);

}  // namespace mw
