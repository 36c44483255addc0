#pragma once
// Statements of the administration tool (docuvane-admin): reading the records table to check
// the storage share against it.
#include <QDate>
#include <QString>

namespace records {

// Every filed record's row to check, in recfile_id order: recfile_id, admission_id,
// file_name, rectype_id, found_type (the record type's id, NULL when the row's record type is
// missing) and DepartmentID (the record type's department, '' for medical records or a
// missing type). `from` and `to` (either may be invalid: no bound) limit date_created to
// those days. Every department's rows come: a check of one department still needs the others'
// names to know which files below the root are named.
QString selectRecordsToCheck(const QDate& from, const QDate& to);

} // namespace records
