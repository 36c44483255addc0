#include "maintenance/RecordHistoryWindow.h"

#include "app/Access.h"
#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "db/Connection.h"
#include "db/DateTimeText.h"
#include "imaging/controls/Dialogs.h"
#include "imaging/controls/Environment.h"
#include "imaging/controls/Print.h"
#include "jobs/Job.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/ToolWindows.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <memory>

namespace maintenance {

namespace {

const char* const kColumns[] = {"at",         "employee",     "workstation", "access_type",
                                "department", "action",       "recfile_id",  "admission_id",
                                "hosp_num",   "file_name",    "pages",       "details"};

QString csvField(const QString& v) {
    if (!v.contains(QRegularExpression("[\",\\r\\n]"))) return v;
    return '"' + QString(v).replace('"', "\"\"") + '"';
}

} // namespace

const QStringList& RecordHistoryWindow::headings() {
    static const QStringList h = {"When",   "Employee", "Workstation", "Access", "Department",
                                  "Action", "Record",   "ID",          "Hosp.#", "File",
                                  "Pages",  "Details"};
    return h;
}

RecordHistoryWindow::RecordHistoryWindow(viewer::MainWindow& w) : QWidget(&w, Qt::Window), w_(w) {
    setObjectName("frmRecordHistory");
    setWindowTitle("Record History");
    setAttribute(Qt::WA_DeleteOnClose);
    const app::Session& s = w.session();
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        return e;
    };
    chkOpenRecord = new QCheckBox(this);
    chkOpenRecord->setObjectName("chkOpenRecord");
    const bool open = !s.rec.gstrRecFileId.isEmpty();
    chkOpenRecord->setText(open ? "The open record (" + s.rec.gstrRecFileId + ", ID " +
                                      s.rec.gstrAdmissionID + ")"
                                : QStringLiteral("The open record (none is open)"));
    chkOpenRecord->setEnabled(open);
    chkOpenRecord->setChecked(open);
    txtID = edit("txtID");
    txtHospNum = edit("txtHospNum");
    txtEmployee = edit("txtEmployee");
    const QDate today = s.svc.clock ? s.svc.clock->now().date() : QDate::currentDate();
    dtFrom = viewer::makeDateBox(this, "dtFrom", today.addMonths(-1));
    dtTo = viewer::makeDateBox(this, "dtTo", today);
    auto* criteria = new QFormLayout;
    criteria->addRow(chkOpenRecord);
    criteria->addRow("ID:", txtID);
    criteria->addRow("Hosp.#:", txtHospNum);
    criteria->addRow("Employee:", txtEmployee);
    auto* dates = new QHBoxLayout;
    dates->addWidget(dtFrom);
    dates->addWidget(new QLabel("to", this));
    dates->addWidget(dtTo);
    dates->addStretch(1);
    criteria->addRow("From:", dates);

