#pragma once
// Where the records database lives: the connection settings file (INI) and the factory that
// opens the embedded backend (the default) or SQL Server.
#include "db/Connection.h"

#include <QString>
#include <memory>

namespace db {

struct ServerConfig {
    QString server; // host name or address; the name the server's certificate is checked for
    int port = 1433;
    QString database = QStringLiteral("dbRecords");
    // How the employee signs in: their own SQL Server login and password, or the domain's
    // Kerberos ticket of the desktop session (no password typed).
    enum class Authentication { SqlLogin, Kerberos };
    Authentication authentication = Authentication::SqlLogin;
    QString servicePrincipal; // Kerberos: the server's SPN when not MSSQLSvc/<host>:<port>
    // TLS: required unless turned off explicitly; the server's certificate must be signed by a
    // CA of `caFile` (empty: the system's CAs) and name `server`.
    bool encrypt = true;
    QString caFile;
    bool checkCertificateName = true;
    QString user; // the login of this connection (set at sign-in, never read from the file)
    int loginTimeoutSeconds = 10;
    int queryTimeoutSeconds = 120;
};

struct ConnectionSettings {
    enum class Backend { Embedded, SqlServer };
    Backend backend = Backend::Embedded;
    QString embeddedFolder; // the embedded backend's folder (empty: the caller's default)
    ServerConfig server;
};

// Reads the settings file: [Database] Backend=embedded|sqlserver and Folder=...;
// [Server] Host, Port, Database, Authentication=sql|kerberos, ServicePrincipal,
// Encrypt=yes|no, CAFile, CheckCertificateName=yes|no, LoginTimeout, QueryTimeout. The file
// holds no login and no password. A missing file or key keeps the default. An unknown value,
// a bad port or timeout raises db::Error naming the key.
ConnectionSettings loadConnectionSettings(const QString& iniPath);

// Opens the connection the settings choose. The embedded backend creates its database files
// on first use (EmbeddedDatabase::ensure) in `settings.embeddedFolder`, or `defaultFolder`
// when the settings name none; `login` and `password` are used only for a SQL Server login.
std::unique_ptr<Connection> openConnection(const ConnectionSettings& settings,
                                           const QString& login, const QString& password,
                                           const QString& defaultFolder = {});

// One line on how the program is connected, for the status bar: the demo database, another
// embedded database, or the server and whether the connection is encrypted.
QString connectionNotice(const ConnectionSettings& settings, bool demoDatabase);

} // namespace db
