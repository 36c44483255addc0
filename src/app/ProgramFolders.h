#pragma once
// Where the program and its tools keep their configuration and data.
#include <QString>

namespace app {

struct ProgramFolders {
    QString config; // settings and the database configuration file
    QString data;   // the "Windows folder": temporary scans, the embedded database, demo share

    // DOCUVANE_CONFIG_DIR / DOCUVANE_DATA_DIR, else the user's XDG folders.
    static ProgramFolders standard();
    QString embeddedDatabase() const { return data + "/db"; }
    QString demoShare() const { return data + "/demo-share/recfiles"; }
    QString databaseConfig() const { return config + "/database.ini"; }
};

} // namespace app
