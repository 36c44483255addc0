#include "safety/Versions.h"

#include "app/Clock.h"
#include "app/Settings.h"
#include "imaging/documents/AtomicFile.h"
#include "imaging/pixels/ImagingError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <stdexcept>
#include <unistd.h>

namespace safety {

namespace {

constexpr auto kTimeFormat = "yyyyMMdd-HHmmss-zzz";

// The time a version was kept, from its name ("20260101-120000-000.tif", "...-2.tif" when
// two were kept in the same millisecond); invalid for any other name.
QDateTime timeOfName(const QString& fileName) {
    const QString stem = QFileInfo(fileName).completeBaseName();
    return QDateTime::fromString(stem.left(19), QString::fromLatin1(kTimeFormat));
}

int positiveSetting(const app::SettingsStore& settings, const char* key, int def) {
    bool ok = false;
    const int v = settings.read(app::kAppPrefs, "Versions", key).trimmed().toInt(&ok);
    return ok && v > 0 ? v : def;
}

} // namespace

VersionLimits versionLimits(const app::SettingsStore& settings) {
    VersionLimits l;
    l.maxCount = positiveSetting(settings, "MaxCount", l.maxCount);
    l.maxAgeDays = positiveSetting(settings, "MaxAgeDays", l.maxAgeDays);
    return l;
}

QString versionFolder(const QString& nativeRoot, const QString& recordKey) {
    return QDir(nativeRoot).filePath(QStringLiteral("Recycled/Versions/") + recordKey);
}

VersionStore::VersionStore(QString folder, const app::Clock& clock, VersionLimits limits)
    : folder_(std::move(folder)), clock_(clock), limits_(limits) {}

QString VersionStore::keep(const QString& nativeFile) {
    if (!QDir().mkpath(folder_))
        throw std::runtime_error(("Cannot create the versions folder " + folder_).toStdString());
    const QString stem = clock_.now().toString(QString::fromLatin1(kTimeFormat));
    QString target = QDir(folder_).filePath(stem + ".tif");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QDir(folder_).filePath(stem + "-" + QString::number(n) + ".tif");
    const QByteArray from = QFile::encodeName(nativeFile);
    const QByteArray to = QFile::encodeName(target);
    lastLinked_ = ::link(from.constData(), to.constData()) == 0;
    if (!lastLinked_ && !QFile::copy(nativeFile, target))
        throw std::runtime_error(("Cannot keep a version of " + nativeFile).toStdString());
    prune();
    return target;
}

std::vector<KeptVersion> VersionStore::versions() const {
    std::vector<KeptVersion> out;
    const QFileInfoList files = QDir(folder_).entryInfoList({"*.tif"}, QDir::Files);
    for (const QFileInfo& f : files) {
        const QDateTime t = timeOfName(f.fileName());
        if (t.isValid()) out.push_back({f.filePath(), t, f.size()});
    }
    std::sort(out.begin(), out.end(), [](const KeptVersion& a, const KeptVersion& b) {
        return a.time != b.time ? a.time < b.time : a.path < b.path;
    });
    return out;
}

void VersionStore::prune() {
    const std::vector<KeptVersion> all = versions();
    const QDateTime oldest = clock_.now().addDays(-limits_.maxAgeDays);
    const size_t excess = all.size() > size_t(limits_.maxCount) ? all.size() - limits_.maxCount : 0;
    for (size_t i = 0; i < all.size(); ++i)
        if (i < excess || all[i].time < oldest) QFile::remove(all[i].path);
}

void replaceWithVersion(const QString& nativeFile, const QString& versionPath) {
    QFile in(versionPath);
    if (!in.open(QIODevice::ReadOnly))
        throw imaging::Error(imaging::kErrFileNotFound,
                             QStringLiteral("The version %1 cannot be read").arg(versionPath));
    imaging::AtomicFile out(nativeFile);
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        out.write(chunk.constData(), size_t(chunk.size()));
    if (in.error() != QFileDevice::NoError)
        throw imaging::Error(imaging::kErrFileAccess,
                             QStringLiteral("The version %1 cannot be read").arg(versionPath));
    out.commit();
}

RecordHistory::RecordHistory(std::shared_ptr<VersionStore> store) : store_(std::move(store)) {}

void RecordHistory::beforeWrite(const imaging::DocumentModel&, const QString& nativePath) {
    if (replacing_ || !QFileInfo::exists(nativePath)) return; // nothing to keep
    {
        std::lock_guard lock(mutex_);
        undo_.push_back(store_->keep(nativePath));
        redo_.clear();
    }
    changed();
}

void RecordHistory::afterWrite(const imaging::DocumentModel&, const QString&) {}

bool RecordHistory::canUndo() const {
    std::lock_guard lock(mutex_);
    return std::any_of(undo_.begin(), undo_.end(), [](const QString& p) { return QFileInfo::exists(p); });
}

bool RecordHistory::canRedo() const {
    std::lock_guard lock(mutex_);
    return std::any_of(redo_.begin(), redo_.end(), [](const QString& p) { return QFileInfo::exists(p); });
}

QString RecordHistory::replaceKeepingCurrent(imaging::DocumentModel& model,
                                             const QString& versionPath) {
    QString current;
    replacing_ = true;
    try {
        model.replaceFile([&](const QString& nativeFile) {
            current = store_->keep(nativeFile);
            try {
                replaceWithVersion(nativeFile, versionPath);
            } catch (...) {
                QFile::remove(current);
                throw;
            }
        });
    } catch (...) {
        replacing_ = false;
        throw;
    }
    replacing_ = false;
    return current;
}

bool RecordHistory::undo(imaging::DocumentModel& model) { return step(model, undo_, redo_); }
bool RecordHistory::redo(imaging::DocumentModel& model) { return step(model, redo_, undo_); }

bool RecordHistory::step(imaging::DocumentModel& model, std::vector<QString>& from,
                         std::vector<QString>& to) {
    QString target;
    {
        std::lock_guard lock(mutex_);
        while (!from.empty() && !QFileInfo::exists(from.back())) from.pop_back();
        if (from.empty()) return false;
        target = from.back();
    }
    const QString current = replaceKeepingCurrent(model, target);
    {
        std::lock_guard lock(mutex_);
        std::erase(from, target);
        to.push_back(current);
    }
    QFile::remove(target); // the file holds these bytes again
    changed();
    return true;
}

void RecordHistory::restore(imaging::DocumentModel& model, const QString& versionPath) {
    const QString current = replaceKeepingCurrent(model, versionPath);
    {
        std::lock_guard lock(mutex_);
        undo_.push_back(current);
        redo_.clear();
    }
    changed();
}

void RecordHistory::setChangedHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    onChanged_ = std::move(handler);
}

void RecordHistory::changed() {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        handler = onChanged_;
    }
    if (handler) handler();
}

} // namespace safety
