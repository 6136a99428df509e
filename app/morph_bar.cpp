#include "app/morph_bar.h"

#include <algorithm>
#include <cmath>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QResizeEvent>
#include <QStyledItemDelegate>

#include "authoring/face_editing.h"
#include "authoring/face_properties.h"
#include "model/face_operations.h"

namespace mw {

namespace {

constexpr int kIndexRole = Qt::UserRole;

// Commits a finished label edit through the bar, which checks the name and renames the face's
// geometry or morph; the item's text changes only when the face did. Escape never gets here.
class NameDelegate : public QStyledItemDelegate {
public:
    NameDelegate(CMorphBar& bar, QObject* parent) : QStyledItemDelegate(parent), bar_(bar) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            bar_.renameItem(bar_.tree()->itemFromIndex(index), line->text());
    }

private:
    CMorphBar& bar_;
};

// The slider position that shows weight w: w × 100 in double precision, truncated towards
// zero, kept on the slider. A weight set from position p may show p - 1 (0.01f × 100 is just
// below 1); single precision would round that product up to 1 instead.
int sliderPosition(float weight)
{
    const double scaled = static_cast<double>(weight) * 100.0;
    if (!(scaled > 0.0))
        return 0;
    return static_cast<int>(std::min(std::trunc(scaled), 100.0));
}

}  // namespace

CMorphBar::CMorphBar(PaneHost& host, QWidget* parent)
    : QWidget(parent), host_(host), tree_(new QTreeWidget(this)), slider_(new QSlider(Qt::Horizontal, this)),
      sliderValue_(new QLabel(QStringLiteral("0"), this))
{
    setWindowTitle(QStringLiteral("Morph"));
    setAccessibleName(QStringLiteral("Morph"));

    tree_->setColumnCount(1);
    tree_->header()->hide();
    tree_->setRootIsDecorated(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tree_->setItemDelegate(new NameDelegate(*this, tree_));
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->installEventFilter(this);
    tree_->setFrameShape(QFrame::StyledPanel);
    tree_->setAccessibleName(QStringLiteral("Geometries and morphs"));

    slider_->setRange(0, 100);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(10);
    slider_->setPageStep(10);
    slider_->setAccessibleName(QStringLiteral("Morph weight"));
    slider_->setToolTip(QStringLiteral("Weight of the selected morph, in percent"));

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CMorphBar::onSelectionChanged);
    connect(tree_, &QWidget::customContextMenuRequested, this, &CMorphBar::onContextMenu);
    connect(slider_, &QSlider::valueChanged, this, &CMorphBar::onSliderValue);
    // The value beside the slider, in the same percent; a screen reader hears what is shown.
    sliderValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sliderValue_->setAccessibleName(sliderValue_->text());
    connect(slider_, &QSlider::valueChanged, sliderValue_, [this](int value) {
        sliderValue_->setText(QString::number(value));
        sliderValue_->setAccessibleName(sliderValue_->text());
    });
}

CMorphBar::~CMorphBar()
{
    // Nothing the tree or the slider report while they are taken apart reaches the host,
    // which may be going too.
    rebuilding_ = true;
    tree_->disconnect(this);
    slider_->disconnect(this);
}

void CMorphBar::resizeEvent(QResizeEvent* event)
{
    const int width = event->size().width();
    const int height = event->size().height();
    tree_->setGeometry(0, 0, width, std::max(height - kSliderHeight, 0));
    const int valueWidth = sliderValue_->fontMetrics().horizontalAdvance(QStringLiteral("100")) + 8;
    const int top = std::max(height - kSliderHeight, 0);
    slider_->setGeometry(0, top, std::max(width - valueWidth, 0), kSliderHeight);
    sliderValue_->setGeometry(std::max(width - valueWidth, 0), top, valueWidth, kSliderHeight);
}

