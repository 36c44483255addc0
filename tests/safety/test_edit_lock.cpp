// The edit lock of a filed record over the embedded records database: taken by one instance,
// refused to another with the holder's details, confirmed while held, taken over once its
// holder has not confirmed it for 10 minutes, released by its holder or by an administrator.
#include "doubles/FixedClock.h"
#include "doubles/TestSession.h"
#include "safety/EditLock.h"

#include <gtest/gtest.h>

using safety::EditLock;
using safety::LockClaim;
using Outcome = safety::LockClaim::Outcome;

namespace {

const QDateTime kT0(QDate(2008, 11, 25), QTime(14, 5, 0));

class EditLockTest : public ::testing::Test {
protected:
    void SetUp() override { t.useDemoDatabase(true); }

    doubles::TestSession t;
    doubles::FixedClock clockA{kT0}, clockB{kT0};
    safety::LockOwner a{"1001", "Reyes, Maria Santos", "WARD-PC-1", "instance-a"};
    safety::LockOwner b{"1002", "Cruz, Jose", "RECORDS-PC-2", "instance-b"};
};

} // namespace

TEST_F(EditLockTest, TakenOnceRefusedToAnotherWithTheHolderAndReleasedByItsHolderOnly) {
    EditLock lockA(*t.demo, clockA, a), lockB(*t.demo, clockB, b);
    EXPECT_EQ(lockA.take(1).outcome, Outcome::Taken);
    // The holder opening the same record again keeps its lock.
    EXPECT_EQ(lockA.take(1).outcome, Outcome::Taken);

    clockB.set(kT0.addSecs(90));
    const LockClaim refused = lockB.take(1);
    ASSERT_EQ(refused.outcome, Outcome::HeldElsewhere);
    EXPECT_EQ(refused.other.owner.employeeId, "1001");
    EXPECT_EQ(refused.other.owner.employeeName, "Reyes, Maria Santos");
    EXPECT_EQ(refused.other.owner.workstation, "WARD-PC-1");
    EXPECT_EQ(refused.other.taken, kT0);
    EXPECT_EQ(safety::describeHolder(refused.other),
              "Reyes, Maria Santos (employee 1001) on workstation WARD-PC-1 since 11/25/2008 "
              "2:05 PM");
    // Another record is free for the second instance.
    EXPECT_EQ(lockB.take(2).outcome, Outcome::Taken);

    // Releasing is the holder's: the other instance's release leaves the lock.
    lockB.release(1);
    EXPECT_EQ(lockB.take(1).outcome, Outcome::HeldElsewhere);
    lockA.release(1);
    EXPECT_FALSE(lockA.holder(1));
    EXPECT_EQ(lockB.take(1).outcome, Outcome::Taken);
    EXPECT_EQ(lockA.take(1).outcome, Outcome::HeldElsewhere);

    // An administrator removes a lock whoever holds it.
    EditLock::forceRelease(*t.demo, 1);
    EXPECT_FALSE(lockA.holder(1));
    EXPECT_EQ(lockA.holder(2)->owner.instanceId, "instance-b");
    EXPECT_EQ(lockA.take(1).outcome, Outcome::Taken);
}

// A lock may be taken over once its holder has not confirmed it for 10 minutes: counted from
// its last confirmation, not from when it was taken.
TEST_F(EditLockTest, TakenOverOnlyAfterTenMinutesWithoutAConfirmation) {
    struct Case {
        int refreshedAfterSeconds; // the holder's confirmation after taking it (-1: none)
        int triedAfterSeconds;     // the second instance tries this long after the taking
        Outcome expected;
    };
    const Case cases[] = {
        {-1, 0, Outcome::HeldElsewhere},
        {-1, 9 * 60 + 59, Outcome::HeldElsewhere},
        {-1, 10 * 60, Outcome::TakenOver},
        {-1, 3 * 3600, Outcome::TakenOver},
        {5 * 60, 14 * 60, Outcome::HeldElsewhere}, // 9 minutes after the confirmation
        {5 * 60, 15 * 60, Outcome::TakenOver},
    };
    qint64 record = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "refreshed +" << c.refreshedAfterSeconds
                                        << " s, tried +" << c.triedAfterSeconds << " s");
        clockA.set(kT0);
        EditLock lockA(*t.demo, clockA, a), lockB(*t.demo, clockB, b);
        ASSERT_EQ(lockA.take(record).outcome, Outcome::Taken);
        if (c.refreshedAfterSeconds >= 0) {
            clockA.set(kT0.addSecs(c.refreshedAfterSeconds));
            EXPECT_TRUE(lockA.refresh(record));
        }
        clockB.set(kT0.addSecs(c.triedAfterSeconds));
        const LockClaim claim = lockB.take(record);
        EXPECT_EQ(claim.outcome, c.expected);
        // Either way the claim names the first holder, with the time it took the lock.
        EXPECT_EQ(claim.other.owner.employeeName, "Reyes, Maria Santos");
        EXPECT_EQ(claim.other.taken, kT0);
        const auto now = lockA.holder(record);
        ASSERT_TRUE(now);
        if (c.expected == Outcome::TakenOver) {
            EXPECT_EQ(now->owner.instanceId, "instance-b");
            EXPECT_EQ(now->owner.workstation, "RECORDS-PC-2");
            EXPECT_EQ(now->taken, clockB.now());
            // The first holder learns at its next confirmation that the lock is gone, and its
            // release leaves the new holder's lock.
            EXPECT_FALSE(lockA.refresh(record));
            lockA.release(record);
            EXPECT_EQ(lockA.holder(record)->owner.instanceId, "instance-b");
        } else {
            EXPECT_EQ(now->owner.instanceId, "instance-a");
            EXPECT_TRUE(lockA.refresh(record));
        }
        ++record;
    }
}
