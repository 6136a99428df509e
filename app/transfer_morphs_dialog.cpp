#include "app/transfer_morphs_dialog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <thread>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "authoring/morph_management.h"
#include "import/load_face.h"

namespace mw {
namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void name(QWidget* widget, const QString& text) { widget->setAccessibleName(text); }

QString phaseText(TransferPhase phase)
{
    switch (phase) {
    case TransferPhase::Alignment:
        return QCoreApplication::translate("TransferMorphs", "Placing the rig onto the head");
    case TransferPhase::Registration:
        return QCoreApplication::translate("TransferMorphs", "Fitting the rig to the head's shape");
    case TransferPhase::Transfer:
        return QCoreApplication::translate("TransferMorphs", "Transferring the morphs");
    }
    return {};
}

}  // namespace

CTransferMorphsDialog::CTransferMorphsDialog(const TarvFaceObject& head, const TarvFaceObject& rig,
                                             const QString& rigName, QWidget* parent)
    : QDialog(parent), head_(head), rig_(rig)
{
    setWindowTitle(tr("Transfer Morphs from Rig"));
    name(this, windowTitle());
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("%1 morphs of %2 go to this head. Each head geometry takes its offsets from the rig "
                                "geometries named beside it (join several with +; leave empty for none).")
                                 .arg(rig.morphs.size())
                                 .arg(rigName),
                             this);
    intro->setWordWrap(true);
    name(intro, intro->text());
    layout->addWidget(intro);
    QStringList rigNames;
    for (const auto& g : rig.geometries)
        rigNames << qs(g->name);
    auto* available = new QLabel(tr("Rig geometries: %1").arg(rigNames.join(QStringLiteral(", "))), this);
    available->setWordWrap(true);
    name(available, available->text());
    layout->addWidget(available);

    table_ = new QTableWidget(static_cast<int>(head.geometries.size()), 2, this);
    table_->setHorizontalHeaderLabels({tr("Head geometry"), tr("Rig geometries")});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    name(table_, tr("Pairing"));
    for (int row = 0; row < table_->rowCount(); ++row) {
        const std::string& headName = head.geometries[static_cast<std::size_t>(row)]->name;
        auto* headItem = new QTableWidgetItem(qs(headName));
        headItem->setFlags(headItem->flags() & ~Qt::ItemIsEditable);
        table_->setItem(row, 0, headItem);
        QString partner;
        for (const auto& g : rig.geometries)
            if (g->name == headName)
                partner = qs(g->name);
        table_->setItem(row, 1, new QTableWidgetItem(partner));
    }
    layout->addWidget(table_);
    problem_ = new QLabel(this);
    problem_->setStyleSheet(QStringLiteral("color: #b00020"));
    problem_->hide();
    layout->addWidget(problem_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Transfer"));
    for (QAbstractButton* b : buttons->buttons())
        name(b, b->text());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(460, 360);
}

std::vector<GeometryPair> CTransferMorphsDialog::pairs() const
{
    std::vector<GeometryPair> out;
    for (int row = 0; row < table_->rowCount(); ++row) {
        GeometryPair pair;
        pair.head = head_.geometries[static_cast<std::size_t>(row)]->name;
        const QTableWidgetItem* item = table_->item(row, 1);
        for (const QString& part : (item ? item->text() : QString()).split(QLatin1Char('+'), Qt::SkipEmptyParts))
            if (!part.trimmed().isEmpty())
                pair.rig.push_back(part.trimmed().toStdString());
        out.push_back(std::move(pair));
    }
    return out;
}

void CTransferMorphsDialog::accept()
{
    for (const GeometryPair& pair : pairs())
        for (const std::string& rigName : pair.rig)
            if (std::none_of(rig_.geometries.begin(), rig_.geometries.end(), [&](const auto& g) { return g->name == rigName; })) {
                problem_->setText(tr("The rig has no geometry named \"%1\"").arg(qs(rigName)));
                name(problem_, problem_->text());
                problem_->show();
                return;
            }
    QDialog::accept();
}

std::optional<std::size_t> transferMorphsFromRig(QWidget* window, Document& doc, Prompt& prompt,
                                                 const std::function<void(const QString&)>& status)
{
    if (!hasFace(doc))
        return std::nullopt;
    const std::optional<std::filesystem::path> file = prompt.chooseOpenFile();
    if (!file)
        return std::nullopt;
    RepairReport repairs;
    const osg::ref_ptr<TarvFaceObject> rig = loadFace(*file, &repairs);
    if (!rig) {
        prompt.failure(loadFailureMessage(*file, repairs));
        return std::nullopt;
    }
    if (rig->morphs.empty()) {
        prompt.message("The rig has no morphs to transfer");
        return std::nullopt;
    }
    CTransferMorphsDialog dialog(*doc.face, *rig, qs(file->filename().string()), window);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    MorphTransferOptions options;
    options.pairs = dialog.pairs();
    options.threshold = doc.morphThreshold;

    // The work runs on its own thread; this one keeps the window drawn and the progress shown.
    std::atomic<int> phase{0}, permille{0};
    std::atomic<bool> cancelled{false}, done{false};
    MorphTransferResult result;
    std::string failure;
    const TarvFaceObject& head = *doc.face;
    std::thread worker([&] {
        try {
            result = transferMorphs(*rig, head, options, [&](TransferPhase p, double d) {
                phase = static_cast<int>(p);
                permille = static_cast<int>(d * 1000.0);
                return !cancelled.load();
            });
        } catch (const std::exception& e) {
            failure = e.what();
        }
        done = true;
    });
    QProgressDialog progress(phaseText(TransferPhase::Alignment), QCoreApplication::translate("TransferMorphs", "Cancel"),
                             0, 3000, window);
    progress.setWindowTitle(qs(kApplicationTitle));
    name(&progress, progress.windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    while (!done) {
        progress.setValue(phase * 1000 + permille);
        progress.setLabelText(phaseText(static_cast<TransferPhase>(phase.load())));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
        if (progress.wasCanceled())
            cancelled = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    worker.join();
    progress.reset();
    if (!failure.empty()) {
        prompt.message(failure);
        return std::nullopt;
    }
    if (result.status == MorphTransferResult::Status::Cancelled) {
        status(QCoreApplication::translate("TransferMorphs", "Transfer cancelled"));
        return std::nullopt;
    }
    if (result.status != MorphTransferResult::Status::Done) {
        prompt.message(result.error);
        return std::nullopt;
    }
    const std::optional<std::size_t> first = appendMorphs(doc, result.morphs);
    const MorphTransferReport& report = result.report;
    QString text = report.registered
                       ? QCoreApplication::translate("TransferMorphs",
                                                     "Transferred %1 morphs; registration distance: mean %2, 95th "
                                                     "percentile %3")
                             .arg(result.morphs.size())
                             .arg(report.meanDistance, 0, 'g', 3)
                             .arg(report.p95Distance, 0, 'g', 3)
                       : QCoreApplication::translate("TransferMorphs",
                                                     "Added %1 empty morphs: no paired geometry carries offsets")
                             .arg(result.morphs.size());
    if (!report.unpaired.empty()) {
        QStringList names;
        for (const std::string& n : report.unpaired)
            names << qs(n);
        text += QCoreApplication::translate("TransferMorphs", "; without offsets: %1").arg(names.join(QStringLiteral(", ")));
    }
    status(text);
    return first;
}

}  // namespace mw
