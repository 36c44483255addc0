#include "db/EmbeddedDatabase.h"

#include "db/EmbeddedSchema.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <thread>
#include <unistd.h>

namespace db {

namespace {

QString script(const QString& name) {
    for (const auto& s : embedded_sql::kScripts)
        if (name == QLatin1String(s.name)) return QString::fromUtf8(s.text);
    return {};
}

// The demo users' hashes, computed on two threads: each hash costs the full iteration count.
std::vector<QString> demoHashes(int iterations) {
    const auto& users = EmbeddedDatabase::demoUsers();
    std::vector<QString> hashes(users.size());
    auto work = [&](size_t from, size_t step) {
        for (size_t i = from; i < users.size(); i += step)
            hashes[i] = hashPassword(users[i].password, iterations);
    };
    std::thread other(work, 1, 2);
    work(0, 2);
    other.join();
    return hashes;
}

void syncFile(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::ReadWrite)) ::fsync(f.handle());
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
    if (!QDir().mkpath(folder))
        throw Error(5123, "Cannot create the database folder " + folder + ".");
    QStringList missing;
    for (const QString& name : SqliteConnection::databaseNames())
        if (!QFileInfo::exists(SqliteConnection::databaseFile(folder, name))) missing << name;
    std::vector<QString> hashes;
    if (options.demoData && missing.contains("Password"))
        hashes = demoHashes(options.passwordIterations);
    for (const QString& name : missing) {
        // Each file is built under a temporary name and renamed when complete, so an
        // interrupted creation never leaves a half-filled database behind.
        const QString target = SqliteConnection::databaseFile(folder, name);
        const QString temp = QString("%1.%2.creating")
                                 .arg(target)
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QChar('0'));
        try {
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
