#pragma once
// The statements of the record workflows still to be built (admission search, filing, record
// search, opening and deleting, record types, the report, maintenance), written out here as
// those workflows will send them, with values passed through db::quote(). Each moves into
// the records library when its workflow is built, and its tests call that function instead.
// Statements the program already sends come from the records library (records/*.h).
// Shared by the statement corpus and the hostile-value tests.
#include "db/Connection.h"
#include "records/Statements.h"

#include <QDate>
#include <QString>

namespace corpus {

inline QString q(const QString& v) {
    return db::quote(v);
}

// Admission search.
struct AdmissionSearch {
    QString text;
    QString admDate; // as typed, already a valid date or empty
    bool includeOutPatients = false;
    bool orderByDate = false;
};

inline QString admissionSearch(const AdmissionSearch& a) {
    const QString text = a.text.trimmed();
    QString id, ln, fn;
    bool in = true, out = a.includeOutPatients;
    bool ok = false;
    const QString head = text.left(text.size() - 1);
    if (text.isEmpty()) {
    } else if (text.toDouble(&ok), ok) {
        id = text;
        out = false;
    } else if (text.endsWith('T', Qt::CaseInsensitive) && (head.toDouble(&ok), ok)) {
        id = text;
        out = false;
    } else if (text.endsWith('B', Qt::CaseInsensitive) && (head.toDouble(&ok), ok)) {
        id = text;
        in = false;
        out = true;
    } else {
        const int comma = text.indexOf(',');
        ln = (comma < 0 ? text : text.left(comma)).trimmed();
        fn = comma < 0 ? QString() : text.mid(comma + 1).trimmed();
    }
    const QString s = QString("SELECT top 500 PD.IdNum,") + "PD.HospNum," +
                      "IsNull(RTRIM(M.Lastname),'') as Lastname," +
                      "IsNull(RTRIM(M.Firstname),'') as Firstname," +
                      "IsNull(RTRIM(M.Middlename),'') as Middlename, " +
                      "IsNull(CONVERT(varchar(10),PD.AdmDate,101),'') as AdmDate, " +
                      "IsNull(CONVERT(varchar(10),PD.DcrDate,101),'') as DcrDate,PD.AdmDate as "
                      "PDAdmDate ";
    QString w = " LEFT OUTER JOIN PATIENT_DATA.dbo.tbMaster M with(NOLOCK) ON "
                "PD.HospNum=M.HospNum   WHERE  pd.hospnum <> ''   ";
    if (!id.isEmpty()) w += " and PD.IDNum = '" + q(id) + "'";
    if (!ln.isEmpty()) w += " and LastName LIKE '%" + q(ln) + "%'";
    if (!fn.isEmpty()) w += " and FirstName LIKE '%" + q(fn) + "%'";
    if (!a.admDate.trimmed().isEmpty())
        w += " and CONVERT(varchar(10),PD.AdmDate,101) = '" + q(a.admDate) + "'";
    const QString i = s + " FROM PATIENT_DATA.dbo.tbPatient PD with(NOLOCK) " + w;
    const QString o = s + " FROM PATIENT_DATA.dbo.tbOutPatient PD with(NOLOCK) " + w;
    QString query = in && out ? o + " UNION ALL " + i : (out ? o : i);
    query +=
        a.orderByDate ? " ORDER BY  PDAdmDate desc" : " ORDER BY Lastname, Firstname, Middlename";
    return query;
}

inline QString admissionSearchFor(const QString& text, const QString& admDate = {},
                                  bool includeOutPatients = false, bool orderByDate = false) {
    AdmissionSearch a;
    a.text = text;
    a.admDate = admDate;
    a.includeOutPatients = includeOutPatients;
    a.orderByDate = orderByDate;
    return admissionSearch(a);
}

// Filing.
inline QString checkScanned(const QString& id, int type) {
    return "dbRecords.dbo.sp_CheckScanned '" + q(id) + "','" + QString::number(type) + "'";
}
inline QString fileDelete(const QString& id, int type) {
    return "dbRecords.dbo.sp_FileDelete '" + q(id) + "','" + QString::number(type) + "'";
}
inline QString insertRecordFile(const QString& id, const QString& storedName, int type,
                                const QString& employee, const QString& description,
                                const QDate& date) {
    return QString("INSERT INTO dbRecords.dbo.tblRecFiles(admission_id, file_name, rectype_id, "
                   "EmployeeID,Description,date_created,date_updated) ") +
           " VALUES('" + q(id) + "','" + q(storedName) + "','" + QString::number(type) + "','" +
           q(employee) + "','" + q(description) + "','" + date.toString("yyyy-MM-dd") +
           "',getdate())";
}
inline QString recordTypeList(const QString& department, bool withNullDepartment) {
    QString s = "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType "
                "where DepartmentID = '" +
                q(department) + "'";
    if (withNullDepartment && department.isEmpty()) s += " or DepartmentID is null";
    return s + " ORDER BY rectype_name ";
}
inline QString payrollBrowse(const QString& lastNamePrefix) {
    return "SELECT EmpNum, LastName,FirstName , MiddleName  FROM PayrollDB..tbpmaster WHERE "
           "LastName like '" +
           q(lastNamePrefix) + "' + '%' ORDER BY LastName, FirstName";
}

// Record search.
struct RecordSearch {
    bool patientMode = true;
    QString department; // department mode
    QString admNo, hospNum, description, patName, admDate, recDate, scanDate;
    int rectypeId = 0;
    bool includeOutPatients = false;
    bool orderByDate = false;
};

inline QString recordSearch(const RecordSearch& r) {
    const QString s =
        QString("SELECT TOP 200 RF.recfile_id, RF.admission_id, RF.rectype_id, RF.file_name, "
                "RF.file_type, RF.EmployeeID, ") +
        "CONVERT(varchar(10),RF.date_created,101) as RecDate, "
        "CONVERT(varchar(30),RF.date_updated,100) as UpdateDate  , "
        "ISNULL(RT.rectype_name,'') as Rectype_Name, RF.Description";
    auto common = [&] {
        QString c;
        if (!r.admNo.isEmpty()) c += " and RF.admission_id='" + q(r.admNo.trimmed()) + "'";
        if (!r.hospNum.isEmpty()) c += " and ma.HospNum = '" + q(r.hospNum) + "'";
        if (!r.description.isEmpty()) c += " and description like   '%" + q(r.description) + "%'";
        if (r.rectypeId > 0) c += " AND RF.rectype_id = '" + QString::number(r.rectypeId) + "' ";
        if (!r.recDate.isEmpty())
            c += " and CONVERT(varchar(10),RF.date_created,101) = '" + q(r.recDate) + "'";
        if (!r.scanDate.isEmpty())
            c += " and CONVERT(varchar(10),RF.date_updated,101) = '" + q(r.scanDate) + "'";
        return c;
    };
    auto branch = [&](bool outPatients) {
        QString b = ", ISNULL(Pat.HospNum,'') as HospNum ";
        b += ", ISNULL(Lastname,'') as LastName, ISNULL(Firstname,'') as "
             "FirstName,ISNULL(Middlename,'') as MiddleName ";
        b += ", IsNull(CONVERT(varchar(10),Pat.AdmDate,101),'') as AdmDate ";
        b += ", IsNull(CONVERT(varchar(10),Pat.DcrDate,101),'') as DcrDate ";
        b += ", Pat.AdmDate as PatAdmDate ";
        b += " FROM dbRecords..tblRecFiles RF ";
        b += outPatients ? "INNER JOIN PATIENT_DATA..tbOutPatient Pat ON RF.Admission_Id=Pat.IdNum "
                         : "INNER JOIN PATIENT_DATA..tbPatient Pat ON RF.Admission_Id=Pat.IdNum ";
        b += " LEFT OUTER JOIN dbRecords..tblRecType RT ON RF.rectype_id=RT.rectype_id ";
        b += " LEFT JOIN Patient_Data..tbMaster MA ON MA.HospNum=Pat.HospNum ";
        b += " WHERE 1=1 ";
        if (!r.patName.isEmpty()) {
            QString name = r.patName.trimmed();
            const int comma = name.indexOf(',');
            const QString last = (comma < 0 ? name : name.left(comma)).trimmed();
            const QString first = comma < 0 ? QString() : name.mid(comma + 1).trimmed();
            b += " and MA.LastName like '" + q(last) + "' + '%' ";
            if (!first.isEmpty()) b += " and MA.FirstName like '" + q(first) + "' + '%' ";
        }
        if (!r.admDate.trimmed().isEmpty())
            b += " and CONVERT(varchar(10),Pat.AdmDate,101) = '" + q(r.admDate) + "'";
        return b;
    };
    QString statement;
    if (r.patientMode) {
        statement =
            s + branch(false) + " AND (RT.DepartmentID IS NULL OR RT.DepartmentID='') " + common();
        if (r.includeOutPatients)
            statement += "UNION ALL " + s + branch(true) +
                         " AND (RT.DepartmentID IS NULL OR RT.DepartmentID='') " + common();
        statement += r.orderByDate ? " ORDER BY patadmdate desc"
                                   : " ORDER BY Lastname, Firstname, Middlename";
    } else {
        statement = s + " FROM dbRecords..tblRecFiles RF " +
                    " LEFT OUTER JOIN dbRecords..tblRecType RT ON RF.rectype_id=RT.rectype_id " +
                    " WHERE 1=1 " + " AND RT.DepartmentID   = '" + q(r.department) + "'" + common();
        statement +=
            r.orderByDate ? " ORDER BY RF.date_created desc" : " ORDER BY rf.rectype_id desc";
    }
    return statement;
}

inline RecordSearch byAdmissionId(const QString& id) {
    RecordSearch r;
    r.admNo = id;
    return r;
}

// Opening and deleting a record.
inline QString recordFileName(const QString& recfileId) {
    return "SELECT file_name FROM dbRecords.dbo.tblRecFiles WHERE recfile_id='" + q(recfileId) +
           "'";
}
inline QString deleteRecord(const QString& recfileId) {
    return "delete FROM dbRecords.dbo.tblRecFiles WHERE recfile_id='" + q(recfileId) + "'";
}

// Record type administration.
inline QString recordTypeAdminList(const QString& department) {
    return "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType where "
           "isnull(DepartmentID,'') = '" +
           q(department) + "' ORDER BY rectype_name ";
}
inline QString setDefaultType(const QString& id) {
    return "dbRecords..spRectype_SetDefault '" + q(id) + "'";
}
inline QString typeInUse(const QString& id) {
    return "dbRecords.dbo.spRectype_chkID '" + q(id) + "'";
}
inline QString deleteType(const QString& id) {
    return "dbRecords..spRectype_delete '" + q(id) + "'";
}
inline QString getType(const QString& id) {
    return "dbRecords..spRectype_Get '" + q(id) + "'";
}
inline QString duplicateType(const QString& name, const QString& department) {
    return "SELECT 1 FROM dbRecords.dbo.tblRecType WHERE rectype_name='" + q(name) +
           "' and departmentid = '" + q(department) + "'";
}
inline QString addType(const QString& name, const QString& desc, const QString& employee,
                       const QString& department) {
    return "INSERT INTO dbRecords..tblRecType(rectype_name, rectype_desc, "
           "user_created,departmentid) VALUES('" +
           q(name) + "','" + q(desc) + "','" + q(employee) + "','" + q(department) + "')";
}
inline QString updateType(const QString& name, const QString& desc, const QString& employee,
                          const QString& id, const QString& department) {
    return " UPDATE dbRecords..tblRecType SET rectype_name='" + q(name) + "', rectype_desc='" +
           q(desc) + "', date_updated=getdate(), user_updated='" + q(employee) +
           "' WHERE rectype_id='" + q(id) + "' and DepartmentID='" + q(department) + "'";
}

// Report and maintenance.
inline QString scanReport(const QDate& from, const QDate& to) {
    return "dbRecords..sp_ScanReport '" + from.toString("MM/dd/yyyy") + "','" +
           to.toString("MM/dd/yyyy") + "'";
}
inline QString maintenanceRow(const QString& recfileId) {
    return "SELECT recfile_id,admission_id,rectype_id,file_name   FROM dbRecords.dbo.tblRecFiles "
           "WHERE recfile_id='" +
           q(recfileId) + "'";
}

} // namespace corpus
