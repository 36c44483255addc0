#include "app/ProgramFolders.h"

#include <QStandardPaths>

namespace app {

ProgramFolders ProgramFolders::standard() {
    ProgramFolders f;
    f.config = qEnvironmentVariable("DOCUVANE_CONFIG_DIR");
    if (f.config.isEmpty())
        f.config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/docuvane";
    f.data = qEnvironmentVariable("DOCUVANE_DATA_DIR");
    if (f.data.isEmpty())
        f.data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/docuvane";
    return f;
}

} // namespace app
