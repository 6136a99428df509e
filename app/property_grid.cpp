#include "app/property_grid.h"

#include <cmath>

#include <QColorDialog>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/custom_item_file_box.h"
#include "authoring/face_properties.h"
#include "model/file_directory.h"

namespace mw {

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kDescriptionRole = Qt::UserRole + 1;
constexpr int kValueColumn = 1;

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

int low8Bits(float component)
{
    const double scaled = std::trunc(static_cast<double>(component * 255.0f));
    if (!std::isfinite(scaled))
        return 0;
    // The low byte of the integer, as two's complement keeps it for negative values too.
    const int low = static_cast<int>(std::fmod(scaled, 256.0));
    return low < 0 ? low + 256 : low;
}

QIcon swatchIcon(const QColor& colour)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

// The in-place editor of a colour: its text and a swatch button that opens the colour chooser,
// applies its choice at once and shows the new value.
class ColourEditor : public QWidget {
public:
    ColourEditor(CPropertyGrid& grid, int id, QWidget* parent) : QWidget(parent), line(new QLineEdit(this))
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(line, 1);
        auto* button = new QToolButton(this);
        button->setIcon(swatchIcon(grid.swatchColour(id)));
        button->setAccessibleName(QStringLiteral("Choose colour"));
        button->setToolTip(QStringLiteral("Choose the colour"));
        layout->addWidget(button);
        setFocusProxy(line);
        line->installEventFilter(this);
        connect(button, &QToolButton::clicked, this, [this, &grid, id, button] {
            // The chooser is modal: the view may close this editor while it is open.
            const QPointer<ColourEditor> self(this);
            const bool changed = grid.pickColour(id);
            if (self && changed) {
                line->setText(grid.valueText(id));
                button->setIcon(swatchIcon(grid.swatchColour(id)));
            }
        });
    }
    QLineEdit* line;

protected:
    // The delegate commits when the focus leaves the editor; the focus sits in the text, so its
    // leaving is passed on as the editor's (the delegate ignores moves inside the editor, and
    // Escape still cancels).
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == line && event->type() == QEvent::FocusOut) {
            QFocusEvent out(QEvent::FocusOut, static_cast<QFocusEvent*>(event)->reason());
            QCoreApplication::sendEvent(this, &out);
        }
        return QWidget::eventFilter(watched, event);
    }
};

// The text field of either editor.
QLineEdit* lineOf(QWidget* editor)
{
    if (auto* file = dynamic_cast<CCustomItemFileBox*>(editor))
        return file->line();
    return static_cast<ColourEditor*>(editor)->line;
}

class ValueDelegate : public QStyledItemDelegate {
public:
    ValueDelegate(CPropertyGrid& grid, QObject* parent) : QStyledItemDelegate(parent), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        const int id = index.siblingAtColumn(0).data(kIdRole).toInt();
        if (index.column() != kValueColumn || id == CPropertyGrid::kCategory)
            return nullptr;
        QWidget* editor = nullptr;
        if (id == CPropertyGrid::kTexture) {
            editor = new CCustomItemFileBox(
                [grid = &grid_]() -> std::optional<QString> {
                    if (!grid->browseTexture())
                        return std::nullopt;
                    return grid->valueText(CPropertyGrid::kTexture);
                },
                parent);
        } else {
            editor = new ColourEditor(grid_, id, parent);
        }
        editor->setAccessibleName(index.siblingAtColumn(0).data().toString());
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        lineOf(editor)->setText(index.data().toString());
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        const QString text = lineOf(editor)->text();
        if (text != index.data().toString())
            grid_.editValue(index.siblingAtColumn(0).data(kIdRole).toInt(), text);
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        editor->setGeometry(option.rect);
    }

private:
    CPropertyGrid& grid_;
};

}  // namespace

