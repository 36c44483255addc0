#pragma once
// Statements of the record type administration: the department's list, the default mark,
// the in-use check, deleting, adding, reading and updating one type.
//
// Medical records' types carry a NULL or an empty DepartmentID; every statement here that
// names a department compares isnull(DepartmentID,''), so both count as that department.
#include <QString>

namespace records {

// The department's types by name: rectype_id, rectype_name, rectype_default.
QString selectDepartmentRecordTypes(const QString& departmentId);

// Makes the type its department's default (the procedure clears the others' mark).
QString setDefaultRecordType(int recordTypeId);

// One row, column chkRecType: 1 while filed records use the type.
QString checkRecordTypeInUse(int recordTypeId);

// Deletes the type unless a filed record uses it; the check is part of the one statement,
// so a record filed after the in-use check still keeps its type. Changes no row when the
// type is in use or already gone.
QString deleteUnusedRecordType(int recordTypeId);

// One row when the department already has a type of that name.
QString selectRecordTypeNamed(const QString& name, const QString& departmentId);
// The same for a type other than `recordTypeId` (the one being renamed).
QString selectOtherRecordTypeNamed(const QString& name, const QString& departmentId,
                                   int recordTypeId);

// A new type of the department, created by `employeeCode`.
QString insertRecordType(const QString& name, const QString& description,
                         const QString& employeeCode, const QString& departmentId);

// The type's rectype_name and rectype_desc.
QString getRecordType(int recordTypeId);

// Renames and re-describes one type of the department, stamped with the editor and time.
QString updateRecordType(int recordTypeId, const QString& name, const QString& description,
                         const QString& employeeCode, const QString& departmentId);

} // namespace records
