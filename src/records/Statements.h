#pragma once
// The records database's statements. Each function returns the exact text of one statement
// the program sends; every value inside quotes goes through db::quote, so no typed text can
// change a statement's shape. Statements are grouped by the workflow that sends them, one
// header per group (this one holds the shared ones: start-up, departments, storage, saving);
// every group is part of this library.
#include <QString>

namespace records {

// The files filed for one ID and record type, in filing order (replaced on a new scan).
QString selectFileNamesOfRecordType(const QString& admissionId, int recordTypeId);
// The same rows with their ids (recfile_id, file_name), so each row can be removed on its own
// once its file is out of the way.
QString selectRecordFilesOfRecordType(const QString& admissionId, int recordTypeId);

// One employee's "Lastname, FirstName MiddleName" as FullName (the caller trims it).
QString selectEmployeeFullName(const QString& employeeId);

// The department of an employee's second assignment, read at start-up.
QString selectSecondDepartmentAssignment(const QString& employeeCode);

// The departments an employee may work for: DepartmentID and department name per row.
QString selectEmployeeDepartments(const QString& employeeCode);

// Stamps a filed record's row when its image was saved: the server's time and the saving
// employee.
QString stampSavedRecordFile(const QString& employeeCode, const QString& recfileId);

} // namespace records
