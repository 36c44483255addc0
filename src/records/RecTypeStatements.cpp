#include "records/RecTypeStatements.h"

#include "db/Connection.h"

namespace records {

namespace {

QString q(const QString& v) { return db::quote(v); }
QString id(int recordTypeId) { return QString::number(recordTypeId); }

} // namespace

QString selectDepartmentRecordTypes(const QString& departmentId) {
    return "SELECT rectype_id, rectype_name, rectype_default FROM dbRecords..tblRecType "
           "where isnull(DepartmentID,'') = '" +
           q(departmentId) + "' ORDER BY rectype_name ";
}

QString setDefaultRecordType(int recordTypeId) {
    return "dbRecords..spRectype_SetDefault '" + id(recordTypeId) + "'";
}

QString checkRecordTypeInUse(int recordTypeId) {
    return "dbRecords.dbo.spRectype_chkID '" + id(recordTypeId) + "'";
}

QString deleteUnusedRecordType(int recordTypeId) {
    return "DELETE FROM dbRecords..tblRecType WHERE rectype_id='" + id(recordTypeId) +
           "' and NOT EXISTS (SELECT 1 FROM dbRecords.dbo.tblRecFiles WHERE rectype_id='" +
           id(recordTypeId) + "')";
}

QString selectRecordTypeNamed(const QString& name, const QString& departmentId) {
    return "SELECT 1 FROM dbRecords.dbo.tblRecType WHERE rectype_name='" + q(name) +
           "' and isnull(departmentid,'') = '" + q(departmentId) + "'";
}

QString selectOtherRecordTypeNamed(const QString& name, const QString& departmentId,
                                   int recordTypeId) {
    return selectRecordTypeNamed(name, departmentId) + " and rectype_id <> '" + id(recordTypeId) +
           "'";
}

QString insertRecordType(const QString& name, const QString& description,
                         const QString& employeeCode, const QString& departmentId) {
    return "INSERT INTO dbRecords..tblRecType(rectype_name, rectype_desc, "
           "user_created,departmentid) VALUES('" +
           q(name) + "','" + q(description) + "','" + q(employeeCode) + "','" +
           q(departmentId) + "')";
}

QString getRecordType(int recordTypeId) {
    return "dbRecords..spRectype_Get '" + id(recordTypeId) + "'";
}

QString updateRecordType(int recordTypeId, const QString& name, const QString& description,
                         const QString& employeeCode, const QString& departmentId) {
    return " UPDATE dbRecords..tblRecType SET rectype_name='" + q(name) + "', rectype_desc='" +
           q(description) + "', date_updated=getdate(), user_updated='" + q(employeeCode) +
           "' WHERE rectype_id='" + id(recordTypeId) + "' and isnull(DepartmentID,'')='" +
           q(departmentId) + "'";
}

} // namespace records
