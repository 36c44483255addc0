#pragma once
// Settings kept in memory only.
#include "app/IniFile.h"
#include "app/Settings.h"

#include <QHash>

namespace doubles {

class MemorySettingsStore : public app::SettingsStore {
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& def = {}) const override;
    bool contains(const QString& application, const QString& section, const QString& key) const;
    int writeCount() const { return writes_; }
    // From now on every write fails with `reason` (an empty reason lets writes succeed).
    void failWrites(QString reason) { failure_ = std::move(reason); }

protected:
    QString store(const QString& application, const QString& section, const QString& key,
                  const QString& value) override;

private:
    QHash<QString, app::IniFile> files_;
    int writes_ = 0;
    QString failure_;
};

} // namespace doubles
