#include "app/document_controller.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTimer>
#include <QUrl>

namespace mw {

namespace {

std::filesystem::path toPath(const QString& path) { return std::filesystem::path(path.toStdString()); }
QString fromPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// The first local file among dropped data; empty when there is none.
QString droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

}  // namespace

DocumentController::DocumentController(DocumentHost& host, std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), host_(host), work_(host.documentWindow()), recent_(std::move(settings)),
      recentMenu_(std::make_unique<QMenu>(QStringLiteral("Open &Recent")))
{
    recentMenu_->setAccessibleName(QStringLiteral("Open Recent"));
    fillRecentMenu();
}

DocumentSession DocumentController::session()
{
    return DocumentSession{host_.document(), host_.documentPrompt(), work_};
}

void DocumentController::open()
{
    if (busy())
        return;
    const TarvFaceObject* before = host_.document().face.get();
    DocumentSession doc = session();
    openWithDialog(doc);
    finish(before);
}

bool DocumentController::save()
{
    return saveWith(saveCurrentFace);
}

bool DocumentController::saveAs()
{
    return saveWith(saveFaceAs);
}

bool DocumentController::saveWith(bool (*saveDocument)(DocumentSession&))
{
    if (busy())
        return false;
    DocumentSession doc = session();
    const bool saved = saveDocument(doc);
    if (saved)
        recent_.add(fromPath(host_.document().fileName));
    finish(host_.document().face.get());
    return saved;
}

bool DocumentController::openFile(const QString& path)
{
    if (busy() || path.isEmpty())
        return false;
    const TarvFaceObject* before = host_.document().face.get();
    DocumentSession doc = session();
    const bool opened = openFace(doc, toPath(path));
    finish(before);
    return opened;
}

bool DocumentController::mayClose()
{
    if (busy())
        return false;
    DocumentSession doc = session();
    const bool mayGo = maySetFaceAside(doc);
    finish(host_.document().face.get());
    return mayGo;
}

void DocumentController::finish(const TarvFaceObject* before)
{
    const Document& doc = host_.document();
    if (doc.face.get() != before && hasFace(doc))
        recent_.add(fromPath(doc.fileName));
    fillRecentMenu();
    emit documentChanged();
}

void DocumentController::openRecent(const QString& path)
{
    if (busy())
        return;
    if (!QFileInfo::exists(path)) {
        host_.documentPrompt().message(QDir::toNativeSeparators(path).toStdString() +
                                       " no longer exists and was removed from the recent files.");
        recent_.remove(path);
        fillRecentMenu();
        return;
    }
    openFile(path);
}

void DocumentController::fillRecentMenu()
{
    recentMenu_->clear();
    for (const QString& file : recent_.files()) {
        QString text = QDir::toNativeSeparators(file);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = recentMenu_->addAction(text);
        connect(action, &QAction::triggered, this, [this, file] { openRecent(file); });
    }
    recentMenu_->menuAction()->setEnabled(!recent_.files().isEmpty());
}

void DocumentController::acceptDrops(QWidget* window)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool DocumentController::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (busy() || droppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString file = droppedFile(drop->mimeData());
        if (busy() || file.isEmpty())
            return false;
        drop->acceptProposedAction();
        // Opened once the drop is over, so the source application is not kept waiting on the
        // question or the reading.
        QTimer::singleShot(0, this, [this, file] { openFile(file); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

}  // namespace mw
