#include "reports/MainReport.h"

#include "reports/ReportPreviewWindow.h"
#include "app/Classes.h"
#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "jobs/Job.h"
#include "records/ReportStatements.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace reports {

QString reportDefinitionFile(const app::Session& s, const QString& name) {
    const QString folder = s.svc.programFolder;
    const QString beside = folder + "/" + name;
    const QString installed = folder + "/../share/docuvane/" + name;
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside
                                                                       : QDir::cleanPath(installed);
}

namespace {

QString cellText(const QVariant& v) {
    if (v.isNull()) return QString();
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime().toString("MM/dd/yyyy");
    if (v.typeId() == QMetaType::QDate) return v.toDate().toString("MM/dd/yyyy");
    return v.toString().trimmed();
}

} // namespace

QString reportStatement(const ReportDefinition& d, const QStringList& texts) {
    QStringList arguments;
    for (const QString& name : d.procedureArguments) arguments << texts.value(d.parameterIndex(name));
    return records::procedureCall(d.procedure, arguments);
}

ReportData reportData(const ReportDefinition& d, const QStringList& texts,
                      const db::Recordset& rs, const QDateTime& printed) {
    ReportData out;
    out.title = d.title;
    for (const QString& s : d.subtitles) out.subtitles << expandSubtitle(d, s, texts);
    out.printed = printed;
    std::vector<int> fields;
    for (const auto& c : d.columns) {
        const int i = rs.fieldIndex(c.field);
        if (i < 0)
            throw ReportError(QString("The report's procedure %1 returned no column %2.")
                                  .arg(d.procedure, c.field));
        fields.push_back(i);
        out.columns.push_back({c.heading, c.widthTwips, c.alignment});
    }
    out.rows.reserve(rs.rows().size());
    for (const auto& row : rs.rows()) {
        QStringList cells;
        for (int i : fields) cells << (size_t(i) < row.size() ? cellText(row[size_t(i)]) : QString());
        out.rows.push_back(cells);
    }
    for (const auto& t : d.totals) {
        int column = 0;
        while (d.columns[size_t(column)].field != t.field) ++column;
        qlonglong whole = 0;
        double sum = 0;
        bool integral = true;
        for (const QStringList& cells : out.rows) {
            const QString v = cells[column];
            if (v.isEmpty()) continue;
            bool ok = false;
            const qlonglong n = v.toLongLong(&ok);
            if (ok) {
                whole += n;
                sum += double(n);
                continue;
            }
            const double x = v.toDouble(&ok);
            if (!ok)
                throw ReportError(QString("The report's total of %1 cannot add \"%2\".").arg(t.field, v));
            integral = false;
            sum += x;
        }
        out.totals.push_back({t.label, column,
                              integral ? QString::number(whole) : QString::number(sum, 'f', 2)});
    }
    return out;
}

void OpenMainReport(viewer::MainWindow& main, app::ClassesComponent& classes,
                    const QString& reportFile, const QString& selection,
                    const QString& sortOrder, const QVariantList& parameters,
                    std::function<void(ReportPreviewWindow*)> opened) {
    app::Session& s = main.session();
    if (!selection.isEmpty() || !sortOrder.isEmpty())
        throw ReportError("This report takes no record selection or sort order.");
    // A relative name is a file of the component's program folder.
    QString path = reportFile;
    if (QFileInfo(path).isRelative() && !classes.exepath().isEmpty())
        path = classes.exepath() + "/" + path;
    const ReportDefinition definition = ReportDefinition::load(path);
    const QStringList texts = parameterTexts(definition, parameters);
    const QString statement = reportStatement(definition, texts);
    std::shared_ptr<app::CurrentUser> user = classes.talvorUser();
    if (!user || !user->sqlconnection())
        throw db::Error(3709, "The connection to the records database is not open.", statement);
    const QDateTime printed = s.svc.clock ? s.svc.clock->now() : QDateTime::currentDateTime();

    auto result = std::make_shared<std::shared_ptr<const ReportRenderer>>();
    auto* job = new jobs::Job(definition.title, [user, statement, definition, texts, printed,
                                                 result](jobs::Progress& p) {
        p.setText(definition.title);
        db::Connection* c = user->sqlconnection();
        if (!c) throw db::Error(3709, "The connection to the records database is not open.", statement);
        db::RecordsetPtr rs = c->open(statement, db::kClientReadOnly);
        p.checkCancel();
        *result = std::make_shared<const ReportRenderer>(reportData(definition, texts, *rs, printed));
    });
    job->setCancellable(true);
    QPointer<viewer::MainWindow> w(&main);
    const QString name = QFileInfo(path).completeBaseName();
    const bool started = main.jobs().start(
        job, viewer::JobHost::Scope::Background,
        [w, result, name, opened](const jobs::Result& r) {
            if (!w) return;
            if (r.cancelled()) return;
            if (r.failed()) {
                w->session().svc.prompter->msgBox(r.errorText, app::mb::OKOnly);
                return;
            }
            auto* preview = new ReportPreviewWindow(*w, *result, name, w);
            preview->setAttribute(Qt::WA_DeleteOnClose);
            preview->show();
            preview->raise();
            preview->activateWindow();
            if (opened) opened(preview);
        });
    if (!started) throw ReportError("The report could not be started.");
}

} // namespace reports
