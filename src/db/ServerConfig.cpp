#include "db/ServerConfig.h"

#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/TdsConnection.h"

#include <QFileInfo>
#include <QSettings>

namespace db {

namespace {

constexpr int kBadSetting = 50001;

int number(const QSettings& s, const QString& key, int fallback, int min, int max,
           const QString& path) {
    const QVariant v = s.value(key);
    if (!v.isValid() || v.toString().trimmed().isEmpty()) return fallback;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    if (!ok || n < min || n > max)
        throw Error(kBadSetting, QString("The setting %1 in %2 must be a number from %3 to %4, "
                                         "not \"%5\".")
                                     .arg(key, path)
                                     .arg(min)
                                     .arg(max)
                                     .arg(v.toString()));
    return n;
}

} // namespace

ConnectionSettings loadConnectionSettings(const QString& iniPath) {
    ConnectionSettings settings;
    if (iniPath.isEmpty() || !QFileInfo::exists(iniPath)) return settings;
    QSettings s(iniPath, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        throw Error(kBadSetting, "The connection settings file " + iniPath + " cannot be read.");
    const QString backend = s.value("Database/Backend").toString().trimmed();
    if (backend.compare("sqlserver", Qt::CaseInsensitive) == 0)
        settings.backend = ConnectionSettings::Backend::SqlServer;
    else if (!backend.isEmpty() && backend.compare("embedded", Qt::CaseInsensitive) != 0)
        throw Error(kBadSetting, "The setting Database/Backend in " + iniPath +
                                     " must be \"embedded\" or \"sqlserver\", not \"" + backend +
                                     "\".");
    settings.embeddedFolder = s.value("Database/Folder").toString().trimmed();
    ServerConfig& c = settings.server;
    c.server = s.value("Server/Host", c.server).toString().trimmed();
    c.port = number(s, "Server/Port", c.port, 1, 65535, iniPath);
    c.database = s.value("Server/Database", c.database).toString().trimmed();
    c.user = s.value("Server/User", c.user).toString().trimmed();
    c.loginTimeoutSeconds =
        number(s, "Server/LoginTimeout", c.loginTimeoutSeconds, 1, 3600, iniPath);
    c.queryTimeoutSeconds =
        number(s, "Server/QueryTimeout", c.queryTimeoutSeconds, 1, 86400, iniPath);
    return settings;
}

std::unique_ptr<Connection> openConnection(const ConnectionSettings& settings,
                                           const QString& password, const QString& defaultFolder) {
    if (settings.backend == ConnectionSettings::Backend::SqlServer)
        return std::make_unique<TdsConnection>(settings.server, password);
    const QString folder =
        settings.embeddedFolder.isEmpty() ? defaultFolder : settings.embeddedFolder;
    if (folder.isEmpty())
        throw Error(kBadSetting, "No folder is configured for the embedded database.");
    EmbeddedDatabase::ensure(folder);
    SqliteConnection::Options options;
    options.commandTimeoutSeconds = settings.server.queryTimeoutSeconds;
    return std::make_unique<SqliteConnection>(folder, options);
}

} // namespace db
