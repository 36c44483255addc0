#pragma once
// The stored procedures of dbRecords, carried out natively on the embedded database with the
// contracts the SQL Server versions (sql/sqlserver) have.
#include "db/SqliteSession.h"

#include <QVariant>
#include <vector>

namespace db {

// Runs procedure `name` (any case) with its literal arguments. Returns the procedure's rows
// (hasRows false for procedures that return none). Unknown procedures raise error 2812,
// missing arguments 201, surplus arguments 8144, unconvertible arguments 8114.
QueryResult callEmbeddedProcedure(SqliteSession& session, const QString& name,
                                  const std::vector<QVariant>& arguments, const QString& statement);

} // namespace db
