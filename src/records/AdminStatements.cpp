#include "records/AdminStatements.h"

#include "db/Connection.h"

#include <QStringList>

namespace records {

QString selectRecordsToCheck(const QDate& from, const QDate& to) {
    // Days as yyyymmdd: the one form SQL Server reads the same whatever the login's language.
    QStringList where;
    if (from.isValid())
        where << "RF.date_created >= '" + db::quote(from.toString("yyyyMMdd")) + "'";
    if (to.isValid())
        where << "RF.date_created < '" + db::quote(to.addDays(1).toString("yyyyMMdd")) + "'";
    QString text = QStringLiteral(
        "SELECT RF.recfile_id, RF.admission_id, RF.file_name, RF.rectype_id, "
        "RT.rectype_id as found_type, ISNULL(RT.DepartmentID,'') as DepartmentID "
        "FROM dbRecords..tblRecFiles RF "
        "LEFT OUTER JOIN dbRecords..tblRecType RT ON RF.rectype_id=RT.rectype_id");
    if (!where.isEmpty()) text += " WHERE " + where.join(" AND ");
    return text + " ORDER BY RF.recfile_id";
}

} // namespace records
