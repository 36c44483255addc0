#pragma once
// The versions kept of a record's file: before each rewrite of an open record (a page
// deletion, insertion, append, rescan, duplicate, import, a save of rotations and
// annotations) the file as it was is kept in the storage root's recycle area, in
// root\Recycled\Versions\<record>\ as "yyyyMMdd-HHmmss-zzz.tif". A version is a hard link of
// the old file where the file system allows it (a rewrite renames a new file over the old
// one, so the link keeps the old bytes at no cost), else a copy. The last `maxCount`
// versions of a record are kept, none older than `maxAgeDays` (settings "Versions" /
// "MaxCount" and "MaxAgeDays" of the program's preferences).
//
// While the record stays open, Undo puts the newest kept version back and Redo the version
// Undo replaced; each step is one atomic replacement of the file (replaceWithVersion).
#include "imaging/documents/DocumentModel.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace app {
class Clock;
class SettingsStore;
} // namespace app

namespace safety {

struct VersionLimits {
    int maxCount = 10;
    int maxAgeDays = 30;
};
// The limits stored in the settings (the defaults above for missing or unusable values).
VersionLimits versionLimits(const app::SettingsStore& settings);

struct KeptVersion {
    QString path; // native path of the kept file
    QDateTime time;
    qint64 size = 0;
};

// The folder of a record's versions under the native storage root: the record's row ID when
// it has one, else the file's name without its extension.
QString versionFolder(const QString& nativeRoot, const QString& recordKey);

// The versions of one record, in one folder.
class VersionStore {
public:
    VersionStore(QString folder, const app::Clock& clock, VersionLimits limits);

    // Keeps the file at `nativeFile` as it is now and drops versions beyond the limits.
    // Returns the kept version's path. Raises std::runtime_error when it cannot be kept.
    QString keep(const QString& nativeFile);
    // The versions kept, oldest first.
    std::vector<KeptVersion> versions() const;
    // Removes versions beyond the count and older than the age limit.
    void prune();
    QString folder() const { return folder_; }
    // True when the last keep() made a hard link rather than a copy.
    bool lastKeepLinked() const { return lastLinked_; }

private:
    QString folder_;
    const app::Clock& clock_;
    VersionLimits limits_;
    bool lastLinked_ = false;
};

// Replaces the file at `nativeFile` by the bytes of `versionPath`, atomically (a new file
// renamed over the old one). The one place where a record's file is replaced by a version.
// Raises imaging::Error.
void replaceWithVersion(const QString& nativeFile, const QString& versionPath);

// Undo and Redo of one open record's file. Observes the record's document model: each write
// of the model keeps the previous file first (and ends what could be redone).
class RecordHistory : public imaging::WriteObserver {
public:
    explicit RecordHistory(std::shared_ptr<VersionStore> store);

    void beforeWrite(const imaging::DocumentModel& model, const QString& nativePath) override;
    void afterWrite(const imaging::DocumentModel& model, const QString& nativePath) override;

    bool canUndo() const;
    bool canRedo() const;
    // One step back or forward: the model's file is replaced (DocumentModel::replaceFile, so
    // its other observers check the file is still the one it read and learn the new one) and
    // read again. False when there was nothing to step to. Raises on failure (the file then
    // is as it was).
    bool undo(imaging::DocumentModel& model);
    bool redo(imaging::DocumentModel& model);
    // Puts a kept version back (the file as it is now becomes a version that Undo returns to).
    void restore(imaging::DocumentModel& model, const QString& versionPath);

    VersionStore& store() const { return *store_; }
    // Called (on the thread that changed them) when what can be undone or redone changed.
    void setChangedHandler(std::function<void()> handler);

private:
    bool step(imaging::DocumentModel& model, std::vector<QString>& from, std::vector<QString>& to);
    // Puts `versionPath` back as the model's file, the file as it was kept first; returns
    // the kept one.
    QString replaceKeepingCurrent(imaging::DocumentModel& model, const QString& versionPath);
    void changed();
    std::shared_ptr<VersionStore> store_;
    std::atomic<bool> replacing_{false}; // our own replacement: nothing to keep before it
    mutable std::mutex mutex_;
    std::vector<QString> undo_, redo_;
    std::function<void()> onChanged_;
};

} // namespace safety
