#pragma once
// The SQL Server behaviour the embedded backend adds to each SQLite connection: the TSQL
// collation (case-insensitive, trailing blanks ignored), LIKE as SQL Server matches it
// (case-insensitive, with [set] classes), "+" that adds or concatenates by the operands'
// types, CONVERT and CAST, getdate() and a few text functions. Functions report failures as
// "tsql:<number>:<message>", which the connection turns into db::Error.
#include <QString>

struct sqlite3;

namespace db {

void registerTsqlFunctions(sqlite3* db);

// SQL Server's LIKE: % any text, _ one character, [abc] [a-f] [^abc] classes, an optional
// escape character; case-insensitive.
bool tsqlLike(const QString& text, const QString& pattern, QChar escape = QChar());

// The TSQL collation's comparison (<0, 0, >0).
int tsqlCompare(const QString& a, const QString& b);

} // namespace db
