#include "db/EmbeddedDatabase.h"

#include "db/EmbeddedSchema.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <thread>
#include <unistd.h>

namespace db {

namespace {

QString script(const QString& name) {
    for (const auto& s : embedded_sql::kScripts)
        if (name == QLatin1String(s.name)) return QString::fromUtf8(s.text);
    return {};
}

// The demo users' hashes, computed on two threads: each hash costs the full work.
std::vector<QString> demoHashes(const PasswordCost& cost) {
    const auto& users = EmbeddedDatabase::demoUsers();
    std::vector<QString> hashes(users.size());
    auto work = [&](size_t from, size_t step) {
        for (size_t i = from; i < users.size(); i += step)
            hashes[i] = hashPassword(users[i].password, cost);
    };
    std::thread other(work, 1, 2);
    work(0, 2);
    other.join();
    return hashes;
}

// The database files hold patients and password hashes: they and their folder are the
// user's alone whatever the umask. SQLite gives a journal or WAL file the permissions of its
// database file, so those stay private too.
constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// An empty file (an empty database to SQLite) made private before anything is written to it.
void createPrivateFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !f.setPermissions(kPrivateFile))
        throw Error(5123, "Cannot create the database file " + path + ".");
}

void syncFile(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::ReadWrite)) ::fsync(f.handle());
}

// The plain (not unique) indexes of a schema script: name, table and statement.
struct SchemaIndex {
    QString name, table, statement;
};

