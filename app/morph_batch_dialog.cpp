// Tools > Create Morphs from Files: the batch, with a progress dialog that can stop it.

#include <QCoreApplication>
#include <QProgressDialog>

#include "app/command_handlers.h"
#include "authoring/face_reading.h"
#include "authoring/morph_batch.h"

namespace mw::handlers {

void createMorphsFromFiles(CommandScope& scope)
{
    const std::vector<std::filesystem::path> files = scope.prompt.chooseOpenFiles();
    if (files.empty() || !hasFace(scope.doc))
        return;
    const auto fileLabel = [](const std::filesystem::path& file) {
        return QObject::tr("Creating a morph from %1").arg(QString::fromStdString(file.filename().string()));
    };
    QProgressDialog progress(fileLabel(files.front()), QObject::tr("Cancel"), 0, static_cast<int>(files.size()),
                             scope.window.dialogParent());
    progress.setWindowTitle(QString::fromUtf8(kApplicationTitle.data(), static_cast<qsizetype>(kApplicationTitle.size())));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    QCoreApplication::processEvents();
    std::string repairs;
    const MorphBatchResult result = createMorphsFromFiles(
        scope.doc, files, ComparisonAlignment::Fit,
        [&](std::size_t done, std::size_t total, const MorphFromFile& step) {
            if (!step.repairs.empty())
                repairs += (repairs.empty() ? "" : "\n") + repairSummary(step.file, step.repairs);
            progress.setValue(static_cast<int>(done));
            if (done < total)
                progress.setLabelText(fileLabel(files[done]));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.reset();
    if (result.status == MorphBatchResult::Status::Failed)
        scope.prompt.message(result.error);
    else if (!repairs.empty())
        scope.prompt.message(repairs);
}

}  // namespace mw::handlers
