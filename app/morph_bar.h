#pragma once
// CMorphBar: the "Head Info" pane. A tree lists the face's geometries under "Geometry" and its
// morphs under "Morph" (item data: the index in the face); below it a slider (0 … 100) shows
// and sets the weight of the selected morph. Geometries and morphs are renamed in place.

#include <QLabel>
#include <QSlider>
#include <QTreeWidget>
#include <QWidget>

#include "app/command_table.h"
#include "app/pane_host.h"
#include "model/face.h"

namespace mw {

class CMorphBar : public QWidget {
    Q_OBJECT

public:
    // The menus a right click on a geometry item and on a morph item open.
    static constexpr int kGeometryMenu = kGeometryContextMenu;
    static constexpr int kMorphMenu = kMorphContextMenu;
    // Height of the slider strip at the bottom of the bar, in pixels.
    static constexpr int kSliderHeight = 50;

    // `host` must outlive the bar.
    explicit CMorphBar(PaneHost& host, QWidget* parent = nullptr);
    ~CMorphBar() override;

    // Shows the document's face (nothing without one): the tree is rebuilt from scratch and
    // nothing is selected. Empty names in the face become "[empty]".
    void showFace();
    // Puts the slider where the selected morph's weight is, without touching any weight.
    void showSelectedWeight();
    // The index of the selected morph or geometry; -1 when the selection is not one.
    int selectedMorph() const;
    int selectedGeometry() const;
    // Selects geometry item `index` (0 or less: the first); nothing without a face or when
    // the face has no such geometry.
    void selectGeometryItem(int index);
    // After a command changed the face: the tree is built anew from it and the selection
    // stays on the item of the same kind and index where that still exists.
    void refreshFromFace();
    // Selects the item of morph `index`; nothing for an index outside the list.
    void selectMorphItem(int index);

    QTreeWidget* tree() const { return tree_; }
    QSlider* slider() const { return slider_; }
    // The slider's value as a number beside it.
    QLabel* sliderValue() const { return sliderValue_; }
    QTreeWidgetItem* geometryRoot() const { return geometryRoot_; }
    QTreeWidgetItem* morphRoot() const { return morphRoot_; }

    // Renames what `item` stands for, as an edit in the tree committing `text` does: an empty
    // text changes nothing, a text with blanks or tabs is refused with a note in the status
    // bar. True when the name changed.
    bool renameItem(QTreeWidgetItem* item, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TarvFaceObject* face() const;
    QTreeWidgetItem* addItem(QTreeWidgetItem* root, std::string& name, int index);
    int selectedChildOf(const QTreeWidgetItem* root) const;
    void onSelectionChanged();
    void onSliderValue(int position);
    void onContextMenu(const QPoint& position);
    void setSliderQuietly(int position);

    PaneHost& host_;
    QTreeWidget* tree_;
    QSlider* slider_;
    QLabel* sliderValue_;
    QTreeWidgetItem* geometryRoot_ = nullptr;
    QTreeWidgetItem* morphRoot_ = nullptr;
    bool rebuilding_ = false;
    bool settingSlider_ = false;
};

}  // namespace mw
