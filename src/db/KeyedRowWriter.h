#pragma once
// Writes a changed row of an updatable result set back as one T-SQL UPDATE by the table's key,
// sent through the connection that produced the rows. Like ADO's optimistic locking, the
// UPDATE also requires the changed columns to still hold the values that were read; a row
// changed or deleted meanwhile fails with db::Error instead of being overwritten.
#include "db/Recordset.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace db {

class Connection;

// What a single-table SELECT reads: the table as written and the selected column names.
struct SingleTableSelect {
    QString table;       // e.g. "dbRecords.dbo.tblRecFiles"
    QStringList columns; // selected columns in order; empty for "*"
};

// The parts of `statement` when it is a single-table SELECT of plain columns (no joins,
// unions, grouping or expressions); nullopt otherwise.
std::optional<SingleTableSelect> parseSingleTableSelect(const QString& statement);

// A T-SQL literal for a value: NULL, numbers as they are, texts as N'...' with quotes doubled,
// datetimes in ISO form.
QString sqlLiteral(const QVariant& value);

class KeyedRowWriter : public RowWriter {
public:
    // `execute` runs a statement and returns the rows it changed; it must fail (throw) once
    // the connection is gone. `tableColumns` names the table column of each result column.
    KeyedRowWriter(std::function<long(const QString&)> execute, QString table, QString keyColumn,
                   QStringList tableColumns);

    void updateRow(const QStringList& columns, const Row& original, const Row& changed) override;

    // The UPDATE statement for a change (empty when nothing changed).
    QString updateStatement(const Row& original, const Row& changed) const;

private:
    std::function<long(const QString&)> execute_;
    QString table_;
    QString key_;
    QStringList tableColumns_;
    int keyIndex_ = -1;
};

// Builds the writer for an updatable open(): checks that `statement` is a single-table
// SELECT whose result includes the table's key column (found by `keyOf(table)`).
std::shared_ptr<RowWriter>
makeKeyedRowWriter(const QString& statement, const QStringList& resultColumns,
                   const std::function<QString(const QString& table)>& keyOf,
                   std::function<long(const QString&)> execute);

} // namespace db
