#pragma once
// Statements of the edit lock of a filed record (dbRecords..tblRecLocks): one row a locked
// record, naming the employee, the workstation and the program instance that hold it, when
// the lock was taken and when its holder last confirmed it.
#include <QDateTime>
#include <QString>

namespace records {

// Who takes or holds a lock.
struct LockOwner {
    QString employeeId;
    QString employeeName;
    QString workstation;
    QString instanceId; // one program run
};

// Creates the lock table in a records database that lacks it ("Update Database"); fails, as
// the update's other changes do, once the table is in place.
QString createRecordLockTable();

// Takes the lock of a record nobody holds, in one statement: the record's key is the table's
// primary key, so the statement fails, writing nothing, when the record already has a lock
// row.
QString takeFreeRecordLock(qint64 recFileId, const LockOwner& owner, const QDateTime& now);

// Takes over the lock of `previousInstanceId` when it was last refreshed at or before
// `staleBefore`, in one statement: nothing changes when its holder refreshed it since.
QString takeOverStaleRecordLock(qint64 recFileId, const QString& previousInstanceId,
                                const QDateTime& staleBefore, const LockOwner& owner,
                                const QDateTime& now);

// The lock row of one record (none when it is free).
QString selectRecordLock(qint64 recFileId);

// The holder confirms its lock: the row changes only while that instance holds it.
QString refreshRecordLock(qint64 recFileId, const QString& instanceId, const QDateTime& now);

// The holder lets go: the row goes only while that instance holds it.
QString releaseRecordLock(qint64 recFileId, const QString& instanceId);

// Removes a record's lock whoever holds it (a stuck lock released by an administrator).
QString removeRecordLock(qint64 recFileId);

} // namespace records
