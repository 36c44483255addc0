#include "records/CurrentUserStatements.h"

#include "db/Connection.h"
#include "db/DateTimeText.h"

namespace records {

namespace {

QString q(const QString& v) { return "'" + db::quote(v) + "'"; }
QString t(const QDateTime& v) { return v.isValid() ? q(db::storedDateTime(v)) : "NULL"; }

const QString kEmployeeColumns = QStringLiteral(
    "ISNULL(m.Lastname,'') AS Lastname, ISNULL(m.FirstName,'') AS FirstName, "
    "ISNULL(m.MiddleName,'') AS MiddleName, ");

} // namespace

QString selectSignInEmployee(const QString& employeeId) {
    return "SELECT EmployeeID, ISNULL(Lastname,'') AS Lastname, ISNULL(FirstName,'') AS FirstName, "
           "ISNULL(MiddleName,'') AS MiddleName, ISNULL(PasswordHash,'') AS PasswordHash, "
           "ISNULL(UserRights,'') AS UserRights FROM Password..tbPasswordMaster WHERE EmployeeID='" +
           db::quote(employeeId) + "'";
}

QString selectSignInEmployeeOfLogin() {
    return "SELECT m.EmployeeID, " + kEmployeeColumns +
           "ISNULL(m.UserRights,'') AS UserRights FROM Password..tbPasswordLogins l "
           "JOIN Password..tbPasswordMaster m ON m.EmployeeID = l.EmployeeID "
           "WHERE l.LoginName = SUSER_SNAME()";
}

QString selectEmployeeInDepartment(const QString& employeeId, const QString& departmentId) {
    return "SELECT EmployeeID FROM Password..tbPasswordMain WHERE EmployeeID='" +
           db::quote(employeeId) + "' AND DepartmentID='" + db::quote(departmentId) + "'";
}

QString updatePasswordHash(const QString& employeeId, const QString& hash) {
    return "UPDATE Password..tbPasswordMaster SET PasswordHash = " + q(hash) +
           " WHERE EmployeeID = " + q(employeeId);
}

QString selectSignInAttempts(const QString& employeeId) {
    return "SELECT Failures, LastFailure, LockedUntil FROM Password..tbPasswordAttempts "
           "WHERE EmployeeID = " +
           q(employeeId);
}

QString updateSignInAttempts(const QString& employeeId, int failures, const QDateTime& last,
                             const QDateTime& lockedUntil) {
    return "UPDATE Password..tbPasswordAttempts SET Failures = " + QString::number(failures) +
           ", LastFailure = " + t(last) + ", LockedUntil = " + t(lockedUntil) +
           " WHERE EmployeeID = " + q(employeeId);
}

QString insertSignInAttempts(const QString& employeeId, int failures, const QDateTime& last,
                             const QDateTime& lockedUntil) {
    return "INSERT INTO Password..tbPasswordAttempts (EmployeeID, Failures, LastFailure, "
           "LockedUntil) VALUES (" +
           q(employeeId) + ", " + QString::number(failures) + ", " + t(last) + ", " +
           t(lockedUntil) + ")";
}

QString deleteSignInAttempts(const QString& employeeId) {
    return "DELETE FROM Password..tbPasswordAttempts WHERE EmployeeID = " + q(employeeId);
}

QString selectLoginName() { return QStringLiteral("SELECT SUSER_SNAME() AS LoginName"); }

QString changeOwnLoginPassword(const QString& oldPassword, const QString& newPassword) {
    // ALTER LOGIN takes no parameters: the statement is put together on the server, from the
    // server's own name for the login and the two passwords as quoted literals.
    return "DECLARE @login sysname = SUSER_SNAME(), @new nvarchar(max) = N" + q(newPassword) +
           ", @old nvarchar(max) = N" + q(oldPassword) +
           "; DECLARE @s nvarchar(max) = N'ALTER LOGIN ' + QUOTENAME(@login) + "
           "N' WITH PASSWORD = N''' + REPLACE(@new, N'''', N'''''') + "
           "N''' OLD_PASSWORD = N''' + REPLACE(@old, N'''', N'''''') + N''''; EXEC (@s)";
}

} // namespace records