CPropertyGrid::CPropertyGrid(PaneHost& host, QWidget* parent)
    : QWidget(parent), host_(host), tree_(new QTreeWidget(this)), category_(new QTreeWidgetItem),
      descriptionTitle_(new QLabel(this)), descriptionText_(new QLabel(this))
{
    setAccessibleName(QStringLiteral("Properties"));

    tree_->setColumnCount(2);
    tree_->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    tree_->header()->hide();
    tree_->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    tree_->header()->setStretchLastSection(true);
    tree_->setColumnWidth(0, 80);
    tree_->setRootIsDecorated(true);
    tree_->setAlternatingRowColors(false);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                           QAbstractItemView::EditKeyPressed);
    tree_->setItemDelegate(new ValueDelegate(*this, tree_));
    tree_->setAccessibleName(QStringLiteral("Property grid"));

    category_->setText(0, QStringLiteral("Properties"));
    category_->setData(0, kIdRole, kCategory);
    category_->setData(0, kDescriptionRole, QStringLiteral("Properties for the selected item"));
    category_->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    QFont bold = tree_->font();
    bold.setBold(true);
    category_->setFont(0, bold);
    category_->setBackground(0, palette().button());
    tree_->addTopLevelItem(category_);
    category_->setFirstColumnSpanned(true);
    category_->setExpanded(true);

    // The description of the current row, below the grid, as property editors show it.
    auto* description = new QFrame(this);
    description->setFrameShape(QFrame::StyledPanel);
    auto* descriptionLayout = new QVBoxLayout(description);
    descriptionLayout->setContentsMargins(4, 2, 4, 2);
    descriptionTitle_->setParent(description);
    descriptionText_->setParent(description);
    descriptionTitle_->setFont(bold);
    descriptionText_->setWordWrap(true);
    descriptionText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    descriptionLayout->addWidget(descriptionTitle_);
    descriptionLayout->addWidget(descriptionText_, 1);
    description->setFixedHeight(56);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(tree_, 1);
    layout->addWidget(description);

    chooseTextureFile = [this](const QString& current) -> std::optional<QString> {
        const QString path = QFileDialog::getOpenFileName(this, QString(), current);
        return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
    };
    chooseColour = [this](const QColor& current) -> std::optional<QColor> {
        const QColor colour = QColorDialog::getColor(current, this);
        return colour.isValid() ? std::optional<QColor>(colour) : std::nullopt;
    };

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        showDescription(current);
        // Choosing a row opens its value for editing, with its button, as in a property editor.
        if (current && current != category_)
            tree_->editItem(current, kValueColumn);
    });
    showDescription(category_);
}

CPropertyGrid::~CPropertyGrid()
{
    // An editor closed while the grid goes writes nothing, and the host hears nothing more.
    clearing_ = true;
    tree_->disconnect(this);
}

void CPropertyGrid::clearItems()
{
    // An editor still open belongs to a row about to go: what it holds is dropped, not written
    // into a face that may no longer be the one shown.
    clearing_ = true;
    tree_->setCurrentItem(nullptr);
    qDeleteAll(category_->takeChildren());
    clearing_ = false;
    shown_ = -1;
    showDescription(category_);
}

FaceGeom* CPropertyGrid::shownGeometryData() const
{
    const TarvFaceObject* face = host_.document().face.get();
    if (!face || shown_ < 0 || static_cast<std::size_t>(shown_) >= face->geometries.size())
        return nullptr;
    return face->geometries[static_cast<std::size_t>(shown_)].get();
}

void CPropertyGrid::showGeometry(int index)
{
    const TarvFaceObject* face = host_.document().face.get();
    if (!face)
        return;
    clearItems();
    if (!face || index < 0 || static_cast<std::size_t>(index) >= face->geometries.size())
        return;
    shown_ = index;
    const FaceGeom& geometry = *face->geometries[static_cast<std::size_t>(index)];
    addItem(kTexture, QStringLiteral("Texture"), QStringLiteral("The texture file of the geometry"))
        ->setText(kValueColumn, fromStd(geometry.texture));
    setColourItem(addItem(kDiffuse, QStringLiteral("Diffuse"), QStringLiteral("The diffuse color of the geometry")),
                  geometry.diffuse);
    setColourItem(addItem(kSpecular, QStringLiteral("Specular"), QStringLiteral("The specular color of the geometry")),
                  geometry.specular);
    category_->setExpanded(true);
    // Captions in full at the pane's usual width; the values take the rest.
    tree_->resizeColumnToContents(0);
}

QTreeWidgetItem* CPropertyGrid::addItem(int id, const QString& caption, const QString& description)
{
    auto* item = new QTreeWidgetItem(category_, QStringList(caption));
    item->setData(0, kIdRole, id);
    item->setData(0, kDescriptionRole, description);
    item->setToolTip(0, description);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    return item;
}

void CPropertyGrid::setColourItem(QTreeWidgetItem* item, const osg::Vec4& colour)
{
    const QColor swatch = swatchOf(colour);
    item->setData(kValueColumn, Qt::DecorationRole, swatch);
    item->setText(kValueColumn, fromStd(formatColourText(colour)));
}

