#include "app/arkit_dialog.h"

#include <cstring>

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "authoring/arkit_names.h"
#include "authoring/morph_sheet.h"
#include "model/file_directory.h"
#include "model/face_copy.h"
#include "render/contact_sheet.h"
#include "render/offscreen_render.h"

namespace mw {
namespace {

constexpr unsigned kSheetTile = 96;

QString qs(const std::string& text) { return QString::fromStdString(text); }
QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// One titled list; the list is named after its title for screen readers.
QListWidget* addList(QHBoxLayout& row, QWidget* parent, const QString& title, const QStringList& items)
{
    auto* column = new QVBoxLayout;
    auto* label = new QLabel(title, parent);
    auto* list = new QListWidget(parent);
    list->setObjectName(title);
    list->setAccessibleName(title);
    list->addItems(items);
    label->setBuddy(list);
    column->addWidget(label);
    column->addWidget(list);
    row.addLayout(column);
    return list;
}

// The sheet of the face's morphs in ARKit's order, drawn on a copy so the view's weights stay.
QImage arkitSheet(const TarvFaceObject& face, const std::filesystem::path& textureFolder, QString& error)
{
    std::string reason;
    const std::unique_ptr<OffscreenRenderer> renderer = openOffscreenRenderer(kSheetTile, kSheetTile, reason);
    if (!renderer) {
        error = qs(reason);
        return {};
    }
    const osg::ref_ptr<TarvFaceObject> copy = copyFace(face);
    const osg::ref_ptr<TarvFaceRenderer> node = new TarvFaceRenderer(copy.get(), textureFolder);
    const osg::ref_ptr<osg::Image> sheet = drawContactSheet(*renderer, *node, morphSheetTiles(*copy, true), 8);
    if (!sheet) {
        error = QObject::tr("OpenGL returned no image");
        return {};
    }
    QImage image(sheet->s(), sheet->t(), QImage::Format_RGB888);
    for (int y = 0; y < sheet->t(); ++y)  // OpenGL's rows run bottom up
        std::memcpy(image.scanLine(y), sheet->data(0, sheet->t() - 1 - y), static_cast<std::size_t>(sheet->s()) * 3);
    return image;
}

}  // namespace

CArkitDialog::CArkitDialog(Document& doc, QWidget* parent) : QDialog(parent), doc_(doc)
{
    setWindowTitle(tr("Check ARKit Set"));
    const TarvFaceObject& face = *doc.face;
    const ArkitReport report = arkitReport(face);
    const auto& shapes = arkitShapeNames();
    QStringList present, missing, extra;
    for (std::size_t k = 0; k < kArkitShapeCount; ++k) {
        if (report.present[k])
            present << tr("%1: %2").arg(qs(shapes[k]), qs(face.morphs[*report.present[k]]->name));
        else if (report.halves[k])
            present << tr("%1: %2 + %3 (halves)")
                           .arg(qs(shapes[k]), qs(face.morphs[report.halves[k]->left]->name),
                                qs(face.morphs[report.halves[k]->right]->name));
        else
            missing << qs(shapes[k]);
    }
    for (const std::size_t m : report.extra)
        extra << qs(face.morphs[m]->name);

    auto* summary = new QLabel(tr("%1 of %2 ARKit shapes, %3 missing, %4 extra")
                                   .arg(present.size())
                                   .arg(kArkitShapeCount)
                                   .arg(missing.size())
                                   .arg(extra.size()),
                               this);
    summary->setObjectName(QStringLiteral("arkitSummary"));
    auto* lists = new QHBoxLayout;
    addList(*lists, this, tr("Present"), present);
    addList(*lists, this, tr("Missing"), missing);
    addList(*lists, this, tr("Extra"), extra);

    QString error;
    const QImage image = arkitSheet(face, faceFolder(doc.fileName), error);
    auto* sheet = new QLabel(this);
    sheet->setObjectName(QStringLiteral("arkitSheet"));
    if (image.isNull()) {
        sheet->setText(tr("The sheet could not be drawn: %1").arg(error));
        sheet->setAccessibleName(sheet->text());
    } else {
        sheet->setPixmap(QPixmap::fromImage(image));
        sheet->setAccessibleName(tr("Contact sheet of the ARKit shapes"));
    }
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(sheet);
    scroll->setAccessibleName(tr("Sheet"));
    scroll->setMinimumSize(480, 320);

    auto* rename = new QPushButton(tr("Rename to ARKit"), this);
    rename->setAccessibleName(rename->text());
    rename->setToolTip(tr("Rename the recognised morphs to ARKit's names, join halves, and put the standard shapes "
                          "first in ARKit's order"));
    rename->setEnabled(present.size() > 0);
    auto* close = new QPushButton(tr("Close"), this);
    close->setAccessibleName(close->text());
    close->setDefault(true);
    connect(rename, &QPushButton::clicked, this, &CArkitDialog::renameToArkit);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(rename);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addLayout(lists);
    layout->addWidget(scroll, 1);
    layout->addLayout(buttons);
    resize(820, 720);
}

void CArkitDialog::renameToArkit()
{
    mw::renameToArkit(doc_);
    renamed_ = true;
    accept();
}

bool runArkitDialog(QWidget* parent, Document& doc)
{
    if (!hasFace(doc))
        return false;
    CArkitDialog dialog(doc, parent);
    dialog.exec();
    return dialog.renamed();
}

}  // namespace mw
