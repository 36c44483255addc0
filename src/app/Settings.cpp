#include "app/Settings.h"

#include "app/General.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace app {

IniSettingsStore::IniSettingsStore(QString folder) : folder_(std::move(folder)) {
    makePrivateFolder(folder_);
}

QString IniSettingsStore::fileFor(const QString& application) const {
    return QDir(folder_).filePath(application + ".ini");
}

IniFile IniSettingsStore::current(const QString& application) const {
    const QString path = fileFor(application);
    const QFileInfo fi(path);
    const qint64 modified = fi.exists() ? fi.lastModified().toMSecsSinceEpoch() : -1;
    const qint64 size = fi.exists() ? fi.size() : -1;
    std::lock_guard lock(mutex_);
    Cached& c = cache_[application];
    if (c.modified != modified || c.size != size || modified < 0) {
        c.ini = IniFile::load(path);
        c.modified = modified;
        c.size = size;
    }
    return c.ini;
}

QString IniSettingsStore::read(const QString& application, const QString& section,
                               const QString& key, const QString& def) const {
    return current(application).value(section, key, def);
}

bool SettingsStore::write(const QString& application, const QString& section,
                          const QString& key, const QString& value) {
    const QString error = store(application, section, key, value);
    if (error.isEmpty()) {
        lastError_.clear();
        return true;
    }
    lastError_ = QStringLiteral("The setting \"%1\" was not saved. %2").arg(key, error);
    if (reporter_)
        reporter_(lastError_);
    else
        qWarning("%s", qPrintable(lastError_));
    return false;
}

QString IniSettingsStore::store(const QString& application, const QString& section,
                                const QString& key, const QString& value) {
    const QString path = fileFor(application);
    // Re-read from disk: another running copy may have written since. A file that cannot
    // be read is left alone: writing it anew would drop every other key.
    QString error;
    std::optional<IniFile> ini = IniFile::read(path, &error);
    if (ini) {
        ini->setValue(section, key, value);
        ini->save(path, &error);
    }
    std::lock_guard lock(mutex_);
    cache_.remove(application);
    return error;
}

QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

bool parseBool(const QString& text, bool def) {
    const QString t = text.trimmed();
    if (t.compare("True", Qt::CaseInsensitive) == 0) return true;
    if (t.compare("False", Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const double n = t.toDouble(&ok);
    return ok ? n != 0 : def;
}

} // namespace app
