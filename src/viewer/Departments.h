#pragma once
// The departments an employee may work for, and which one is chosen at start.
#include <QString>
#include <QStringList>

namespace db {
class Connection;
}

namespace viewer {

struct DepartmentList {
    QStringList names; // the combo's items, in query order
    QStringList ids;   // parallel ids; the medical-records department (19) is stored as ""
    int chosen = -1;   // index to select, -1 for none
};

// Runs the department load: the saved department name wins, then the second assignment;
// a later matching row overrides an earlier one; comparisons are exact.
DepartmentList loadDepartmentList(db::Connection& c, const QString& employeeCode,
                                  const QString& savedName);

} // namespace viewer
