#pragma once
// The per-user settings store: texts addressed by application name, section and key.
#include "app/IniFile.h"

#include <QHash>
#include <QString>
#include <mutex>

namespace app {

// Application names used by the program. The difference (one blank) matters: they are two
// separate stores.
inline const QString kAppMain = QStringLiteral("TALVORDocuvane");
inline const QString kAppPrefs = QStringLiteral("TALVOR Docuvane");

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or `def` when the key does not exist.
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& def = {}) const = 0;
    virtual void write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;
};

// One INI file per application name in a folder ("<folder>/<application>.ini"), created
// readable by the user only (the share password is kept there). Every write re-reads the
// file first, so two running copies of the program do not undo each other's keys.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString folder);
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& def = {}) const override;
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;
    QString fileFor(const QString& application) const;

private:
    // The parsed file, kept while the file on disk is unchanged: paths are mapped through
    // the settings on every file access, from worker threads too.
    IniFile current(const QString& application) const;
    struct Cached {
        IniFile ini;
        qint64 modified = -1;
        qint64 size = -1;
    };
    QString folder_;
    mutable std::mutex mutex_;
    mutable QHash<QString, Cached> cache_;
};

// Text forms of Boolean settings, as the program has always stored them.
QString boolText(bool b);
// "True"/"False" in any case, and numbers (non-zero is true); anything else gives `def`.
bool parseBool(const QString& text, bool def);

} // namespace app
