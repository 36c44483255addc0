#pragma once
// The embedded backend: the four databases as SQLite files in one folder (dbRecords.db,
// PATIENT_DATA.db, Password.db, PayrollDB.db), attached under their names to one connection.
// Statements are T-SQL and are translated (TsqlTranslator); USE, the schema changes of the
// update command and the stored procedures are carried out here.
#include "db/Connection.h"

#include <QStringList>
#include <memory>

namespace db {

class SqliteConnection : public Connection {
public:
    struct Options {
        QString initialDatabase = QStringLiteral("master"); // as SQL Server logins start
        int commandTimeoutSeconds = 30;
    };

    // The attached databases, in their canonical spelling.
    static const QStringList& databaseNames();
    // File of one database in `folder`.
    static QString databaseFile(const QString& folder, const QString& database);

    // Opens the files of `folder` (EmbeddedDatabase::ensure creates them). Raises db::Error
    // when a file is missing or cannot be opened.
    explicit SqliteConnection(const QString& folder);
    SqliteConnection(const QString& folder, Options options);
    ~SqliteConnection() override;

    RecordsetPtr execute(const QString& text, long* rowsAffected = nullptr) override;
    RecordsetPtr open(const QString& text, CursorOptions options = {}) override;
    void setCommandTimeout(int seconds) override;
    int commandTimeout() const override;
    void setCursorLocation(int location) override;
    int cursorLocation() const override;
    QString currentDatabase() const override;
    bool isOpen() const override;
    void close() override;

    QString folder() const;

    struct Impl;

private:
    std::shared_ptr<Impl> d_;
};

} // namespace db
