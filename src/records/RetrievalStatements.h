#pragma once
// Statements of the record search, the opening and the deletion of a filed record, and of
// the maintenance dialog that corrects one row.
#include <QString>
#include <optional>

namespace records {

// The record types of one department, by name (the search window's record type list); for
// medical records (the empty id) those whose department is empty or NULL.
QString selectSearchRecordTypes(const QString& departmentId);

// What the search window's boxes hold, read the way the search reads them; an absent value
// adds no condition.
struct RecordSearchCriteria {
    bool patientMode = true;                 // patient frame shown (medical records)
    QString departmentId;                    // department mode: the session's department
    std::optional<QString> admissionId;      // ID No., trimmed
    std::optional<QString> hospitalNumber;   // Hosp.#, as typed (patient mode only)
    std::optional<QString> description;      // Description, as typed: contains-match
    int recordTypeId = 0;                    // 0: "ALL"
    std::optional<QString> recordDate;       // "mm/dd/yyyy"
    std::optional<QString> scanDate;         // "mm/dd/yyyy"
    std::optional<QString> lastName;         // trimmed prefix
    QString firstName;                       // trimmed prefix; empty: no first-name condition
    std::optional<QString> admissionDate;    // "mm/dd/yyyy"
    bool includeOutPatients = false;
    bool orderByDate = false;
};

// The search: in patient mode the in-patient branch (and, with out-patients, a second branch
// joined by UNION ALL), in department mode one branch; each capped at 200 rows. %, _ and [
// in the names and the description match themselves.
QString recordSearch(const RecordSearchCriteria& c);

// The stored file name of one filed record.
QString selectRecordFileName(const QString& recFileId);

// Removes one filed record's row (the file stays).
QString deleteRecordFile(const QString& recFileId);

// The row the maintenance dialog loads for editing.
QString selectRecordFileForMaintenance(const QString& recFileId);

// One row (column rectype_id) when a record type of that number exists, in any department.
QString selectRecordTypeExists(int recordTypeId);

// Every filed record with its record type's name and department (the demo share is filled
// from these).
QString selectFiledRecordsWithTypes();

} // namespace records
