#pragma once
// One SQLite connection with the T-SQL functions registered: runs native SQLite statements
// with bound values, fetches their rows fully and turns SQLite's failures into db::Error with
// SQL Server's numbers and wording where there is a counterpart.
#include "db/Recordset.h"

#include <QElapsedTimer>
#include <QString>
#include <vector>

struct sqlite3;

namespace db {

struct QueryResult {
    bool hasRows = false; // the statement returns rows (it may return none)
    QStringList columns;
    std::vector<Row> rows;
    long changes = -1; // rows changed by INSERT, UPDATE or DELETE; -1 otherwise
};

class SqliteSession {
public:
    // Opens `mainPath` as the main database (an in-memory one by default).
    explicit SqliteSession(const QString& mainPath = QStringLiteral(":memory:"));
    ~SqliteSession();
    SqliteSession(const SqliteSession&) = delete;
    SqliteSession& operator=(const SqliteSession&) = delete;

    void attach(const QString& path, const QString& name);
    // Runs one statement; `statement` is the program's text, quoted in errors.
    QueryResult run(const QString& sql, const std::vector<QVariant>& values = {},
                    const QString& statement = {});
    // Runs a script of statements without values (schema creation).
    void runScript(const QString& sql);

    void setTimeout(int seconds) { timeoutSeconds_ = seconds; }
    int timeout() const { return timeoutSeconds_; }
    sqlite3* handle() const { return db_; }
    void close();

    // The db::Error for SQLite's last failure on this connection.
    Error lastError(int rc, const QString& statement) const;

private:
    static int progress(void* self);
    sqlite3* db_ = nullptr;
    int timeoutSeconds_ = 0;
    QElapsedTimer clock_;
    bool timedOut_ = false;
};

// Maps a SQLite message to SQL Server's error number and wording.
Error translateSqliteError(const QString& message, int code, const QString& statement);

} // namespace db
