#pragma once
// The edit lock of a filed record, shared by every workstation over the records database:
// whoever opens a record read-write holds its lock row until closing it, and confirms it
// while holding it; a lock not confirmed for 10 minutes (its workstation crashed) may be
// taken over. No window here: the main window's lock commands use it.
#include "records/SafetyStatements.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace app {
class Clock;
}
namespace db {
class Connection;
}

namespace safety {

using records::LockOwner;

// A lock row as read back.
struct LockHolder {
    LockOwner owner;
    QDateTime taken;
    QDateTime refreshed;
};

// What taking a record's lock came to.
struct LockClaim {
    enum class Outcome {
        Taken,        // the lock is this instance's (taken now, or held already)
        TakenOver,    // another's lock, not refreshed for 10 minutes, is now this instance's
        HeldElsewhere // another holds it: the record opens read-only
    };
    Outcome outcome = Outcome::HeldElsewhere;
    // TakenOver: whose the lock was; HeldElsewhere: who holds it.
    LockHolder other;
};

class EditLock {
public:
    // A lock whose holder has not confirmed it for this long may be taken over.
    static constexpr int kStaleMinutes = 10;

    EditLock(db::Connection& connection, const app::Clock& clock, LockOwner me);

    const LockOwner& me() const { return me_; }

    LockClaim take(qint64 recFileId);
    // Confirms this instance's lock; false when it is no longer this instance's (released
    // by an administrator, or taken over).
    bool refresh(qint64 recFileId);
    // Lets go of this instance's lock (another's stays).
    void release(qint64 recFileId);
    // The record's lock, if any.
    std::optional<LockHolder> holder(qint64 recFileId);

    // Removes a record's lock whoever holds it.
    static void forceRelease(db::Connection& connection, qint64 recFileId);

private:
    db::Connection& c_;
    const app::Clock& clock_;
    LockOwner me_;
};

// "NAME (employee ID) on workstation WS since 11/25/2008 2:05 PM".
QString describeHolder(const LockHolder& holder);

} // namespace safety
