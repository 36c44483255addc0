#pragma once
// Statements of the reports: the scanning accomplishment report's procedure, and the call of
// the procedure a report definition names.
#include <QDate>
#include <QString>
#include <QStringList>

namespace records {

// Documents per employee filed or saved from `from` to `to` (both days included): six
// columns, a row number, EmployeeID, LastName, FirstName, MiddleName and ScannedDocs.
QString scanReport(const QDate& from, const QDate& to);

// True for a procedure name a statement may carry as it is: one to three parts of letters,
// digits and underscores joined by dots ("dbRecords..sp_ScanReport", "dbo.sp_X", "sp_X").
bool isProcedureName(const QString& name);

// "<procedure> 'a','b',..." with every argument a quoted text literal (no arguments: the
// name alone). Raises std::invalid_argument for a name isProcedureName refuses.
QString procedureCall(const QString& procedure, const QStringList& arguments);

} // namespace records
