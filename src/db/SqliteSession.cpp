#include "db/SqliteSession.h"

#include "db/DateTimeText.h"
#include "db/SqliteFunctions.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace db {

namespace {

constexpr int kTimeoutError = 20003;

QString utf8(const char* s) {
    return QString::fromUtf8(s ? s : "");
}

void bind(sqlite3_stmt* st, int index, const QVariant& v) {
    if (v.isNull()) {
        sqlite3_bind_null(st, index);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
        sqlite3_bind_int64(st, index, v.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(st, index, v.toDouble());
        return;
    case QMetaType::QDateTime: {
        const QByteArray u = storedDateTime(v.toDateTime()).toUtf8();
        sqlite3_bind_text(st, index, u.constData(), u.size(), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const QByteArray u = v.toString().toUtf8();
        sqlite3_bind_text(st, index, u.constData(), u.size(), SQLITE_TRANSIENT);
    }
    }
}

enum class Declared { Other, DateTime, Bit };

Declared declared(sqlite3_stmt* st, int column) {
    const char* d = sqlite3_column_decltype(st, column);
    if (!d) return Declared::Other;
    const QByteArray t = QByteArray(d).toUpper();
    if (t.startsWith("DATETIME") || t == "DATE" || t == "SMALLDATETIME") return Declared::DateTime;
    if (t == "BIT") return Declared::Bit;
    return Declared::Other;
}

QVariant columnValue(sqlite3_stmt* st, int column, Declared kind) {
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER: {
        const qlonglong v = sqlite3_column_int64(st, column);
        if (kind == Declared::Bit) return QVariant(v != 0);
        if (v >= INT_MIN && v <= INT_MAX) return QVariant(static_cast<int>(v));
        return QVariant(v);
    }
    case SQLITE_FLOAT:
        return sqlite3_column_double(st, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, column)),
                          sqlite3_column_bytes(st, column));
    default: {
        const QString s =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column)),
                              sqlite3_column_bytes(st, column));
        if (kind == Declared::DateTime) {
            if (const auto d = parseSqlDateTime(s)) return *d;
        }
        return s;
    }
    }
}

struct Statement {
    sqlite3_stmt* st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
};

} // namespace

Error translateSqliteError(const QString& message, int code, const QString& statement) {
    static const QRegularExpression tsql(R"(^tsql:(-?\d+):(.*)$)",
                                         QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = tsql.match(message); m.hasMatch())
        return Error(m.captured(1).toInt(), m.captured(2), statement);
    auto after = [&](const char* prefix) { return message.mid(int(strlen(prefix))).trimmed(); };
    auto objectName = [](QString n) {
        if (n.startsWith("main.")) n = n.mid(5);
        return n;
    };
    if (message.startsWith("no such table:"))
        return Error(208, "Invalid object name '" + objectName(after("no such table:")) + "'.",
                     statement);
    if (message.startsWith("no such column:"))
        return Error(207, "Invalid column name '" + after("no such column:") + "'.", statement);
    if (message.startsWith("ambiguous column name:"))
        return Error(209, "Ambiguous column name '" + after("ambiguous column name:") + "'.",
                     statement);
    static const QRegularExpression nearRe(R"re(^near "(.*)": syntax error$)re");
    if (const auto m = nearRe.match(message); m.hasMatch())
        return Error(102, "Incorrect syntax near '" + m.captured(1) + "'.", statement);
    if (message == "incomplete input")
        return Error(102, "Incorrect syntax near the end of the statement.", statement);
    if (message.startsWith("UNIQUE constraint failed:"))
        return Error(2627,
                     "Violation of UNIQUE KEY constraint. Cannot insert duplicate key (" +
                         after("UNIQUE constraint failed:") + ").",
                     statement);
    if (message.startsWith("NOT NULL constraint failed:")) {
        const QString col = after("NOT NULL constraint failed:");
        return Error(515,
                     "Cannot insert the value NULL into column '" + col +
                         "'; column does not allow nulls.",
                     statement);
    }
    if (message.contains("ORDER BY term does not match any column in the result set"))
        return Error(104,
                     "ORDER BY items must appear in the select list if the statement "
                     "contains a UNION, INTERSECT or EXCEPT operator.",
                     statement);
    if (message.contains("do not have the same number of result columns"))
        return Error(205,
                     "All queries combined using a UNION, INTERSECT or EXCEPT operator "
                     "must have an equal number of expressions in their target lists.",
                     statement);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return Error(1222, "Lock request time out period exceeded. (" + message + ")", statement);
    return Error(50000, "Embedded database error: " + message, statement);
}

