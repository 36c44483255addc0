#pragma once
// Creates the embedded backend's database files: the schema of sql/embedded and, by default,
// the demo data set with the demo users' password hashes.
#include "db/PasswordHash.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace db {

class EmbeddedDatabase {
public:
    struct Options {
        bool demoData = true;
        // With the demo data: the program's larger set of filed records too
        // (demo-<database>-filed.sql: some two thousand rows over five years).
        bool filedRecords = false;
        PasswordCost passwordCost; // tests may pass PasswordCost::cheapForTests()
    };

    struct DemoUser {
        QString employeeId;
        QString password;
    };

    // Creates each of the four database files that `folder` lacks (and the folder itself).
    // Existing files keep their rows; they get the schema's plain indexes they lack (or have
    // with other columns). Returns the names of the databases created.
    static QStringList ensure(const QString& folder);
    static QStringList ensure(const QString& folder, const Options& options);

    // The schema script, and the demo data script, of one database (canonical name).
    static QString schemaScript(const QString& database);
    static QString demoScript(const QString& database);

    // The demo users and their passwords (documented in docs/database.md).
    static const std::vector<DemoUser>& demoUsers();
};

} // namespace db
