#include "app/qt_prompt.h"

#include <QFileDialog>
#include <QMessageBox>

namespace mw {

namespace {

QString title() { return QString::fromUtf8(kApplicationTitle.data(), static_cast<qsizetype>(kApplicationTitle.size())); }

std::optional<std::filesystem::path> chosen(const QString& file)
{
    if (file.isEmpty())
        return std::nullopt;
    return std::filesystem::path(file.toStdString());
}

}  // namespace

QStringList QtPrompt::openFilters()
{
    // The native and legacy formats, glTF, OBJ, and the model formats OpenSceneGraph's plugins read.
    return {QStringLiteral("Faces (*.tvf *.txt *.gltf *.glb *.obj *.3dc *.3ds *.ac *.dae *.dxf *.flt *.ive *.iv "
                           "*.lwo *.lws *.md2 *.osg *.osgb *.osgt *.ply *.stl *.x)"),
            QStringLiteral("All Files (*)")};
}

void QtPrompt::message(const std::string& text)
{
    QMessageBox::information(parent_, title(), QString::fromStdString(text), QMessageBox::Ok);
}

void QtPrompt::failure(const std::string& text)
{
    QMessageBox::critical(parent_, title(), QString::fromStdString(text), QMessageBox::Ok);
}

bool QtPrompt::question(const std::string& text)
{
    return QMessageBox::question(parent_, title(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

Answer QtPrompt::questionWithCancel(const std::string& text)
{
    switch (QMessageBox::question(parent_, title(), QString::fromStdString(text),
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<std::filesystem::path> QtPrompt::chooseOpenFile()
{
    return chosen(QFileDialog::getOpenFileName(parent_, QString(), QString(), openFilters().join(QStringLiteral(";;"))));
}

std::vector<std::filesystem::path> QtPrompt::chooseOpenFiles()
{
    std::vector<std::filesystem::path> files;
    for (const QString& file :
         QFileDialog::getOpenFileNames(parent_, QString(), QString(), openFilters().join(QStringLiteral(";;"))))
        files.emplace_back(file.toStdString());
    return files;
}

std::optional<std::filesystem::path> QtPrompt::chooseSaveFile()
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Face (*.tvf)"));
    dialog.setDefaultSuffix(QStringLiteral("tvf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<std::filesystem::path> QtPrompt::chooseExportFile()
{
    QFileDialog dialog(parent_, QStringLiteral("Export glTF"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("glTF binary (*.glb)"), QStringLiteral("glTF (*.gltf)")});
    dialog.setDefaultSuffix(QStringLiteral("glb"));
    // The suffix follows the chosen filter when the name has none.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QStringLiteral("*.gltf")) ? QStringLiteral("gltf") : QStringLiteral("glb"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<std::filesystem::path> QtPrompt::chooseObjExportFile()
{
    QFileDialog dialog(parent_, QStringLiteral("Export OBJ"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Wavefront OBJ (*.obj)"));
    dialog.setDefaultSuffix(QStringLiteral("obj"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

std::optional<std::filesystem::path> QtPrompt::chooseMorphExportFolder()
{
    QFileDialog dialog(parent_, QStringLiteral("Export Morphs as OBJ Files"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return chosen(dialog.selectedFiles().constFirst());
}

}  // namespace mw
