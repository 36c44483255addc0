#pragma once
// The statements of the program's own current-user component (app::TalvorUser): the
// sign-in reads the suite's user database through the run's one connection.
#include <QString>

namespace records {

// The employee's names, password hash and rights string, each NULL read as "".
QString selectSignInEmployee(const QString& employeeId);

// A row when the employee's home department is `departmentId`.
QString selectEmployeeInDepartment(const QString& employeeId, const QString& departmentId);

} // namespace records
