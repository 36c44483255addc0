#include "main/HistoryWiring.h"

#include "app/Log.h"
#include "db/DbError.h"
#include "db/ServerConfig.h"
#include "db/SqliteConnection.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

namespace program {

QString historySpoolFile(const app::ProgramFolders& folders) {
    return folders.data + "/history/spool.jsonl";
}

std::unique_ptr<history::DatabaseRecorder>
makeHistoryRecorder(const app::ProgramFolders& folders, app::LogSink* log, QObject* context,
                    std::function<std::unique_ptr<db::Connection>()> serverConnection) {
    history::DatabaseRecorder::Options options;
    options.spoolFile = historySpoolFile(folders);
    QPointer<QObject> owner(context);
    options.log = [owner, log](const QString& line) {
        if (!owner || !log) return;
        QMetaObject::invokeMethod(
            owner.data(), [log, line] { log->writeLog(line); }, Qt::QueuedConnection);
    };
    const QString configFile = folders.databaseConfig();
    const QString defaultFolder = folders.embeddedDatabase();
    // A second connection to the records database, the writer's alone. The embedded database
    // is opened again from its folder; a server connection is the signed-in employee's (until
    // someone has signed in, rows wait in the spool).
    auto connect = [configFile, defaultFolder,
                    serverConnection]() -> std::unique_ptr<db::Connection> {
        const db::ConnectionSettings settings = db::loadConnectionSettings(configFile);
        if (settings.backend != db::ConnectionSettings::Backend::Embedded) {
            auto c = serverConnection ? serverConnection() : nullptr;
            if (!c) throw db::Error(0, "nobody has signed in to the records database yet");
            return c;
        }
        return std::make_unique<db::SqliteConnection>(
            settings.embeddedFolder.isEmpty() ? defaultFolder : settings.embeddedFolder);
    };
    return std::make_unique<history::DatabaseRecorder>(std::move(connect), std::move(options));
}

} // namespace program