std::vector<SchemaIndex> plainIndexes(const QString& script) {
    static const QRegularExpression re(
        QStringLiteral(R"(CREATE\s+INDEX\s+(\w+)\s+ON\s+(\w+)\s*\([^;]*\))"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<SchemaIndex> out;
    for (auto it = re.globalMatch(script); it.hasNext();) {
        const auto m = it.next();
        out.push_back({m.captured(1), m.captured(2), m.captured(0)});
    }
    return out;
}

// A file made by an earlier version gets the search indexes of today's schema that it lacks or
// has with other columns; its rows stay as they are. These are the indexes in the program's
// collation (TSQL), which only this backend has: they only make searches fast, so a file that
// cannot be changed now (read-only, busy) is left alone and tried again at the next start.
// Unique indexes decide what may be stored, and the indexes the schema update command makes
// are its own to report: both are left alone.
void followSchemaIndexes(const QString& file, const QString& script) {
    try {
        SqliteSession session(file);
        const QueryResult stored =
            session.run("SELECT type, name, tbl_name, sql FROM sqlite_master");
        QHash<QString, QString> indexSql;
        QSet<QString> tables;
        bool analysed = false;
        for (const Row& r : stored.rows) {
            const QString type = r[0].toString(), name = r[1].toString();
            if (type == "index") indexSql.insert(name.toLower(), r[3].toString().simplified());
            if (type == "table") tables.insert(name.toLower());
            if (type == "table" && name == "sqlite_stat1") analysed = true;
        }
        for (const SchemaIndex& index : plainIndexes(script)) {
            if (!index.statement.contains(QLatin1String("COLLATE TSQL"), Qt::CaseInsensitive) ||
                !tables.contains(index.table.toLower()))
                continue;
            const auto have = indexSql.constFind(index.name.toLower());
            if (have != indexSql.constEnd() && *have == index.statement.simplified()) continue;
            session.runScript("BEGIN; DROP INDEX IF EXISTS \"" + index.name + "\"; " +
                              index.statement + "; COMMIT;");
            // The planner weighs indexes by their statistics: a file that has them gets them
            // for the new index too.
            if (analysed) session.runScript("ANALYZE \"" + index.name + "\";");
        }
    } catch (const Error&) {
    }
}

// The program's own tables of the user database that a file made by an earlier version lacks
// are created (with their indexes) from today's schema; the suite's tables are never touched.
void followOwnTables(const QString& file, const QString& script) {
    static const QStringList own = {QStringLiteral("tbPasswordAttempts"),
                                    QStringLiteral("tbPasswordLogins")};
    try {
        SqliteSession session(file);
        for (const QString& table : own) {
            const QueryResult have = session.run(
                "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1", {table});
            if (!have.rows.empty()) continue;
            const QRegularExpression re("CREATE\\s+(UNIQUE\\s+)?(TABLE\\s+" + table +
                                            "\\b|INDEX\\s+\\w+\\s+ON\\s+" + table +
                                            "\\b)[^;]*;",
                                        QRegularExpression::CaseInsensitiveOption);
            QString statements;
            for (auto it = re.globalMatch(script); it.hasNext();)
                statements += it.next().captured(0) + "\n";
            if (!statements.isEmpty()) session.runScript("BEGIN;\n" + statements + "COMMIT;");
        }
    } catch (const Error&) {
        // A file that cannot be changed now is tried again at the next start.
    }
}

} // namespace

QString EmbeddedDatabase::schemaScript(const QString& database) {
    return script(database);
}

QString EmbeddedDatabase::demoScript(const QString& database) {
    return script("demo-" + database);
}

const std::vector<EmbeddedDatabase::DemoUser>& EmbeddedDatabase::demoUsers() {
    static const std::vector<DemoUser> users = {{"1001", "records"},
                                                {"1002", "viewer"},
                                                {"2001", "nurse"},
                                                {"3001", "hr"},
                                                {"9001", "admin"}};
    return users;
}

QStringList EmbeddedDatabase::ensure(const QString& folder) {
    return ensure(folder, Options{});
}

QStringList EmbeddedDatabase::ensure(const QString& folder, const Options& options) {
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, kPrivateFile | QFileDevice::ExeOwner))
        throw Error(5123, "Cannot create the database folder " + folder + ".");
    QStringList missing;
    for (const QString& name : SqliteConnection::databaseNames()) {
        const QString file = SqliteConnection::databaseFile(folder, name);
        if (QFileInfo::exists(file)) {
            // A file made by an earlier version may still be readable by others.
            QFile::setPermissions(file, kPrivateFile);
            followSchemaIndexes(file, schemaScript(name));
            if (name == "Password") followOwnTables(file, schemaScript(name));
        } else {
            missing << name;
        }
    }
    std::vector<QString> hashes;
    if (options.demoData && missing.contains("Password"))
        hashes = demoHashes(options.passwordCost);
    for (const QString& name : missing) {
        // Each file is built under a temporary name and renamed when complete, so an
        // interrupted creation never leaves a half-filled database behind.
        const QString target = SqliteConnection::databaseFile(folder, name);
        const QString temp = QString("%1.%2.creating")
                                 .arg(target)
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0'));
        try {
            createPrivateFile(temp);
            SqliteSession session(temp);
            // The file is private until renamed: no journal and no syncs while filling it,
            // one sync of the finished file before the rename.
            session.runScript("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;");
            session.runScript("BEGIN;\n" + schemaScript(name) + "\nCOMMIT;");
            if (options.demoData) {
                session.runScript("BEGIN;\n" + demoScript(name) + "\nCOMMIT;");
                const QString filed = script("demo-" + name + "-filed");
                if (options.filedRecords && !filed.isEmpty())
                    session.runScript("BEGIN;\n" + filed + "\nCOMMIT;");
                if (name == "Password") {
                    const auto& users = demoUsers();
                    for (size_t i = 0; i < users.size(); ++i)
                        session.run("UPDATE tbPasswordMaster SET PasswordHash = ?1 "
                                    "WHERE EmployeeID = ?2",
                                    {hashes[i], users[i].employeeId});
                }
            }
            session.close();
            syncFile(temp);
        } catch (...) {
            QFile::remove(temp);
            throw;
        }
        if (!QFile::rename(temp, target)) {
            QFile::remove(temp);
            if (!QFileInfo::exists(target)) // another process may have created it meanwhile
                throw Error(5123, "Cannot create the database file " + target + ".");
        }
    }
    return missing;
}

} // namespace db
