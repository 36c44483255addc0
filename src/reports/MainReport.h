#pragma once
// The classes component's report facility: OpenMainReport reads a report definition
// (ReportDefinition.h), runs its procedure on the connection of the user the component is
// bound to, and opens the print preview of the rendered report, from which the user prints or
// saves a PDF.
#include "reports/ReportDefinition.h"
#include "reports/ReportRenderer.h"

#include <QString>
#include <QVariantList>
#include <functional>

namespace app {
class ClassesComponent;
struct Session;
}
namespace db {
class Recordset;
}
namespace viewer {
class MainWindow;
}

namespace reports {

class ReportPreviewWindow;

// The file of a report definition named `name` ("ScanReport.rpt"): beside the executable in
// the build tree; in the program's data folder once installed (<prefix>/bin/docuvane,
// <prefix>/share/docuvane/<name>).
QString reportDefinitionFile(const app::Session& s, const QString& name);

// The statement the definition's procedure is called with for these parameter texts.
QString reportStatement(const ReportDefinition& definition, const QStringList& parameterTexts);

// What the report shows of `rows` (the procedure's result): the title, the subtitles with the
// parameters filled in, the columns' texts per row and the totals. Raises ReportError when a
// column of the definition is not in the result or a total's column holds a value that is
// not a number.
ReportData reportData(const ReportDefinition& definition, const QStringList& parameterTexts,
                      const db::Recordset& rows, const QDateTime& printed);

// OpenMainReport(report file, selection, sort order, parameter values...). The selection and
// the sort order are the component's record selection and sort of other reports; this
// program's definitions have neither, so both are to be empty. The parameter values are
// given in the order the definition declares its parameters (dates as date values).
//
// The definition is read at once; the procedure runs as a background job of `main`, and the
// preview window opens when it has answered (`opened` is then called with it). Every
// failure (no component or connection, a missing or unreadable definition, a wrong
// parameter, a failing procedure) is shown as its description in a message box, and no
// preview opens.
void OpenMainReport(viewer::MainWindow& main, app::ClassesComponent& classes,
                    const QString& reportFile, const QString& selection,
                    const QString& sortOrder, const QVariantList& parameters,
                    std::function<void(ReportPreviewWindow*)> opened = {});

} // namespace reports
