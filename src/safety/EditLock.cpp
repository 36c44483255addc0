#include "safety/EditLock.h"

#include "app/Clock.h"
#include "db/Connection.h"
#include "db/DateTimeText.h"
#include "db/DbError.h"

namespace safety {

namespace {

QDateTime dateTimeOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    return db::parseSqlDateTime(v.toString()).value_or(QDateTime());
}

} // namespace

EditLock::EditLock(db::Connection& connection, const app::Clock& clock, LockOwner me)
    : c_(connection), clock_(clock), me_(std::move(me)) {}

std::optional<LockHolder> EditLock::holder(qint64 recFileId) {
    db::RecordsetPtr rs = c_.execute(records::selectRecordLock(recFileId));
    if (!rs || rs->bof() || rs->eof()) return std::nullopt;
    LockHolder h;
    h.owner.employeeId = rs->text("EmployeeID");
    h.owner.employeeName = rs->text("EmployeeName");
    h.owner.workstation = rs->text("workstation");
    h.owner.instanceId = rs->text("instance_id");
    h.taken = dateTimeOf(rs->value("taken"));
    h.refreshed = dateTimeOf(rs->value("refreshed"));
    rs->close();
    return h;
}

LockClaim EditLock::take(qint64 recFileId) {
    // Each statement decides alone (the insert only where no row is, the takeover only while
    // the row is still the stale one read); the row read back after it says who won.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QDateTime now = clock_.now();
        try {
            c_.execute(records::takeFreeRecordLock(recFileId, me_, now));
        } catch (const db::Error&) {
            // The record has a lock row already (or the database failed, which the read
            // below reports).
        }
        std::optional<LockHolder> h = holder(recFileId);
        if (!h) continue; // released between the two statements: try again
        if (h->owner.instanceId == me_.instanceId) return {LockClaim::Outcome::Taken, {}};
        const QDateTime staleBefore = now.addSecs(-60 * kStaleMinutes);
        if (!h->refreshed.isValid() || h->refreshed > staleBefore)
            return {LockClaim::Outcome::HeldElsewhere, *h};
        c_.execute(records::takeOverStaleRecordLock(recFileId, h->owner.instanceId, staleBefore,
                                                    me_, now));
        std::optional<LockHolder> after = holder(recFileId);
        if (after && after->owner.instanceId == me_.instanceId)
            return {LockClaim::Outcome::TakenOver, *h};
        if (after) return {LockClaim::Outcome::HeldElsewhere, *after};
    }
    std::optional<LockHolder> h = holder(recFileId);
    return {LockClaim::Outcome::HeldElsewhere, h.value_or(LockHolder{})};
}

bool EditLock::refresh(qint64 recFileId) {
    c_.execute(records::refreshRecordLock(recFileId, me_.instanceId, clock_.now()));
    const std::optional<LockHolder> h = holder(recFileId);
    return h && h->owner.instanceId == me_.instanceId;
}

void EditLock::release(qint64 recFileId) {
    c_.execute(records::releaseRecordLock(recFileId, me_.instanceId));
}

void EditLock::forceRelease(db::Connection& connection, qint64 recFileId) {
    connection.execute(records::removeRecordLock(recFileId));
}

QString describeHolder(const LockHolder& h) {
    QString who = h.owner.employeeName.trimmed();
    if (who.isEmpty()) who = "employee " + h.owner.employeeId;
    else if (!h.owner.employeeId.isEmpty()) who += " (employee " + h.owner.employeeId + ")";
    return who + " on workstation " + h.owner.workstation + " since " +
           h.taken.toString("MM/dd/yyyy h:mm AP");
}

} // namespace safety
