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

bool yesNo(const QSettings& s, const QString& key, bool fallback, const QString& path) {
    const QString v = s.value(key).toString().trimmed().toLower();
    if (v.isEmpty()) return fallback;
    if (v == "yes" || v == "true" || v == "1" || v == "on" || v == "require" || v == "required")
        return true;
    if (v == "no" || v == "false" || v == "0" || v == "off") return false;
    throw Error(kBadSetting, "The setting " + key + " in " + path + " must be \"yes\" or \"no\", not \"" +
                                 s.value(key).toString() + "\".");
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
    const QString auth = s.value("Server/Authentication").toString().trimmed();
    if (auth.compare("kerberos", Qt::CaseInsensitive) == 0)
        c.authentication = ServerConfig::Authentication::Kerberos;
    else if (!auth.isEmpty() && auth.compare("sql", Qt::CaseInsensitive) != 0)
        throw Error(kBadSetting, "The setting Server/Authentication in " + iniPath +
                                     " must be \"sql\" or \"kerberos\", not \"" + auth + "\".");
    c.servicePrincipal = s.value("Server/ServicePrincipal").toString().trimmed();
    c.encrypt = yesNo(s, "Server/Encrypt", true, iniPath);
    c.caFile = s.value("Server/CAFile").toString().trimmed();
    c.checkCertificateName = yesNo(s, "Server/CheckCertificateName", true, iniPath);
    c.loginTimeoutSeconds =
        number(s, "Server/LoginTimeout", c.loginTimeoutSeconds, 1, 3600, iniPath);
    c.queryTimeoutSeconds =
        number(s, "Server/QueryTimeout", c.queryTimeoutSeconds, 1, 86400, iniPath);
    return settings;
}

std::unique_ptr<Connection> openConnection(const ConnectionSettings& settings,
                                           const QString& login, const QString& password,
                                           const QString& defaultFolder) {
    if (settings.backend == ConnectionSettings::Backend::SqlServer) {
        ServerConfig c = settings.server;
        c.user = login;
        return std::make_unique<TdsConnection>(c, password);
    }
    const QString folder =
        settings.embeddedFolder.isEmpty() ? defaultFolder : settings.embeddedFolder;
    if (folder.isEmpty())
        throw Error(kBadSetting, "No folder is configured for the embedded database.");
    EmbeddedDatabase::ensure(folder);
    SqliteConnection::Options options;
    options.commandTimeoutSeconds = settings.server.queryTimeoutSeconds;
    return std::make_unique<SqliteConnection>(folder, options);
}

QString connectionNotice(const ConnectionSettings& settings, bool demoDatabase) {
    if (settings.backend == ConnectionSettings::Backend::Embedded)
        return demoDatabase ? QStringLiteral("Demo database (embedded, not for patient data)")
                            : QStringLiteral("Embedded database");
    const QString where = "SQL Server " + settings.server.server;
    return settings.server.encrypt ? where + " (encrypted)"
                                   : where + " (NOT ENCRYPTED: encryption is turned off)";
}

} // namespace db
