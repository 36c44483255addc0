#pragma once
// The schema changes that bring an older records database up to date, one function per
// statement, and the list the update command sends, in its order. Each change fails once it
// is in place; the command logs the failure and goes on, so it can run again.
#include <QStringList>

namespace records {

QString widenFileNameColumn();
// Makes the records database the connection's current one for the rest of the session;
// createAdmissionIdIndex names its table without a database and relies on it.
QString useRecordsDatabase();
QString createRecordFileIdIndex();
QString createAdmissionIdIndex();
QString addDescriptionColumn();
QString addRecordTypeDepartmentColumn();
// Named for the description, but on recfile_id, as installed databases have it.
QString createDescriptionIndex();

// All of the above, in the order they are sent, then the record lock table
// (createRecordLockTable, of SafetyStatements.h) and the access history's table and indexes
// (HistoryStatements.h).
QStringList schemaUpdateStatements();

} // namespace records
