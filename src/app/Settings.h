#pragma once
// The per-user settings store: texts addressed by application name, section and key.
#include "app/IniFile.h"

#include <QHash>
#include <QString>
#include <functional>
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
    // Stores the text. A write that fails changes nothing, is reported to the failure
    // reporter (never ignored) and returns false; lastWriteError() then says why until the
    // next write that succeeds. Commands that confirm a change check the result.
    bool write(const QString& application, const QString& section, const QString& key,
               const QString& value);
    QString lastWriteError() const { return lastError_; }
    // Receives the description of every failed write; without one it goes to the
    // program's warning output.
    void setFailureReporter(std::function<void(const QString&)> reporter) {
        reporter_ = std::move(reporter);
    }

protected:
    // Stores the text; returns an empty text on success, else what went wrong (nothing
    // must have changed then).
    virtual QString store(const QString& application, const QString& section,
                          const QString& key, const QString& value) = 0;

private:
    std::function<void(const QString&)> reporter_;
    QString lastError_;
};

// One INI file per application name in a folder ("<folder>/<application>.ini"), created
// readable by the user only (the share password is kept there). Every write re-reads the
// file first, so two running copies of the program do not undo each other's keys; when
// that re-read fails the write stores nothing, so the file never loses the other keys.
class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(QString folder);
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& def = {}) const override;
    QString fileFor(const QString& application) const;

protected:
    QString store(const QString& application, const QString& section, const QString& key,
                  const QString& value) override;

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
