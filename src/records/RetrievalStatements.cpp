#include "records/RetrievalStatements.h"

#include "db/Connection.h"
#include "records/LikePattern.h"
#include "records/RecTypeStatements.h"

namespace records {

namespace {

QString q(const QString& v) { return db::quote(v); }

QString selectList() {
    return QStringLiteral(
        "SELECT TOP 200 RF.recfile_id, RF.admission_id, RF.rectype_id, RF.file_name, "
        "RF.file_type, RF.EmployeeID, "
        "CONVERT(varchar(10),RF.date_created,101) as RecDate, "
        "CONVERT(varchar(30),RF.date_updated,100) as UpdateDate  , "
        "ISNULL(RT.rectype_name,'') as Rectype_Name, RF.Description");
}

// The joins and patient conditions of one patient branch: "I" in-patients, "O" out-patients.
QString patientBranch(char kind, const RecordSearchCriteria& c) {
    QString s;
    s += ", ISNULL(Pat.HospNum,'') as HospNum ";
    s += ", ISNULL(Lastname,'') as LastName, ISNULL(Firstname,'') as FirstName,"
         "ISNULL(Middlename,'') as MiddleName ";
    s += ", IsNull(CONVERT(varchar(10),Pat.AdmDate,101),'') as AdmDate ";
    s += ", IsNull(CONVERT(varchar(10),Pat.DcrDate,101),'') as DcrDate ";
    s += ", Pat.AdmDate as PatAdmDate ";
    s += " FROM dbRecords..tblRecFiles RF ";
    s += kind == 'I' ? "INNER JOIN PATIENT_DATA..tbPatient Pat ON RF.Admission_Id=Pat.IdNum "
                     : "INNER JOIN PATIENT_DATA..tbOutPatient Pat ON RF.Admission_Id=Pat.IdNum ";
    s += " LEFT OUTER JOIN dbRecords..tblRecType RT ON RF.rectype_id=RT.rectype_id ";
    s += " LEFT JOIN Patient_Data..tbMaster MA ON MA.HospNum=Pat.HospNum ";
    s += " WHERE 1=1 ";
    if (c.lastName) {
        s += " and MA.LastName like '" + quoteLikeLiteral(*c.lastName) + "' + '%' ";
        if (!c.firstName.isEmpty())
            s += " and MA.FirstName like '" + quoteLikeLiteral(c.firstName) + "' + '%' ";
    }
    if (c.admissionDate)
        s += " and CONVERT(varchar(10),Pat.AdmDate,101) = '" + q(*c.admissionDate) + "'";
    return s;
}

QString commonCriteria(const RecordSearchCriteria& c) {
    QString s;
    if (c.admissionId) s += " and RF.admission_id='" + q(*c.admissionId) + "'";
    if (c.hospitalNumber) s += " and ma.HospNum = '" + q(*c.hospitalNumber) + "'";
    if (c.description)
        s += " and description like   '%" + quoteLikeLiteral(*c.description) + "%'";
    if (c.recordTypeId > 0)
        s += " AND RF.rectype_id = '" + QString::number(c.recordTypeId) + "' ";
    if (c.recordDate)
        s += " and CONVERT(varchar(10),RF.date_created,101) = '" + q(*c.recordDate) + "'";
    if (c.scanDate)
        s += " and CONVERT(varchar(10),RF.date_updated,101) = '" + q(*c.scanDate) + "'";
    return s;
}

const char* const kNoDepartment = " AND (RT.DepartmentID IS NULL OR RT.DepartmentID='') ";

} // namespace

QString selectSearchRecordTypes(const QString& departmentId) {
    // The types the department's record type list shows: for medical records those with an
    // empty and those with a NULL department.
    return selectDepartmentRecordTypes(departmentId);
}

QString recordSearch(const RecordSearchCriteria& c) {
    QString s;
    if (c.patientMode) {
        s = selectList() + patientBranch('I', c) + kNoDepartment + commonCriteria(c);
        if (c.includeOutPatients)
            s += "UNION ALL " + selectList() + patientBranch('O', c) + kNoDepartment +
                 commonCriteria(c);
        s += c.orderByDate ? " ORDER BY patadmdate desc" : " ORDER BY Lastname, Firstname, Middlename";
    } else {
        s = selectList() + " FROM dbRecords..tblRecFiles RF " +
            " LEFT OUTER JOIN dbRecords..tblRecType RT ON RF.rectype_id=RT.rectype_id " +
            " WHERE 1=1 " + " AND RT.DepartmentID   = '" + q(c.departmentId) + "'" +
            commonCriteria(c);
        s += c.orderByDate ? " ORDER BY RF.date_created desc" : " ORDER BY rf.rectype_id desc";
    }
    return s;
}

QString selectRecordFileName(const QString& recFileId) {
    return "SELECT file_name FROM dbRecords.dbo.tblRecFiles WHERE recfile_id='" + q(recFileId) +
           "'";
}

QString deleteRecordFile(const QString& recFileId) {
    return "delete FROM dbRecords.dbo.tblRecFiles WHERE recfile_id='" + q(recFileId) + "'";
}

QString selectRecordFileForMaintenance(const QString& recFileId) {
    return "SELECT recfile_id,admission_id,rectype_id,file_name   FROM dbRecords.dbo.tblRecFiles "
           "WHERE recfile_id='" +
           q(recFileId) + "'";
}

QString selectRecordTypeExists(int recordTypeId) {
    return "SELECT rectype_id FROM dbRecords..tblRecType WHERE rectype_id='" +
           QString::number(recordTypeId) + "'";
}

QString selectFiledRecordsWithTypes() {
    return QStringLiteral(
        "SELECT RF.recfile_id, RF.admission_id, RF.file_name, RF.Description, "
        "CONVERT(varchar(10),RF.date_created,101) as RecDate, "
        "ISNULL(RT.rectype_name,'') as Rectype_Name, ISNULL(RT.DepartmentID,'') as DepartmentID "
        "FROM dbRecords..tblRecFiles RF "
        "LEFT OUTER JOIN dbRecords..tblRecType RT ON RF.rectype_id=RT.rectype_id "
        "ORDER BY RF.recfile_id");
}

} // namespace records
