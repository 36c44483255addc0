#pragma once
// The statements of the program's own current-user component (app::TalvorUser): the
// sign-in reads the suite's user database through the run's one connection.
#include <QDateTime>
#include <QString>

namespace records {

// The employee's names, password hash and rights string, each NULL read as "".
QString selectSignInEmployee(const QString& employeeId);

// The employee linked to the login the connection was made with (SQL Server: a SQL Server
// login or a domain account), with names and rights, each NULL read as "".
QString selectSignInEmployeeOfLogin();

// A row when the employee's home department is `departmentId`.
QString selectEmployeeInDepartment(const QString& employeeId, const QString& departmentId);

// A new hash of the employee's password (a sign-in that upgraded it, or a password change).
QString updatePasswordHash(const QString& employeeId, const QString& hash);

// The failed sign-ins of one employee ID (Failures, LastFailure, LockedUntil); no row when
// there are none.
QString selectSignInAttempts(const QString& employeeId);
// Records the failed sign-ins of an ID that has a row, and of one that has none.
QString updateSignInAttempts(const QString& employeeId, int failures, const QDateTime& last,
                             const QDateTime& lockedUntil);
QString insertSignInAttempts(const QString& employeeId, int failures, const QDateTime& last,
                             const QDateTime& lockedUntil);
// Forgets the failed sign-ins of an ID: after a successful sign-in, or unlocked by an
// administrator.
QString deleteSignInAttempts(const QString& employeeId);

// The login name of the connection, as the server knows it.
QString selectLoginName();
// The connection's SQL Server login changes its own password; the server checks the old one.
QString changeOwnLoginPassword(const QString& oldPassword, const QString& newPassword);

} // namespace records
