#pragma once
// Translates the T-SQL subset the program sends into statements for the embedded (SQLite)
// backend. A statement becomes either SQLite text or a command the connection carries out
// itself (USE, ALTER TABLE, CREATE INDEX, stored procedure calls). Anything outside the subset
// raises db::Error quoting the statement; nothing is passed on half-translated.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace db {

// Error number of statements outside the embedded backend's subset (user-defined range).
inline constexpr int kErrUnsupported = 50000;

enum class ColumnKind { Unknown, Text, Integer, Real, DateTime, Bit, Ambiguous };

// What the translator needs to know about the embedded schema.
class SchemaCatalog {
public:
    virtual ~SchemaCatalog() = default;
    // Kind of a column known only by name: the same in every table that has it, Ambiguous
    // when tables disagree, Unknown when no table has it.
    virtual ColumnKind columnKind(const QString& column) const = 0;
    // Kind of a column of one table (database as attached), Unknown when absent.
    virtual ColumnKind columnKind(const QString& database, const QString& table,
                                  const QString& column) const = 0;
};

// A T-SQL data type as written in ALTER TABLE or CONVERT.
struct SqlType {
    ColumnKind kind = ColumnKind::Unknown;
    int length = -1;                   // text length; -1 unlimited (or not text)
    QString written;                   // as in the statement, e.g. "varchar(150)"
    QString sqliteDeclaration() const; // e.g. "VARCHAR(150) COLLATE TSQL"
};

struct Translation {
    enum class Kind { Query, Use, AlterColumn, AddColumn, CreateIndex, CreateTable, Procedure };
    Kind kind = Kind::Query;
    QString sql;              // Query: the SQLite statement
    bool returnsRows = false; // Query: a SELECT
    QString database;         // attached name ("main" for master); the USE target's name
    QString table;            // table as written (last part)
    QString column;           // AlterColumn / AddColumn
    SqlType type;             // AlterColumn / AddColumn
    QString indexName;        // CreateIndex
    QStringList indexColumns; // CreateIndex, SQLite form
    QStringList indexColumnNames;
    QStringList tableColumns; // CreateTable: SQLite column definitions
    bool unique = false;
    bool dropExisting = false;
    QString procedure;               // Procedure: name without database or schema
    std::vector<QVariant> arguments; // Procedure: literal arguments in order
};

class TsqlTranslator {
public:
    // `databases`: the names of the attached databases in their canonical spelling; "master"
    // stands for SQLite's main database.
    TsqlTranslator(QStringList databases, const SchemaCatalog* catalog);

    Translation translate(const QString& statement, const QString& currentDatabase) const;

    // Canonical name of a database (any case), or an empty text when unknown.
    QString canonicalDatabase(const QString& name) const;
    // SQLite schema name of a canonical database name.
    static QString attachedName(const QString& canonical);

    // Forget cached translations (after a schema change).
    void clearCache() const { cache_.clear(); }

private:
    QStringList databases_;
    const SchemaCatalog* catalog_;
    mutable QHash<QString, Translation> cache_;
};

} // namespace db
