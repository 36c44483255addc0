#include "app/Settings.h"

#include <QDir>

namespace app {

IniSettingsStore::IniSettingsStore(QString folder) : folder_(std::move(folder)) {
    QDir().mkpath(folder_);
    QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
}

QString IniSettingsStore::fileFor(const QString& application) const {
    return QDir(folder_).filePath(application + ".ini");
}

QString IniSettingsStore::read(const QString& application, const QString& section,
                               const QString& key, const QString& def) const {
    return IniFile::load(fileFor(application)).value(section, key, def);
}

void IniSettingsStore::write(const QString& application, const QString& section,
                             const QString& key, const QString& value) {
    const QString path = fileFor(application);
    IniFile ini = IniFile::load(path);
    ini.setValue(section, key, value);
    ini.save(path);
}

QString MemorySettingsStore::read(const QString& application, const QString& section,
                                  const QString& key, const QString& def) const {
    auto it = files_.constFind(application);
    return it == files_.constEnd() ? def : it->value(section, key, def);
}

void MemorySettingsStore::write(const QString& application, const QString& section,
                                const QString& key, const QString& value) {
    files_[application].setValue(section, key, value);
    ++writes_;
}

bool MemorySettingsStore::contains(const QString& application, const QString& section,
                                   const QString& key) const {
    auto it = files_.constFind(application);
    return it != files_.constEnd() && it->contains(section, key);
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
