#include "db/EmbeddedProcedures.h"

#include "db/DateTimeText.h"

#include <QStringList>

namespace db {

namespace {

enum class ParamType { Text, Int, DateTime };

struct Param {
    const char* name;
    ParamType type;
};

struct Procedure {
    const char* name;
    std::vector<Param> params;
    QueryResult (*run)(SqliteSession&, const std::vector<QVariant>&, const QString&);
};

QueryResult checkScanned(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    return s.run("SELECT CASE WHEN EXISTS (SELECT 1 FROM \"dbRecords\".\"tblRecFiles\" "
                 "WHERE admission_id = ?1 AND rectype_id = ?2) THEN 1 ELSE 0 END AS scanRes",
                 a, st);
}

QueryResult fileDelete(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    QueryResult r = s.run("DELETE FROM \"dbRecords\".\"tblRecFiles\" "
                          "WHERE admission_id = ?1 AND rectype_id = ?2",
                          a, st);
    return r;
}

QueryResult setDefault(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    // Only the types of the same department change: medical records' types have a NULL or
    // an empty DepartmentID, which count as one department.
    return s.run("UPDATE \"dbRecords\".\"tblRecType\" SET rectype_default = "
                 "CASE WHEN rectype_id = ?1 THEN 1 ELSE 0 END "
                 "WHERE ifnull(DepartmentID, '') = (SELECT ifnull(DepartmentID, '') "
                 "FROM \"dbRecords\".\"tblRecType\" WHERE rectype_id = ?1) COLLATE TSQL",
                 a, st);
}

QueryResult checkTypeUsed(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    return s.run("SELECT CASE WHEN EXISTS (SELECT 1 FROM \"dbRecords\".\"tblRecFiles\" "
                 "WHERE rectype_id = ?1) THEN 1 ELSE 0 END AS chkRecType",
                 a, st);
}

QueryResult deleteType(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    return s.run("DELETE FROM \"dbRecords\".\"tblRecType\" WHERE rectype_id = ?1", a, st);
}

QueryResult getType(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    return s.run("SELECT rectype_name, rectype_desc FROM \"dbRecords\".\"tblRecType\" "
                 "WHERE rectype_id = ?1",
                 a, st);
}

QueryResult scanReport(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    // Files per employee whose date_updated falls on a day from the first date to the second,
    // both included; a leading row number serves as the hidden first column.
    const QDate from = a[0].toDateTime().date();
    const QDate to = a[1].toDateTime().date();
    QueryResult r =
        s.run("SELECT S.EmployeeID AS EmployeeID, ifnull(M.LastName, '') AS LastName, "
              "ifnull(M.FirstName, '') AS FirstName, ifnull(M.MiddleName, '') AS MiddleName, "
              "S.ScannedDocs AS ScannedDocs FROM (SELECT EmployeeID, count(*) AS ScannedDocs "
              "FROM \"dbRecords\".\"tblRecFiles\" WHERE date_updated >= ?1 AND date_updated < ?2 "
              "GROUP BY EmployeeID) S LEFT JOIN (SELECT EmployeeID, min(Lastname) AS LastName, "
              "min(FirstName) AS FirstName, min(MiddleName) AS MiddleName "
              "FROM \"Password\".\"tbPasswordMaster\" GROUP BY EmployeeID) M "
              "ON M.EmployeeID = S.EmployeeID "
              "ORDER BY LastName COLLATE TSQL, FirstName COLLATE TSQL, S.EmployeeID COLLATE TSQL",
              {from.toString("yyyy-MM-dd"), to.addDays(1).toString("yyyy-MM-dd")}, st);
    r.columns.prepend("RowNo");
    for (size_t i = 0; i < r.rows.size(); ++i)
        r.rows[i].insert(r.rows[i].begin(), QVariant(int(i) + 1));
    return r;
}

QueryResult patientAccess(SqliteSession& s, const std::vector<QVariant>& a, const QString& st) {
    // Who searched for or opened one patient's records, from the first day to the second,
    // both included: per employee and action, how often, first and last time.
    const QDate from = a[1].toDateTime().date();
    const QDate to = a[2].toDateTime().date();
    return s.run(
        "SELECT H.employee AS EmployeeID, ifnull(M.LastName, '') AS LastName, "
        "ifnull(M.FirstName, '') AS FirstName, H.action AS Action, count(*) AS Times, "
        "substr(min(H.at), 1, 16) AS FirstAt, substr(max(H.at), 1, 16) AS LastAt "
        "FROM \"dbRecords\".\"tblRecHistory\" H LEFT JOIN (SELECT EmployeeID, "
        "min(Lastname) AS LastName, min(FirstName) AS FirstName FROM "
        "\"Password\".\"tbPasswordMaster\" GROUP BY EmployeeID) M ON M.EmployeeID = H.employee "
        "WHERE H.hosp_num = ?1 AND H.at >= ?2 AND H.at < ?3 AND H.action IN ('record search', "
        "'admission search', 'open record') GROUP BY H.employee, H.action "
        "ORDER BY LastName COLLATE TSQL, FirstName COLLATE TSQL, H.employee COLLATE TSQL, H.action",
        {a[0], from.toString("yyyy-MM-dd"), to.addDays(1).toString("yyyy-MM-dd")}, st);
}

const std::vector<Procedure>& procedures() {
    static const std::vector<Procedure> list = {
        {"sp_CheckScanned",
         {{"@admission_id", ParamType::Text}, {"@rectype_id", ParamType::Int}},
         checkScanned},
        {"sp_FileDelete",
         {{"@admission_id", ParamType::Text}, {"@rectype_id", ParamType::Int}},
         fileDelete},
        {"spRectype_SetDefault", {{"@rectype_id", ParamType::Int}}, setDefault},
        {"spRectype_chkID", {{"@rectype_id", ParamType::Int}}, checkTypeUsed},
        {"spRectype_delete", {{"@rectype_id", ParamType::Int}}, deleteType},
        {"spRectype_Get", {{"@rectype_id", ParamType::Int}}, getType},
        {"sp_ScanReport",
         {{"@DateFrom", ParamType::DateTime}, {"@DateTo", ParamType::DateTime}},
         scanReport},
        {"sp_PatientAccess",
         {{"@HospNum", ParamType::Text},
          {"@DateFrom", ParamType::DateTime},
          {"@DateTo", ParamType::DateTime}},
         patientAccess},
    };
    return list;
}

// Converts an argument to its parameter's type as SQL Server does ('' is 0 for int).
QVariant convert(const QVariant& v, ParamType type, const QString& statement) {
    if (v.isNull() || type == ParamType::Text)
        return v.isNull() ? QVariant() : QVariant(v.toString());
    if (type == ParamType::Int) {
        if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) return v;
        const QString s = v.toString().trimmed();
        bool ok = s.isEmpty();
        const qlonglong n = s.isEmpty() ? 0 : s.toLongLong(&ok);
        if (!ok) throw Error(8114, "Error converting data type varchar to int.", statement);
        return n;
    }
    const auto d = parseSqlDateTime(v.toString());
    if (!d) throw Error(8114, "Error converting data type varchar to datetime.", statement);
    return *d;
}

} // namespace

QueryResult callEmbeddedProcedure(SqliteSession& session, const QString& name,
                                  const std::vector<QVariant>& arguments,
                                  const QString& statement) {
    for (const Procedure& p : procedures()) {
        if (name.compare(QLatin1String(p.name), Qt::CaseInsensitive) != 0) continue;
        if (arguments.size() > p.params.size())
            throw Error(
                8144,
                QString("Procedure or function %1 has too many arguments specified.").arg(p.name),
                statement);
        if (arguments.size() < p.params.size())
            throw Error(201,
                        QString("Procedure or function '%1' expects parameter '%2', which was "
                                "not supplied.")
                            .arg(p.name, p.params[arguments.size()].name),
                        statement);
        std::vector<QVariant> values;
        for (size_t i = 0; i < arguments.size(); ++i)
            values.push_back(convert(arguments[i], p.params[i].type, statement));
        if (p.run == scanReport && (values[0].isNull() || values[1].isNull()))
            return QueryResult{
                true,
                {"RowNo", "EmployeeID", "LastName", "FirstName", "MiddleName", "ScannedDocs"},
                {},
                -1};
        return p.run(session, values, statement);
    }
    throw Error(2812, "Could not find stored procedure '" + name + "'.", statement);
}

} // namespace db
