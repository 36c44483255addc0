#include "records/ReportStatements.h"

#include "db/Connection.h"

#include <QRegularExpression>
#include <stdexcept>

namespace records {

QString scanReport(const QDate& from, const QDate& to) {
    return procedureCall("dbRecords..sp_ScanReport",
                         {from.toString("MM/dd/yyyy"), to.toString("MM/dd/yyyy")});
}

bool isProcedureName(const QString& name) {
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    const QStringList parts = name.split('.');
    if (parts.size() > 3) return false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        // Only a middle part (the schema of "db..procedure") may be left out.
        const bool middle = i > 0 && i + 1 < parts.size();
        if (parts[i].isEmpty() ? !middle : !identifier.match(parts[i]).hasMatch()) return false;
    }
    return true;
}

QString procedureCall(const QString& procedure, const QStringList& arguments) {
    if (!isProcedureName(procedure))
        throw std::invalid_argument(("Not a procedure name: " + procedure).toStdString());
    QString text = procedure;
    for (qsizetype i = 0; i < arguments.size(); ++i)
        text += (i == 0 ? " '" : ",'") + db::quote(arguments[i]) + "'";
    return text;
}

} // namespace records
