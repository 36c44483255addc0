#pragma once
// The access history of a run: its writer's own connection to the records database, its spool
// file in the user's data folder, and its notices in the log window.
#include "app/ProgramFolders.h"
#include "history/DatabaseRecorder.h"

#include <functional>
#include <memory>

class QObject;

namespace app {
class LogSink;
}

namespace program {

// The spool file of the access history (user-only, in the program's per-user data folder).
QString historySpoolFile(const app::ProgramFolders& folders);

// The recorder of a run. Its notices reach `log` on the thread of `context` (the window
// thread), and are dropped once `context` is gone. On SQL Server its connection is opened by
// `serverConnection` (called on the writer's thread) as the signed-in employee; it gives
// nothing while nobody is signed in, and the rows wait in the spool meanwhile.
std::unique_ptr<history::DatabaseRecorder>
makeHistoryRecorder(const app::ProgramFolders& folders, app::LogSink* log, QObject* context,
                    std::function<std::unique_ptr<db::Connection>()> serverConnection = {});

} // namespace program
