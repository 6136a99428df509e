#include "app/recent_files.h"

#include <QFileInfo>

namespace mw {

namespace {

const QString kKey = QStringLiteral("recentFiles");

QString absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

}  // namespace

RecentFiles::RecentFiles(std::unique_ptr<QSettings> settings) : settings_(std::move(settings))
{
    if (!settings_)
        settings_ = std::make_unique<QSettings>(QStringLiteral("Mienwright"), QStringLiteral("Mienwright"));
    for (const QString& file : settings_->value(kKey).toStringList())
        if (!file.isEmpty() && !files_.contains(file) && files_.size() < kMaxFiles)
            files_.append(file);
}

void RecentFiles::add(const QString& path)
{
    const QString file = absolute(path);
    files_.removeAll(file);
    files_.prepend(file);
    while (files_.size() > kMaxFiles)
        files_.removeLast();
    store();
}

void RecentFiles::remove(const QString& path)
{
    if (files_.removeAll(path) > 0 || files_.removeAll(absolute(path)) > 0)
        store();
}

void RecentFiles::store()
{
    settings_->setValue(kKey, files_);
    settings_->sync();
}

}  // namespace mw
