#include "doubles/MemorySettingsStore.h"

namespace doubles {

QString MemorySettingsStore::read(const QString& application, const QString& section,
                                  const QString& key, const QString& def) const {
    auto it = files_.constFind(application);
    return it == files_.constEnd() ? def : it->value(section, key, def);
}

QString MemorySettingsStore::store(const QString& application, const QString& section,
                                   const QString& key, const QString& value) {
    if (!failure_.isEmpty()) return failure_;
    files_[application].setValue(section, key, value);
    ++writes_;
    return {};
}

bool MemorySettingsStore::contains(const QString& application, const QString& section,
                                   const QString& key) const {
    auto it = files_.constFind(application);
    return it != files_.constEnd() && it->contains(section, key);
}

} // namespace doubles
