#pragma once
// The faces opened or saved last, newest first, kept across runs in the user's settings.

#include <memory>

#include <QSettings>
#include <QStringList>

namespace mw {

class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    // Kept in `settings`; the user's settings of this program when none is given.
    explicit RecentFiles(std::unique_ptr<QSettings> settings = {});

    QStringList files() const { return files_; }
    // Puts `path` (made absolute) first; an older entry of the same file goes, and so do the
    // entries past kMaxFiles.
    void add(const QString& path);
    void remove(const QString& path);

private:
    void store();

    std::unique_ptr<QSettings> settings_;
    QStringList files_;
};

}  // namespace mw
