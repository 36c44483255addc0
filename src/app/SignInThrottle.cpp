#include "app/SignInThrottle.h"

#include "app/Clock.h"
#include "db/DateTimeText.h"
#include "records/CurrentUserStatements.h"

#include <algorithm>

namespace app {

QDateTime signInAllowedFrom(const SignInPolicy& p, int failures, const QDateTime& lastFailure) {
    if (!lastFailure.isValid() || failures <= p.freeFailures) return {};
    if (failures >= p.lockAfterFailures) return lastFailure.addSecs(qint64(p.lockMinutes) * 60);
    const int beyond = failures - p.freeFailures - 1; // 0 for the first failure that waits
    qint64 wait = p.firstWaitSeconds;
    for (int i = 0; i < beyond && wait < p.longestWaitSeconds; ++i)
        wait *= 2;
    return lastFailure.addSecs(std::min<qint64>(wait, p.longestWaitSeconds));
}

SignInThrottle::SignInThrottle(db::Connection& connection, const Clock& clock,
                               std::function<void(const QString&)> log, SignInPolicy policy)
    : connection_(connection), clock_(clock), log_(std::move(log)), policy_(policy) {}

SignInThrottle::State SignInThrottle::read(const QString& id, bool* exists) {
    State s;
    *exists = false;
    if (tableMissing_) return s;
    db::RecordsetPtr rs;
    try {
        rs = connection_.open(records::selectSignInAttempts(id));
    } catch (const db::Error& e) {
        tableMissing_ = true;
        if (log_)
            log_("Failed sign-ins are not counted: the user database cannot keep them (" +
                 e.description() + ").");
        return s;
    }
    if (rs->eof()) return s;
    *exists = true;
    s.failures = rs->value("Failures").toInt();
    QDateTime last;
    if (!rs->isNull("LastFailure")) {
        const QVariant v = rs->value("LastFailure");
        last = v.typeId() == QMetaType::QDateTime
                   ? v.toDateTime()
                   : db::parseSqlDateTime(v.toString()).value_or(QDateTime());
    }
    const QDateTime until = signInAllowedFrom(policy_, s.failures, last);
    if (until.isValid() && until > clock_.now()) {
        s.lockedUntil = until;
        s.locked = s.failures >= policy_.lockAfterFailures;
    }
    return s;
}

SignInThrottle::State SignInThrottle::check(const QString& id) {
    bool exists = false;
    return read(id, &exists);
}

SignInThrottle::State SignInThrottle::failed(const QString& id) {
    bool exists = false;
    State s = read(id, &exists);
    if (tableMissing_) return s;
    const QDateTime now = clock_.now();
    s.failures += 1;
    const QDateTime until = signInAllowedFrom(policy_, s.failures, now);
    s.lockedUntil = until;
    s.locked = until.isValid() && s.failures >= policy_.lockAfterFailures;
    try {
        if (exists)
            connection_.execute(records::updateSignInAttempts(id, s.failures, now, until));
        else
            connection_.execute(records::insertSignInAttempts(id, s.failures, now, until));
    } catch (const db::Error& e) {
        if (log_) log_("A failed sign-in of " + id + " could not be counted: " + e.description());
    }
    if (log_ && until.isValid())
        log_(s.locked ? "Employee ID " + id + " is locked until " +
                            until.toString("yyyy-MM-dd HH:mm:ss") + " after " +
                            QString::number(s.failures) + " failed sign-ins."
                      : "Employee ID " + id + " must wait until " +
                            until.toString("yyyy-MM-dd HH:mm:ss") + " after " +
                            QString::number(s.failures) + " failed sign-ins.");
    return s;
}

void SignInThrottle::succeeded(const QString& id) {
    if (tableMissing_) return;
    try {
        connection_.execute(records::deleteSignInAttempts(id));
    } catch (const db::Error&) {
    }
}

QString SignInThrottle::refusal(const QString& id, const State& s) {
    const QString at = s.lockedUntil.toString("HH:mm:ss");
    if (s.locked)
        return "Employee ID " + id + " is locked after too many failed sign-ins until " + at +
               ". An administrator can unlock it sooner.";
    return "Too many failed sign-ins for employee ID " + id + ". Try again after " + at + ".";
}

} // namespace app
