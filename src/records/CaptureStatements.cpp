#include "records/CaptureStatements.h"

#include "db/Connection.h"
#include "records/LikePattern.h"

namespace records {

namespace {

QString q(const QString& v) { return db::quote(v); }

} // namespace

QString searchAdmissions(const AdmissionSearch& a) {
    const QString select = QStringLiteral(
        "SELECT top 500 PD.IdNum,"
        "PD.HospNum,"
        "IsNull(RTRIM(M.Lastname),'') as Lastname,"
        "IsNull(RTRIM(M.Firstname),'') as Firstname,"
        "IsNull(RTRIM(M.Middlename),'') as Middlename, "
        "IsNull(CONVERT(varchar(10),PD.AdmDate,101),'') as AdmDate, "
        "IsNull(CONVERT(varchar(10),PD.DcrDate,101),'') as DcrDate,PD.AdmDate as PDAdmDate ");
    QString tail = QStringLiteral(" LEFT OUTER JOIN PATIENT_DATA.dbo.tbMaster M with(NOLOCK) ON "
                                  "PD.HospNum=M.HospNum   WHERE  pd.hospnum <> ''   ");
    if (!a.id.isEmpty()) tail += " and PD.IDNum = '" + q(a.id) + "'";
    if (!a.lastName.isEmpty())
        tail += " and LastName LIKE '%" + quoteLikeLiteral(a.lastName) + "%'";
    if (!a.firstName.isEmpty())
        tail += " and FirstName LIKE '%" + quoteLikeLiteral(a.firstName) + "%'";
    if (!a.admDate.isEmpty())
        tail += " and CONVERT(varchar(10),PD.AdmDate,101) = '" + q(a.admDate) + "'";
    const QString in = select + " FROM PATIENT_DATA.dbo.tbPatient PD with(NOLOCK) " + tail;
    const QString out = select + " FROM PATIENT_DATA.dbo.tbOutPatient PD with(NOLOCK) " + tail;
    QString query;
    switch (a.scope) {
    case AdmissionScope::InPatients:
        query = in;
        break;
    case AdmissionScope::OutPatients:
        query = out;
        break;
    case AdmissionScope::Default:
        query = a.includeOutPatients ? out + " UNION ALL " + in : in;
        break;
    }
    query += a.orderByDate ? QStringLiteral(" ORDER BY  PDAdmDate desc")
                           : QStringLiteral(" ORDER BY Lastname, Firstname, Middlename");
    return query;
}

QString selectRecordTypesForFiling(const QString& departmentId) {
    QString s = "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType "
                "where DepartmentID = '" +
                q(departmentId) + "'";
    if (departmentId.isEmpty()) s += " or DepartmentID is null";
    return s + " ORDER BY rectype_name ";
}

QString checkScanned(const QString& id, int recordTypeId) {
    return "dbRecords.dbo.sp_CheckScanned '" + q(id) + "','" + QString::number(recordTypeId) + "'";
}

QString deleteRecordTypeRows(const QString& id, int recordTypeId) {
    return "dbRecords.dbo.sp_FileDelete '" + q(id) + "','" + QString::number(recordTypeId) + "'";
}

QString insertRecordFile(const QString& id, const QString& storedName, int recordTypeId,
                         const QString& employeeId, const QString& description,
                         const QString& dateCreated) {
    return QStringLiteral("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, file_name, "
                          "rectype_id, EmployeeID,Description,date_created,date_updated) ") +
           " VALUES('" + q(id) + "','" + q(storedName) + "','" + QString::number(recordTypeId) +
           "','" + q(employeeId) + "','" + q(description) + "','" + q(dateCreated) +
           "',getdate())";
}

QString selectFiledRecordId(const QString& id, const QString& storedName, int recordTypeId) {
    return "SELECT TOP 1 recfile_id FROM dbRecords.dbo.tblRecFiles WHERE admission_id='" + q(id) +
           "' and file_name='" + q(storedName) + "' and rectype_id='" +
           QString::number(recordTypeId) + "' ORDER BY recfile_id DESC";
}

QString selectBrowseRows(const QString& database, const QString& table, const QString& fieldList,
                         const QString& findField, const QString& findValue,
                         const QString& orderField) {
    QString s = "SELECT " + fieldList + " FROM " + database + ".." + table;
    if (!findValue.isEmpty())
        s += " WHERE " + findField + " LIKE '%" + quoteLikeLiteral(findValue) + "%'";
    return s + " ORDER BY " + orderField;
}

QString selectPayrollEmployeeName(const QString& database, const QString& empNum) {
    return "SELECT top 1 IsNull(RTRIM(LastName),'') as LastName, IsNull(RTRIM(FirstName),'') as "
           "FirstName, IsNull(RTRIM(MiddleName),'') as MiddleName FROM " +
           database + "..tbpmaster WHERE EmpNum = '" + q(empNum) + "'";
}

QString selectRecordTypeName(int recordTypeId) {
    return "SELECT rectype_name FROM dbRecords..tblRecType WHERE rectype_id='" +
           QString::number(recordTypeId) + "'";
}

} // namespace records
