#pragma once
// Failed sign-ins of one employee ID, kept in the user database so that every workstation
// sees them: the first few cost nothing, then each further one makes the ID wait before the
// next try, and many in a row lock the ID for a while. A success forgets them; an
// administrator can unlock an ID at once (docuvane-admin unlock-user).
#include "db/Connection.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace app {

class Clock;

struct SignInPolicy {
    int freeFailures = 3;       // failures before any wait
    int firstWaitSeconds = 5;   // the wait after the first failure beyond those; doubles
    int longestWaitSeconds = 60;
    int lockAfterFailures = 10; // this many in a row lock the ID
    int lockMinutes = 15;
};

// When an ID may try again after `failures` failures in a row, the last at `lastFailure`
// (invalid: at once).
QDateTime signInAllowedFrom(const SignInPolicy& policy, int failures,
                            const QDateTime& lastFailure);

class SignInThrottle {
public:
    struct State {
        int failures = 0;
        QDateTime lockedUntil; // invalid when the ID may try now
        bool locked = false;   // the long lock (not only a wait)
    };

    // `log` receives a line for every wait and lock. A database without the attempts table
    // (made by an older version and not yet opened by this one) throttles nothing.
    SignInThrottle(db::Connection& connection, const Clock& clock,
                   std::function<void(const QString&)> log, SignInPolicy policy = {});

    // The state of an ID before it is tried; lockedUntil is set only while it must wait.
    State check(const QString& employeeId);
    // Counts a failure (of a wrong password or of an unknown ID alike) and returns the state
    // it leaves.
    State failed(const QString& employeeId);
    void succeeded(const QString& employeeId);

    // The message a refused try shows.
    static QString refusal(const QString& employeeId, const State& state);

private:
    State read(const QString& employeeId, bool* exists);

    db::Connection& connection_;
    const Clock& clock_;
    std::function<void(const QString&)> log_;
    SignInPolicy policy_;
    bool tableMissing_ = false;
};

} // namespace app
