#include "records/Statements.h"

#include "db/Connection.h"

namespace records {

QString selectFileNamesOfRecordType(const QString& admissionId, int recordTypeId) {
    return "SELECT file_name FROM dbRecords.dbo.tblRecFiles WHERE admission_id='" +
           db::quote(admissionId) + "' and rectype_id='" + QString::number(recordTypeId) +
           "'    ORDER BY recfile_id";
}

QString selectRecordFilesOfRecordType(const QString& admissionId, int recordTypeId) {
    return "SELECT recfile_id, file_name FROM dbRecords.dbo.tblRecFiles WHERE admission_id='" +
           db::quote(admissionId) + "' and rectype_id='" + QString::number(recordTypeId) +
           "' ORDER BY recfile_id";
}

QString selectEmployeeFullName(const QString& employeeId) {
    return "SELECT top 1  Lastname + ', ' + FirstName + ' ' + MiddleName   AS FullName  FROM "
           "Password..tbPasswordMaster WITH (nolock) WHERE EmployeeID='" +
           db::quote(employeeId) + "' ";
}

QString selectSecondDepartmentAssignment(const QString& employeeCode) {
    return "select  department from  Password..tbPasswordWoms  where EmployeeID = '" +
           db::quote(employeeCode) + "'";
}

QString selectEmployeeDepartments(const QString& employeeCode) {
    return "select m.DepartmentID,department from password..tbPasswordMain M left outer join "
           "Password..tbPasswordDepartment D on m.DepartmentID = d.DepartmentId where EmployeeID = '" +
           db::quote(employeeCode) + "'";
}

QString stampSavedRecordFile(const QString& employeeCode, const QString& recfileId) {
    return "update dbRecords.dbo.tblRecFiles set date_updated=getdate(),employeeid='" +
           db::quote(employeeCode) + "' where recfile_id='" + db::quote(recfileId) + "'";
}

} // namespace records
