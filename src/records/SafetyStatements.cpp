#include "records/SafetyStatements.h"

#include "db/Connection.h"
#include "db/DateTimeText.h"

namespace records {

namespace {

QString q(const QString& v) { return "'" + db::quote(v) + "'"; }
QString t(const QDateTime& v) { return q(db::storedDateTime(v)); }
QString id(qint64 recFileId) { return QString::number(recFileId); }

} // namespace

QString createRecordLockTable() {
    return "CREATE TABLE dbRecords.dbo.tblRecLocks (recfile_id int NOT NULL "
           "CONSTRAINT PK_tblRecLocks PRIMARY KEY, EmployeeID varchar(20) NULL, "
           "EmployeeName varchar(100) NULL, workstation varchar(100) NULL, "
           "instance_id varchar(50) NOT NULL, taken datetime NOT NULL, "
           "refreshed datetime NOT NULL)";
}

QString takeFreeRecordLock(qint64 recFileId, const LockOwner& o, const QDateTime& now) {
    return "INSERT INTO dbRecords..tblRecLocks (recfile_id, EmployeeID, EmployeeName, "
           "workstation, instance_id, taken, refreshed) VALUES (" +
           id(recFileId) + ", " + q(o.employeeId) + ", " + q(o.employeeName) + ", " +
           q(o.workstation) + ", " + q(o.instanceId) + ", " + t(now) + ", " + t(now) + ")";
}

QString takeOverStaleRecordLock(qint64 recFileId, const QString& previousInstanceId,
                                const QDateTime& staleBefore, const LockOwner& o,
                                const QDateTime& now) {
    return "UPDATE dbRecords..tblRecLocks SET EmployeeID = " + q(o.employeeId) +
           ", EmployeeName = " + q(o.employeeName) + ", workstation = " + q(o.workstation) +
           ", instance_id = " + q(o.instanceId) + ", taken = " + t(now) + ", refreshed = " +
           t(now) + " WHERE recfile_id = " + id(recFileId) + " AND instance_id = " +
           q(previousInstanceId) + " AND refreshed <= " + t(staleBefore);
}

QString selectRecordLock(qint64 recFileId) {
    return "SELECT recfile_id, EmployeeID, EmployeeName, workstation, instance_id, taken, "
           "refreshed FROM dbRecords..tblRecLocks WHERE recfile_id = " +
           id(recFileId);
}

QString refreshRecordLock(qint64 recFileId, const QString& instanceId, const QDateTime& now) {
    return "UPDATE dbRecords..tblRecLocks SET refreshed = " + t(now) + " WHERE recfile_id = " +
           id(recFileId) + " AND instance_id = " + q(instanceId);
}

QString releaseRecordLock(qint64 recFileId, const QString& instanceId) {
    return "DELETE FROM dbRecords..tblRecLocks WHERE recfile_id = " + id(recFileId) +
           " AND instance_id = " + q(instanceId);
}

QString removeRecordLock(qint64 recFileId) {
    return "DELETE FROM dbRecords..tblRecLocks WHERE recfile_id = " + id(recFileId);
}

} // namespace records