QTreeWidgetItem* CPropertyGrid::item(int id) const
{
    for (int i = 0; i < category_->childCount(); ++i)
        if (category_->child(i)->data(0, kIdRole).toInt() == id)
            return category_->child(i);
    return nullptr;
}

QString CPropertyGrid::valueText(int id) const
{
    const QTreeWidgetItem* found = item(id);
    return found ? found->text(kValueColumn) : QString();
}

QColor CPropertyGrid::swatchColour(int id) const
{
    const QTreeWidgetItem* found = item(id);
    return found ? found->data(kValueColumn, Qt::DecorationRole).value<QColor>() : QColor();
}

QColor CPropertyGrid::swatchOf(const osg::Vec4& colour)
{
    return QColor(low8Bits(colour.r()), low8Bits(colour.g()), low8Bits(colour.b()));
}

void CPropertyGrid::showDescription(QTreeWidgetItem* row)
{
    descriptionTitle_->setText(row ? row->text(0) : QString());
    descriptionText_->setText(row ? row->data(0, kDescriptionRole).toString() : QString());
}

void CPropertyGrid::faceChanged()
{
    host_.refreshView(true);
    host_.updateCommandStates();
}

bool CPropertyGrid::setColour(int id, const osg::Vec3& rgb)
{
    return id == kDiffuse
               ? host_.editFace("Change Diffuse", [&](Document& doc) { return setGeometryDiffuse(doc, shown_, rgb); })
               : host_.editFace("Change Specular", [&](Document& doc) { return setGeometrySpecular(doc, shown_, rgb); });
}

bool CPropertyGrid::editValue(int id, const QString& text)
{
    QTreeWidgetItem* row = item(id);
    FaceGeom* geometry = shownGeometryData();
    if (clearing_ || !row || !geometry)
        return false;

    if (id == kTexture) {
        const std::string name = text.trimmed().toStdString();
        if (!host_.editFace("Change Texture", [&](Document& doc) { return setGeometryTexture(doc, shown_, name); }))
            return false;
        row->setText(kValueColumn, fromStd(name));
        if (!name.empty() && !host_.geometryTextureShown(shown_))
            host_.showStatusMessage(QStringLiteral("The texture \"%1\" could not be read; the geometry is drawn without it")
                                        .arg(fromStd(name)));
        faceChanged();
        return true;
    }

    const ColourText colour = parseColourText(text.toStdString());
    if (!colour.rgb) {
        host_.showStatusMessage(QStringLiteral("%1 not changed: %2").arg(row->text(0), fromStd(colour.error)));
        return false;
    }
    const bool changed = setColour(id, *colour.rgb);
    // Shown as stored, also when unchanged, so the text returns to its usual form.
    setColourItem(row, id == kDiffuse ? geometry->diffuse : geometry->specular);
    if (changed)
        faceChanged();
    return changed;
}

bool CPropertyGrid::browseTexture()
{
    if (!item(kTexture) || !chooseTextureFile)
        return false;
    // The dialog starts at the file the name means, beside the face, not in the working directory.
    const std::filesystem::path folder = faceFolder(host_.document().fileName);
    const QString current = fromStd(resolveTextureName(valueText(kTexture).toStdString(), folder).string());
    const std::optional<QString> chosen = chooseTextureFile(current);
    if (!chosen)
        return false;
    const std::string name = textureNameFor(std::filesystem::path(chosen->toStdString()), host_.document().fileName);
    const bool changed = editValue(kTexture, fromStd(name));
    tree_->viewport()->update();
    return changed;
}

bool CPropertyGrid::pickColour(int id)
{
    FaceGeom* geometry = shownGeometryData();
    if (!item(id) || !geometry || (id != kDiffuse && id != kSpecular) || !chooseColour)
        return false;
    const osg::Vec4& current = id == kDiffuse ? geometry->diffuse : geometry->specular;
    const QColor shown = swatchOf(current);
    const std::optional<QColor> chosen = chooseColour(shown);
    // OK on the colour shown is no change: the swatch holds only the low byte of each
    // component, so writing it back would turn 1.5 into 0.494.
    if (!chosen || chosen->toRgb().rgb() == shown.rgb())
        return false;
    const osg::Vec3 rgb(static_cast<float>(chosen->redF()), static_cast<float>(chosen->greenF()),
                        static_cast<float>(chosen->blueF()));
    const bool changed = setColour(id, rgb);
    if (changed) {
        setColourItem(item(id), id == kDiffuse ? geometry->diffuse : geometry->specular);
        faceChanged();
    }
    return changed;
}

}  // namespace mw
