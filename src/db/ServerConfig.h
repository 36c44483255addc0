#pragma once
// Where the records database lives: the connection settings file (INI) and the factory that
// opens the embedded backend (the default) or SQL Server.
#include "db/Connection.h"

#include <QString>
#include <memory>

namespace db {

struct ServerConfig {
    QString server; // host name or address
    int port = 1433;
    QString database = QStringLiteral("dbRecords");
    QString user;
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
// [Server] Host, Port, Database, User, LoginTimeout, QueryTimeout. A missing file or key keeps
// the default. An unknown Backend, a bad port or timeout raises db::Error naming the key.
ConnectionSettings loadConnectionSettings(const QString& iniPath);

// Opens the connection the settings choose. The embedded backend creates its database files
// on first use (EmbeddedDatabase::ensure) in `settings.embeddedFolder`, or `defaultFolder`
// when the settings name none; `password` is used only for SQL Server's login.
std::unique_ptr<Connection> openConnection(const ConnectionSettings& settings,
                                           const QString& password,
                                           const QString& defaultFolder = {});

} // namespace db
