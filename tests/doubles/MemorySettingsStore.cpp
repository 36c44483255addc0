#include "doubles/MemorySettingsStore.h"

namespace doubles {

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

} // namespace doubles
