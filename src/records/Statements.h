#pragma once
// The records database's statements. Each function returns the exact text of one statement
// the program sends; every value inside quotes goes through db::quote, so no typed text can
// change a statement's shape. Statements are grouped by the workflow that sends them, one
// header per group (this one holds the shared ones); every group is part of this library.
#include <QString>

namespace records {

// The files filed for one ID and record type, in filing order (replaced on a new scan).
QString selectFileNamesOfRecordType(const QString& admissionId, int recordTypeId);

} // namespace records
