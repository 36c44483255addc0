#include "viewer/Departments.h"

#include "db/Connection.h"
#include "records/Statements.h"

namespace viewer {

DepartmentList loadDepartmentList(db::Connection& c, const QString& employeeCode,
                                  const QString& savedName) {
    QString second;
    {
        auto rs = c.open(records::selectSecondDepartmentAssignment(employeeCode));
        if (!rs->eof()) second = rs->text("department");
    }
    DepartmentList list;
    int chosen = -1, fallback = -1;
    auto rs = c.open(records::selectEmployeeDepartments(employeeCode));
    for (int i = 0; !rs->eof(); rs->moveNext(), ++i) {
        const QString dept = rs->text("Department");
        const QString id = rs->text("DepartmentID");
        list.names << dept;
        list.ids << (id == "19" ? QString() : id);
        if (!savedName.isEmpty() && savedName == dept) chosen = i;
        if (dept == second) fallback = i;
    }
    list.chosen = chosen >= 0 ? chosen : fallback;
    return list;
}

} // namespace viewer
