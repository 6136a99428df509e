#pragma once
// The File commands of the window: Open (the open-face dialog), Save, Save As, Open Recent,
// closing the window, faces dropped on it and the face named on the command line. Files are
// read and written off the GUI thread while the window repaints; only installing what was read
// touches the scene. No answer to any of its questions loses unsaved work.

#include <memory>

#include <QMenu>
#include <QObject>
#include <QString>

#include "app/background_work.h"
#include "app/recent_files.h"
#include "authoring/document_lifecycle.h"

class QSettings;
class QWidget;

namespace mw {

// What the File commands need of the window that shows the face.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    virtual QWidget* documentWindow() = 0;
    virtual Document& document() = 0;
    virtual Prompt& documentPrompt() = 0;
};

class DocumentController : public QObject {
    Q_OBJECT

public:
    // The recent files live in `settings` (the user's settings of this program when null).
    explicit DocumentController(DocumentHost& host, std::unique_ptr<QSettings> settings = {},
                                QObject* parent = nullptr);

    // File > Open: the open-face dialog, then opening, importing or comparing.
    void open();
    // File > Save and File > Save As; true when the face was written.
    bool save();
    bool saveAs();
    // Opens a face file by name (command line, a dropped file, Open Recent), asking first
    // when the current face has unsaved changes.
    bool openFile(const QString& path);
    // Before the window closes: true when it may (nothing unsaved, No, or a save that worked);
    // never while a file is read or written.
    bool mayClose();

    // True while a file is read or written.
    bool busy() const { return work_.busy(); }
    const RecentFiles& recentFiles() const { return recent_; }
    // "Open Recent": the recent files, newest first; a file that no longer exists is removed
    // with a message when chosen. Disabled while the list is empty.
    QMenu* recentMenu() const { return recentMenu_.get(); }

    // Makes `window` open the face files dropped on it.
    void acceptDrops(QWidget* window);

signals:
    // After any File command: the face, the file name or the modified state may be new; the
    // window shows the document's changes.
    void documentChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DocumentSession session();
    // Saves with the given operation; a file written is remembered among the recent ones.
    bool saveWith(bool (*saveDocument)(DocumentSession&));
    // Remembers the file now shown when it is new, tells the window.
    void finish(const TarvFaceObject* before);
    void openRecent(const QString& path);
    void fillRecentMenu();

    DocumentHost& host_;
    QtBackgroundWork work_;
    RecentFiles recent_;
    std::unique_ptr<QMenu> recentMenu_;
};

}  // namespace mw
