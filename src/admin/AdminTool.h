#pragma once
// The docuvane-admin command line: its commands over the program's configuration.
#include "app/ProgramFolders.h"

#include <QString>
#include <QStringList>

class QTextStream;

namespace admin {

// Runs `arguments` (without the program name): "check-storage [options]" or "--help".
// Output goes to `out`, messages and progress to `err` (progress only when `progress`).
// Returns the exit status: 0 nothing wrong, 1 findings, 2 a usage, configuration or
// database error.
int runAdmin(const QStringList& arguments, const app::ProgramFolders& folders, QTextStream& out,
             QTextStream& err, bool progress);

} // namespace admin
