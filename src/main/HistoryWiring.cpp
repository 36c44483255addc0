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

std::unique_ptr<history::DatabaseRecorder> makeHistoryRecorder(const app::ProgramFolders& folders,
                                                               app::LogSink* log,
                                                               QObject* context) {
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
    // is opened again from its folder; a server connection needs the sign-in's login, which
    // this factory does not have yet: until it does, rows wait in the spool.
    auto connect = [configFile, defaultFolder]() -> std::unique_ptr<db::Connection> {
        const db::ConnectionSettings settings = db::loadConnectionSettings(configFile);
        if (settings.backend != db::ConnectionSettings::Backend::Embedded)
            throw db::Error(0, "the access history has no login of its own on the server yet");
        return std::make_unique<db::SqliteConnection>(
            settings.embeddedFolder.isEmpty() ? defaultFolder : settings.embeddedFolder);
    };
    return std::make_unique<history::DatabaseRecorder>(std::move(connect), std::move(options));
}

} // namespace program
