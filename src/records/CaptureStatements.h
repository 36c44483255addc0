#pragma once
// Statements of record capture: the admission search, the record types offered for filing,
// the already-scanned check and its replacement, the filing insert, and the lookup browse of
// the classes component.
#include <QString>

namespace records {

// Which admissions the admission search reads.
enum class AdmissionScope {
    InPatients,  // tbPatient only (a number, or a number with T)
    OutPatients, // tbOutPatient only (a number with B)
    Default,     // in-patients, and out-patients too when asked for
};

struct AdmissionSearch {
    QString id;        // IdNum, as typed (with its T or B); empty: no number filter
    QString lastName;  // part of the last name (%, _ and [ match themselves); empty: none
    QString firstName; // part of the first name (likewise); empty: none
    QString admDate;   // "mm/dd/yyyy" of a valid date; empty: no date filter
    AdmissionScope scope = AdmissionScope::Default;
    bool includeOutPatients = false; // only for the default scope
    bool orderByDate = false;        // newest admission first instead of by name
};

// The admission search over PATIENT_DATA (top 500 per half of a UNION).
QString searchAdmissions(const AdmissionSearch& search);

// The record types a department files under: its own, and for the medical-records department
// (the empty id) also those without a department (NULL).
QString selectRecordTypesForFiling(const QString& departmentId);

// Whether files of an ID and record type are filed already (one row, column scanRes).
QString checkScanned(const QString& id, int recordTypeId);
// Removes the rows of an ID and record type.
QString deleteRecordTypeRows(const QString& id, int recordTypeId);

// The row of a newly filed record file; `dateCreated` is "yyyy-mm-dd".
QString insertRecordFile(const QString& id, const QString& storedName, int recordTypeId,
                         const QString& employeeId, const QString& description,
                         const QString& dateCreated);

// The id the server gave the row just filed for an ID, stored name and record type (the
// newest such row).
QString selectFiledRecordId(const QString& id, const QString& storedName, int recordTypeId);

// The lookup browse of the classes component: `fieldList` of `database`..`table` whose
// `findField` contains `findValue` (all rows for an empty value), ordered by `orderField`.
// Table, field and database names come from the program's own properties, never from typed
// text; the typed value is quoted, its %, _ and [ matching themselves.
QString selectBrowseRows(const QString& database, const QString& table, const QString& fieldList,
                         const QString& findField, const QString& findValue,
                         const QString& orderField);

// The name of the payroll employee whose employee number is exactly `empNum` (columns
// LastName, FirstName, MiddleName), in `database` (the program's payroll database name).
QString selectPayrollEmployeeName(const QString& database, const QString& empNum);

// The name of a record type (column rectype_name; no row when there is none).
QString selectRecordTypeName(int recordTypeId);

} // namespace records
