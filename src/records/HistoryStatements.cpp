#include "records/HistoryStatements.h"

#include "db/Connection.h"
#include "db/DateTimeText.h"

namespace records {

namespace {

QString q(const QString& v) { return "'" + db::quote(v) + "'"; }
QString t(const QDateTime& v) { return q(db::storedDateTime(v)); }
QString day(const QDate& d) { return q(d.toString("yyyy-MM-dd")); }
QString nullable(const QString& v) { return v.isEmpty() ? QStringLiteral("NULL") : q(v); }

// The date range of a filter: from the first day's start to before the day after the last.
void addRange(QStringList& where, const QDate& from, const QDate& to) {
    if (from.isValid()) where << "at >= " + day(from);
    if (to.isValid()) where << "at < " + day(to.addDays(1));
}

} // namespace

QString createHistoryTable() {
    return "CREATE TABLE dbRecords.dbo.tblRecHistory (history_id int IDENTITY(1, 1) NOT NULL "
           "CONSTRAINT PK_tblRecHistory PRIMARY KEY, at datetime NOT NULL, "
           "employee varchar(20) NULL, workstation varchar(100) NULL, "
           "access_type varchar(30) NULL, department varchar(50) NULL, "
           "action varchar(30) NOT NULL, recfile_id int NULL, admission_id varchar(50) NULL, "
           "hosp_num varchar(50) NULL, file_name varchar(150) NULL, pages varchar(200) NULL, "
           "details varchar(1000) NULL)";
}

QString createHistoryRecordIndex() {
    return "CREATE INDEX by_history_recfile_at ON dbRecords.dbo.tblRecHistory (recfile_id, at)";
}

QString createHistoryHospitalNumberIndex() {
    return "CREATE INDEX by_history_hosp_num_at ON dbRecords.dbo.tblRecHistory (hosp_num, at)";
}

QString createHistoryEmployeeIndex() {
    return "CREATE INDEX by_history_employee_at ON dbRecords.dbo.tblRecHistory (employee, at)";
}

QStringList historySchemaStatements() {
    return {createHistoryTable(), createHistoryRecordIndex(), createHistoryHospitalNumberIndex(),
            createHistoryEmployeeIndex()};
}

QString insertHistoryRows(const std::vector<HistoryRow>& rows) {
    QStringList values;
    for (const HistoryRow& r : rows)
        values << "(" + (r.at.isValid() ? t(r.at) : QStringLiteral("GETDATE()")) + ", " +
                      nullable(r.employee) + ", " + nullable(r.workstation) + ", " +
                      nullable(r.accessType) + ", " + nullable(r.department) + ", " +
                      q(r.action) + ", " +
                      (r.recFileId > 0 ? QString::number(r.recFileId) : QStringLiteral("NULL")) +
                      ", " + nullable(r.admissionId) + ", " + nullable(r.hospitalNumber) + ", " +
                      nullable(r.fileName) + ", " + nullable(r.pages) + ", " +
                      nullable(r.details) + ")";
    return "INSERT INTO dbRecords..tblRecHistory (at, employee, workstation, access_type, "
           "department, action, recfile_id, admission_id, hosp_num, file_name, pages, details) "
           "VALUES " +
           values.join(", ");
}

QString selectHistory(const HistoryFilter& f) {
    QStringList where;
    if (f.recFileId > 0) where << "recfile_id = " + QString::number(f.recFileId);
    if (!f.admissionId.isEmpty()) where << "admission_id = " + q(f.admissionId);
    if (!f.hospitalNumber.isEmpty()) where << "hosp_num = " + q(f.hospitalNumber);
    if (!f.employee.isEmpty()) where << "employee = " + q(f.employee);
    addRange(where, f.from, f.to);
    return "SELECT TOP " + QString::number(f.limit) +
           " history_id, at, employee, workstation, access_type, department, action, "
           "recfile_id, admission_id, hosp_num, file_name, pages, details FROM "
           "dbRecords..tblRecHistory" +
           (where.isEmpty() ? QString() : " WHERE " + where.join(" AND ")) +
           " ORDER BY at DESC, history_id DESC";
}

QString selectPatientAccess(const QString& hospitalNumber, const QDate& from, const QDate& to) {
    QStringList where{"hosp_num = " + q(hospitalNumber),
                      "action IN ('record search', 'admission search', 'open record')"};
    addRange(where, from, to);
    return "SELECT employee, action, COUNT(*) AS times, MIN(at) AS first_at, MAX(at) AS "
           "last_at FROM dbRecords..tblRecHistory WHERE " +
           where.join(" AND ") + " GROUP BY employee, action ORDER BY employee, action";
}

} // namespace records
