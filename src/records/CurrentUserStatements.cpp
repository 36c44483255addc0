#include "records/CurrentUserStatements.h"

#include "db/Connection.h"

namespace records {

QString selectSignInEmployee(const QString& employeeId) {
    return "SELECT EmployeeID, ISNULL(Lastname,'') AS Lastname, ISNULL(FirstName,'') AS FirstName, "
           "ISNULL(MiddleName,'') AS MiddleName, ISNULL(PasswordHash,'') AS PasswordHash, "
           "ISNULL(UserRights,'') AS UserRights FROM Password..tbPasswordMaster WHERE EmployeeID='" +
           db::quote(employeeId) + "'";
}

QString selectEmployeeInDepartment(const QString& employeeId, const QString& departmentId) {
    return "SELECT EmployeeID FROM Password..tbPasswordMain WHERE EmployeeID='" +
           db::quote(employeeId) + "' AND DepartmentID='" + db::quote(departmentId) + "'";
}

} // namespace records