    fgridHistory = viewer::makeListGrid(this, "fgridHistory", headings());
    lblSummary = new QLabel("Search lists the newest actions first.", this);
    lblSummary->setObjectName("lblSummary");
    lblSummary->setWordWrap(true);
    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    cmdSearch = button("cmdSearch", "&Search");
    cmdExport = button("cmdExport", "&Export CSV...");
    cmdPrint = button("cmdPrint", "&Print...");
    cmdClose = button("cmdClose", "&Close");
    cmdExport->setEnabled(false);
    cmdPrint->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblSummary, 1);
    for (QPushButton* b : {cmdSearch, cmdExport, cmdPrint, cmdClose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(criteria);
    layout->addWidget(fgridHistory, 1);
    layout->addLayout(buttons);
    resize(1000, 520);
    connect(cmdSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { cmdExport_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

records::HistoryFilter RecordHistoryWindow::filter() const {
    const app::Session& s = w_.session();
    records::HistoryFilter f;
    if (chkOpenRecord->isEnabled() && chkOpenRecord->isChecked())
        f.recFileId = s.rec.gstrRecFileId.toLongLong();
    f.admissionId = txtID->text().trimmed();
    f.hospitalNumber = txtHospNum->text().trimmed();
    f.employee = txtEmployee->text().trimmed();
    f.from = dtFrom->date();
    f.to = dtTo->date();
    return f;
}

void RecordHistoryWindow::cmdSearch_Click() {
    app::Session& s = w_.session();
    db::Connection* connection = nullptr;
    try {
        connection = &app::recordsConnection(s);
    } catch (const std::exception& e) {
        lblSummary->setText(QString::fromStdString(e.what()));
        return;
    }
    const records::HistoryFilter f = filter();
    const QString statement = records::selectHistory(f);
    auto found = std::make_shared<std::vector<QStringList>>();
    auto* job = new jobs::Job("Reading the record history", [=](jobs::Progress& p) {
        db::RecordsetPtr rs = connection->open(statement, db::kClientReadOnly);
        p.checkCancel();
        for (; !rs->eof(); rs->moveNext()) {
            QStringList row;
            for (const char* c : kColumns) {
                const QVariant v = rs->value(QString::fromLatin1(c));
                row << (v.typeId() == QMetaType::QDateTime
                            ? db::formatSqlDateTime(v.toDateTime(), 120)
                            : v.toString());
            }
            found->push_back(std::move(row));
        }
    });
    job->setCancellable(true);
    cmdSearch->setEnabled(false);
    lblSummary->setText("Searching...");
    QPointer<RecordHistoryWindow> self(this);
    const int limit = f.limit;
    const bool started = w_.jobs().start(
        job, viewer::JobHost::Scope::Background, [self, found, limit](const jobs::Result& r) {
            if (!self) return;
            self->cmdSearch->setEnabled(true);
            if (r.failed())
                self->showRows({}, "The history could not be read: " + r.errorText);
            else if (r.cancelled())
                self->showRows({}, "The search was cancelled.");
            else
                self->showRows(std::move(*found),
                               found->size() >= size_t(limit)
                                   ? QString("The newest %1 actions; narrow the search to see "
                                             "older ones.")
                                         .arg(limit)
                                   : QString("%1 action(s), newest first.").arg(found->size()));
        });
    if (!started) {
        cmdSearch->setEnabled(true);
        lblSummary->setText("The search could not be started.");
    }
}

void RecordHistoryWindow::showRows(std::vector<QStringList> rows, const QString& summary) {
    rows_ = std::move(rows);
    fgridHistory->setRowCount(int(rows_.size()));
    for (int r = 0; r < int(rows_.size()); ++r)
        for (int c = 0; c < int(headings().size()); ++c)
            fgridHistory->setItem(r, c, new QTableWidgetItem(rows_[size_t(r)].value(c)));
    fgridHistory->resizeColumnsToContents();
    lblSummary->setText(summary);
    cmdExport->setEnabled(!rows_.empty());
    cmdPrint->setEnabled(!rows_.empty());
}

QByteArray RecordHistoryWindow::toCsv(const std::vector<QStringList>& rows) {
    QStringList lines;
    QStringList head;
    for (const QString& h : headings()) head << csvField(h);
    lines << head.join(',');
    for (const QStringList& row : rows) {
        QStringList fields;
        for (const QString& v : row) fields << csvField(v);
        lines << fields.join(',');
    }
    return (lines.join("\r\n") + "\r\n").toUtf8();
}

bool RecordHistoryWindow::cmdExport_Click() {
    if (rows_.empty()) return false;
    imaging::FileDialogRequest request;
    request.kind = imaging::kFileDialogSave;
    request.caption = "Export Record History";
    request.filter = "CSV files (*.csv)|*.csv|";
    request.initialFolder = QDir::homePath();
    request.fileName = "record-history.csv";
    request.owner = this;
    const auto answer = w_.imagingEnvironment()->fileDialog->run(request);
    if (!answer || answer->path.isEmpty()) return false;
    QString path = answer->path;
    if (!path.endsWith(".csv", Qt::CaseInsensitive)) path += ".csv";
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(toCsv(rows_)) < 0 || !f.commit()) {
        w_.session().svc.prompter->msgBox("The history was not exported: " + f.errorString(),
                                          app::mb::OKOnly, app::mb::Exclamation);
        return false;
    }
    lblSummary->setText(QString("%1 action(s) exported to %2.").arg(rows_.size()).arg(path));
    return true;
}

bool RecordHistoryWindow::cmdPrint_Click() {
    if (rows_.empty()) return false;
    const imaging::EnvironmentPtr env = w_.imagingEnvironment();
    // A table laid out by Qt's text document, paginated for the printer's page.
    const records::HistoryFilter f = filter();
    QStringList of;
    if (f.recFileId > 0) of << QString("record %1").arg(f.recFileId);
    if (!f.admissionId.isEmpty()) of << "ID " + f.admissionId;
    if (!f.hospitalNumber.isEmpty()) of << "hospital number " + f.hospitalNumber;
    if (!f.employee.isEmpty()) of << "employee " + f.employee;
    const QString subtitle = (of.isEmpty() ? QString("All actions") : "Actions on " + of.join(", ")) +
                             " from " + f.from.toString("MM/dd/yyyy") + " to " +
                             f.to.toString("MM/dd/yyyy") + QString(", %1 row(s), newest first; printed ")
                                                               .arg(rows_.size()) +
                             QDateTime::currentDateTime().toString("MM/dd/yyyy h:mm AP");
    QString html = "<h3>Record History</h3><p>" + subtitle.toHtmlEscaped() +
                   "</p><table border=1 cellspacing=0 cellpadding=2 width=100%><tr>";
    for (const QString& h : headings()) html += "<th>" + h.toHtmlEscaped() + "</th>";
    html += "</tr>";
    for (const QStringList& row : rows_) {
        html += "<tr>";
        for (const QString& v : row) html += "<td>" + v.toHtmlEscaped() + "</td>";
        html += "</tr>";
    }
    html += "</table>";
    QTextDocument doc;
    QFont small = doc.defaultFont();
    small.setPointSizeF(7);
    doc.setDefaultFont(small);
    doc.setHtml(html);
    std::unique_ptr<QPrinter> printer = env->printer->printer();
    printer->setPageOrientation(QPageLayout::Landscape);
    doc.setPageSize(printer->pageRect(QPrinter::Point).size());
    imaging::PrintDialogRequest request;
    request.pageCount = doc.pageCount();
    request.lastPage = request.pageCount;
    request.pageOptions = false;
    request.owner = this;
    if (!env->printDialog->run(request)) return false;
    printer->setDocName("Record History");
    printer->setFromTo(request.firstPage, request.lastPage);
    doc.print(printer.get());
    return true;
}

void mnuRecordHistory_Click(viewer::MainWindow& w) {
    if (!app::CanChangeSettings(w.session())) return;
    viewer::showOneWindow<RecordHistoryWindow>(w, "frmRecordHistory",
                                               [&] { return new RecordHistoryWindow(w); });
}

} // namespace maintenance