SqliteSession::SqliteSession(const QString& mainPath) {
    const int rc =
        sqlite3_open_v2(mainPath.toUtf8().constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = utf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        sqlite3_close(db_);
        db_ = nullptr;
        throw Error(50000, "Cannot open the embedded database: " + msg);
    }
    // Double-quoted names must never silently turn into text literals.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_progress_handler(db_, 2000, &SqliteSession::progress, this);
    registerTsqlFunctions(db_);
}

SqliteSession::~SqliteSession() {
    close();
}

void SqliteSession::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

int SqliteSession::progress(void* self) {
    auto* s = static_cast<SqliteSession*>(self);
    if (s->timeoutSeconds_ > 0 && s->clock_.isValid() &&
        s->clock_.elapsed() > qint64(s->timeoutSeconds_) * 1000) {
        s->timedOut_ = true;
        return 1;
    }
    return 0;
}

Error SqliteSession::lastError(int rc, const QString& statement) const {
    if (timedOut_ && (rc == SQLITE_INTERRUPT || (rc & 0xff) == SQLITE_INTERRUPT))
        return Error(kTimeoutError, "Query timeout expired.", statement);
    return translateSqliteError(utf8(sqlite3_errmsg(db_)), rc & 0xff, statement);
}

void SqliteSession::attach(const QString& path, const QString& name) {
    run("ATTACH DATABASE ?1 AS " + QString("\"%1\"").arg(name), {path});
}

QueryResult SqliteSession::run(const QString& sql, const std::vector<QVariant>& values,
                               const QString& statement) {
    if (!db_)
        throw Error(3704, "Operation is not allowed when the connection is closed.", statement);
    const QString quoted = statement.isEmpty() ? sql : statement;
    const QByteArray text = sql.toUtf8();
    Statement s;
    const char* tail = nullptr;
    timedOut_ = false;
    clock_.start();
    int rc = sqlite3_prepare_v2(db_, text.constData(), text.size(), &s.st, &tail);
    if (rc != SQLITE_OK) throw lastError(rc, quoted);
    if (tail && QByteArray(tail).trimmed().size() > 0)
        throw Error(50000, "Only one statement can be run at a time.", quoted);
    if (!s.st) throw Error(102, "Incorrect syntax: the statement is empty.", quoted);
    for (size_t i = 0; i < values.size(); ++i)
        bind(s.st, int(i) + 1, values[i]);
    QueryResult result;
    const int columns = sqlite3_column_count(s.st);
    result.hasRows = columns > 0;
    std::vector<Declared> kinds(columns);
    for (int c = 0; c < columns; ++c) {
        result.columns << utf8(sqlite3_column_name(s.st, c));
        kinds[c] = declared(s.st, c);
    }
    while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
        Row row(columns);
        for (int c = 0; c < columns; ++c)
            row[c] = columnValue(s.st, c, kinds[c]);
        result.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) throw lastError(rc, quoted);
    if (columns == 0 && !sqlite3_stmt_readonly(s.st)) result.changes = sqlite3_changes(db_);
    return result;
}

void SqliteSession::runScript(const QString& sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = utf8(err);
        sqlite3_free(err);
        throw translateSqliteError(msg, rc, sql.left(200));
    }
}

} // namespace db
