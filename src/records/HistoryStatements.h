#pragma once
// Statements of the access history (dbRecords..tblRecHistory): one row per action of an
// employee on the records (searches, opening, printing, changing, deleting), written by the
// history library's background writer and read by the Record History window and the
// Patient Access report. Rows are only ever inserted; nothing updates or deletes them.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace records {

// The values of one history row.
struct HistoryRow {
    QString employee;
    QString workstation;
    QString accessType;
    QString department;
    QString action;
    qint64 recFileId = 0; // 0: no filed record (a search, a sign-in); stored as NULL
    QString admissionId;  // the record's ID (admission or other)
    QString hospitalNumber;
    QString fileName;
    QString pages;
    QString details; // search criteria, old and new values, a Save As target
    QDateTime at;    // invalid: the server's time (GETDATE()); else the time of the action
};

// The history table ("Update Database" on databases that lack it) and its indexes.
QString createHistoryTable();
QString createHistoryRecordIndex();
QString createHistoryHospitalNumberIndex();
QString createHistoryEmployeeIndex();
QStringList historySchemaStatements();

// The rows, in their order, in one statement (all or none; at most 1000 rows, as SQL Server
// allows in one VALUES list). A row without a time takes the server's (GETDATE()); a row sent
// late (kept while the database was away) carries the time the action happened.
inline constexpr int kHistoryRowsPerInsert = 100;
QString insertHistoryRows(const std::vector<HistoryRow>& rows);

// What the Record History window looks for; empty values and an invalid date do not
// restrict. Dates are whole days: `to` includes the whole day.
struct HistoryFilter {
    qint64 recFileId = 0;
    QString admissionId;
    QString hospitalNumber;
    QString employee;
    QDate from;
    QDate to;
    int limit = 5000; // newest first, at most this many
};
// history_id, at, employee, workstation, access_type, department, action, recfile_id,
// admission_id, hosp_num, file_name, pages, details; newest first.
QString selectHistory(const HistoryFilter& filter);

// The Patient Access report: every search or opening of one patient's records in a date
// range, one row per employee and action with the count, first and last time (employee,
// action, times, first_at, last_at), by employee.
QString selectPatientAccess(const QString& hospitalNumber, const QDate& from, const QDate& to);

} // namespace records
