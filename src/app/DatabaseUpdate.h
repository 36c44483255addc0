#pragma once
// Bringing an installation up to date: the schema changes of the records database, and the
// check for a newer program version.

namespace app {

struct Session;

// Sends each statement; every failure is written to the log and the next one is sent;
// "Done." at the end in every case. Returns the number of statements that failed.
int UpdateDatabase(Session& s);

// Asks a new instance of the current-user component for a newer version of the program.
void UpdateModule(Session& s);

} // namespace app
