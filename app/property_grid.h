#pragma once
// CPropertyGrid: the "Property" pane. A property editor (caption column, value column, the
// description of the current row below) with one category, "Properties", that lists the
// texture, diffuse and specular colour of the geometry selected in the morph bar. Values
// edited here are written into the geometry: the view shows them at once and the face counts
// as modified.

#include <functional>
#include <optional>

#include <QColor>
#include <QLabel>
#include <QString>
#include <QTreeWidget>
#include <QWidget>
#include <osg/Vec4>

#include "app/pane_host.h"

namespace mw {

class CPropertyGrid : public QWidget {
    Q_OBJECT

public:
    // Item ids: the category, then its items in the order they are shown.
    enum ItemId { kCategory = 0, kTexture = 1, kDiffuse = 2, kSpecular = 3 };

    // `host` must outlive the grid.
    explicit CPropertyGrid(PaneHost& host, QWidget* parent = nullptr);
    ~CPropertyGrid() override;

    // Empties the category (a new face is shown).
    void clearItems();
    // Rebuilds the category's items from geometry `index`; an index outside the face (-1 for
    // none) leaves it empty. Nothing happens without a face in the host's document.
    void showGeometry(int index);
    // The geometry whose items are shown, -1 when none.
    int shownGeometry() const { return shown_; }

    QTreeWidget* tree() const { return tree_; }
    QTreeWidgetItem* category() const { return category_; }
    // The item with this id under the category, or null.
    QTreeWidgetItem* item(int id) const;
    QString valueText(int id) const;
    // The swatch shown beside a colour's text.
    QColor swatchColour(int id) const;
    // The caption and description under the grid.
    QString descriptionTitle() const { return descriptionTitle_->text(); }
    QString descriptionText() const { return descriptionText_->text(); }

    // Commits `text` as the new value of item `id`, as typing into its cell does. Colour text
    // that cannot be read is refused with the reason in the status bar. True when the
    // geometry changed.
    bool editValue(int id, const QString& text);
    // The texture's browse button: a file chooser that starts at the current value; a file
    // inside the face file's folder is stored relative to it. True when the geometry changed.
    bool browseTexture();
    // A colour item's swatch button: a colour chooser that starts at the current colour.
    bool pickColour(int id);

    // The choosers behind the buttons; they answer nothing when cancelled. Tests replace them.
    std::function<std::optional<QString>(const QString& current)> chooseTextureFile;
    std::function<std::optional<QColor>(const QColor& current)> chooseColour;

    // The swatch of a colour: of each component × 255, truncated, its low 8 bits.
    static QColor swatchOf(const osg::Vec4& colour);

private:
    QTreeWidgetItem* addItem(int id, const QString& caption, const QString& description);
    void setColourItem(QTreeWidgetItem* item, const osg::Vec4& colour);
    void showDescription(QTreeWidgetItem* item);
    void faceChanged();
    // Sets the shown geometry's diffuse or specular colour as one step of the face's history.
    bool setColour(int id, const osg::Vec3& rgb);
    FaceGeom* shownGeometryData() const;

    PaneHost& host_;
    QTreeWidget* tree_;
    QTreeWidgetItem* category_;
    QLabel* descriptionTitle_;
    QLabel* descriptionText_;
    int shown_ = -1;
    bool clearing_ = false;
};

}  // namespace mw
