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
    void write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;
    bool contains(const QString& application, const QString& section, const QString& key) const;
    int writeCount() const { return writes_; }

private:
    QHash<QString, app::IniFile> files_;
    int writes_ = 0;
};

} // namespace doubles