QTreeWidgetItem* CMorphBar::addItem(QTreeWidgetItem* root, std::string& name, int index)
{
    if (name.empty())
        name = kEmptyName;
    auto* item = new QTreeWidgetItem(root, QStringList(QString::fromStdString(name)));
    item->setData(0, kIndexRole, index);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

TarvFaceObject* CMorphBar::face() const { return host_.document().face.get(); }

void CMorphBar::showFace()
{
    rebuilding_ = true;
    tree_->clear();
    geometryRoot_ = morphRoot_ = nullptr;
    if (TarvFaceObject* face = this->face()) {
        // Root items are not editable: their names are the tree's, not the face's.
        const Qt::ItemFlags rootFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        geometryRoot_ = new QTreeWidgetItem(tree_, QStringList(QStringLiteral("Geometry")));
        geometryRoot_->setFlags(rootFlags);
        for (std::size_t i = 0; i < face->geometries.size(); ++i)
            addItem(geometryRoot_, face->geometries[i]->name, static_cast<int>(i));
        morphRoot_ = new QTreeWidgetItem(tree_, QStringList(QStringLiteral("Morph")));
        morphRoot_->setFlags(rootFlags);
        for (std::size_t i = 0; i < face->morphs.size(); ++i)
            addItem(morphRoot_, face->morphs[i]->name, static_cast<int>(i));
        tree_->expandAll();
    }
    rebuilding_ = false;
    setSliderQuietly(0);
    host_.updateCommandStates();
}

void CMorphBar::refreshFromFace()
{
    const int geometry = selectedGeometry();
    const int morph = selectedMorph();
    showFace();
    QTreeWidgetItem* root = geometry >= 0 ? geometryRoot_ : morph >= 0 ? morphRoot_ : nullptr;
    const int row = geometry >= 0 ? geometry : morph;
    if (root && row < root->childCount())
        tree_->setCurrentItem(root->child(row));
    else
        host_.selectGeometry(-1);
}

void CMorphBar::selectMorphItem(int index)
{
    if (morphRoot_ && index >= 0 && index < morphRoot_->childCount())
        tree_->setCurrentItem(morphRoot_->child(index));
}

void CMorphBar::showSelectedWeight()
{
    const int morph = selectedMorph();
    setSliderQuietly(face() && morph >= 0 ? sliderPosition(getMorphWeight(*face(), morph)) : 0);
}

void CMorphBar::setSliderQuietly(int position)
{
    settingSlider_ = true;
    slider_->setValue(position);
    settingSlider_ = false;
}

int CMorphBar::selectedChildOf(const QTreeWidgetItem* root) const
{
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    if (!root || selected.isEmpty() || selected.front()->parent() != root)
        return -1;
    return selected.front()->data(0, kIndexRole).toInt();
}

int CMorphBar::selectedMorph() const { return selectedChildOf(morphRoot_); }

int CMorphBar::selectedGeometry() const { return selectedChildOf(geometryRoot_); }

void CMorphBar::selectGeometryItem(int index)
{
    if (!face() || !geometryRoot_ || geometryRoot_->childCount() == 0)
        return;
    const int row = std::max(index, 0);
    if (row >= geometryRoot_->childCount())
        return;
    QTreeWidgetItem* item = geometryRoot_->child(row);
    if (item->isSelected()) {
        // Already selected: the tree reports no change, but what is shown of the geometry
        // (its neck vertices, say) may have changed.
        host_.selectGeometry(selectedGeometry());
        return;
    }
    tree_->setCurrentItem(item);
}

void CMorphBar::onSelectionChanged()
{
    if (rebuilding_ || !face())
        return;
    const int morph = selectedMorph();
    if (morph >= 0) {
        setSliderQuietly(sliderPosition(getMorphWeight(*face(), morph)));
        host_.selectGeometry(-1);
    } else {
        host_.selectGeometry(selectedGeometry());
    }
    host_.updateCommandStates();
}

void CMorphBar::onSliderValue(int position)
{
    if (settingSlider_ || !face())
        return;
    const int morph = selectedMorph();
    if (morph < 0)
        return;
    setMorphValue(host_.document(), morph, static_cast<float>(position) * 0.01f);
    host_.refreshView(true);
}

void CMorphBar::onContextMenu(const QPoint& position)
{
    if (!face())
        return;
    QTreeWidgetItem* item = tree_->itemAt(position);
    if (!item || !item->parent() || (item->parent() != geometryRoot_ && item->parent() != morphRoot_))
        return;
    tree_->setCurrentItem(item);
    host_.showContextMenu(item->parent() == geometryRoot_ ? kGeometryMenu : kMorphMenu);
}

bool CMorphBar::eventFilter(QObject* watched, QEvent* event)
{
    // Delete on a morph item deletes the morph (while a name is edited, its editor gets the key).
    if (watched == tree_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        selectedMorph() >= 0) {
        host_.runCommand(command::DeleteMorph);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool CMorphBar::renameItem(QTreeWidgetItem* item, const QString& text)
{
    if (rebuilding_ || !face() || !item || text.isEmpty() || !item->parent())
        return false;
    const std::string name = text.toStdString();
    const int index = item->data(0, kIndexRole).toInt();
    bool renamed = false;
    if (item->parent() == morphRoot_) {
        if (auto refusal = nameRefusal(name)) {
            host_.showStatusMessage(QString::fromStdString(*refusal));
            return false;
        }
        renamed = host_.editFace("Rename Morph", [&](Document& doc) { return renameFaceMorph(doc, index, name); });
    } else if (item->parent() == geometryRoot_) {
        if (auto refusal = geometryNameRefusal(*face(), index, name)) {
            host_.showStatusMessage(QString::fromStdString(*refusal));
            return false;
        }
        renamed = host_.editFace("Rename Geometry", [&](Document& doc) { return renameFaceGeometry(doc, index, name); });
    }
    if (!renamed)
        return false;
    item->setText(0, text);
    host_.updateCommandStates();
    return true;
}

}  // namespace mw
