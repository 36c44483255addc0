// The scanning accomplishment report on a large embedded database: 1,000,000 filed records in
// tblRecFiles over one year (2025), filed by 120 employees of the employee master. In the
// program started as a user starts it (embedded backend, demo user 1001, medical records),
// with the report window open on 01/01/2025..12/31/2025:
//  - Print: from the click until the preview window shows the rendered report and has been
//    painted (the definition read, the procedure run as a background job, the pages laid out
//    and painted into the preview);
//  - Search: from the click until the grid holds the 120 rows and has been painted.
// Reference: the report's statement sent on a connection of its own to the same files, in
// the same run (what the database itself costs). The database is built once and kept in
// <temp>/docuvane-bench-reports-v2. Run:
//   build/bin/bench_reports_scan_report --benchmark_repetitions=3
//   --benchmark_report_aggregates_only=true
#include "support/BenchProgram.h"
#include "support/QtBenchmarkMain.h"
#include "app/Prompter.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"
#include "main/Program.h"
#include "records/ReportStatements.h"
#include "reports/ReportPreviewWindow.h"
#include "reports/ScanReportWindow.h"
#include "reports/Workflow.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QPrintPreviewWidget>
#include <QTableWidget>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kFiles = 1000000;
constexpr int kEmployees = 120;
const QDate kFrom(2025, 1, 1);
const QDate kTo(2025, 12, 31);

QString benchFolder() { return QDir::tempPath() + "/docuvane-bench-reports-v2"; }

// Builds the database folder once; later runs reuse it.
QString database() {
    const QString folder = benchFolder() + "/data/db";
    if (QFileInfo::exists(folder + "/complete")) return folder;
    QDir(benchFolder()).removeRecursively();
    db::EmbeddedDatabase::ensure(folder);
    {
        db::SqliteSession s(folder + "/Password.db");
        s.runScript(QString("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE "
                            "i < {1}) INSERT INTO tbPasswordMaster (EmployeeID, Lastname, FirstName, "
                            "MiddleName, UserRights) SELECT printf('5%03d', i), 'Clerk' || i, "
                            "'First' || i, CASE WHEN i % 3 = 0 THEN '' ELSE 'M' END, 'AV' FROM n;")
                        .replace("{1}", QString::number(kEmployees - 1)));
    }
    {
        db::SqliteSession s(folder + "/dbRecords.db");
        s.runScript("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;");
        s.runScript(QString("WITH RECURSIVE n(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM n WHERE "
                            "j < {1}), f(j, day) AS (SELECT j, date('2025-01-01', '+' || (j % 365) || "
                            "' days') FROM n) INSERT INTO tblRecFiles (admission_id, file_name, "
                            "rectype_id, EmployeeID, Description, date_created, date_updated) "
                            "SELECT printf('25%06d', f.j / 10), '\\2025\\' || f.day || '\\' || "
                            "printf('25%06d', f.j / 10) || '-' || (1 + f.j % 5) || '.tif', "
                            "1 + f.j % 5, printf('5%03d', (f.j * 7) % {2}), 'Admission record', "
                            "f.day || ' 00:00:00.000', f.day || ' 10:15:00.000' FROM f;")
                        .replace("{1}", QString::number(kFiles - 1))
                        .replace("{2}", QString::number(kEmployees)));
        s.runScript("COMMIT; ANALYZE;");
    }
    QFile done(folder + "/complete");
    if (!done.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot mark the database");
    return folder;
}

// The bench folder with its database built.
QString preparedFolder() {
    database();
    return benchFolder();
}

// The program, signed in as 1001 in medical records, with the report window open on 2025.
struct RunningReport {
    benchsupport::SignedInProgram program{preparedFolder(), "MEDICAL RECORDS"};
    benchsupport::AlwaysOk& prompter = program.prompter;
    reports::ScanReportWindow* window = nullptr;
    std::unique_ptr<db::SqliteConnection> reference;

    RunningReport() {
        viewer::MainWindow& w = program.window();
        w.ui().mScanningAcc->trigger();
        window = reports::scanReportWindow(w);
        if (!window) throw std::runtime_error("no report window");
        window->DTPicker1[0]->setDate(kFrom);
        window->DTPicker1[1]->setDate(kTo);
        reference = std::make_unique<db::SqliteConnection>(benchFolder() + "/data/db");
    }

    // Print click to preview painted; returns the rows of the report.
    int print() {
        reports::ReportPreviewWindow* preview = nullptr;
        auto c = QObject::connect(window, &reports::ScanReportWindow::previewOpened, window,
                                  [&](reports::ReportPreviewWindow* p) { preview = p; });
        prompter.last.clear();
        window->cmdPrint_Click();
        while (!preview && prompter.last.isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QObject::disconnect(c);
        if (!preview) throw std::runtime_error(prompter.last.toStdString());
        preview->repaint(); // the window with the page view inside
        const int rows = int(preview->report().data().rows.size());
        delete preview;
        return rows;
    }

    // Search click to grid painted; returns the rows listed.
    int search() {
        bool done = false;
        auto c = QObject::connect(window, &reports::ScanReportWindow::searchFinished, window,
                                  [&] { done = true; });
        window->cmdSearch_Click();
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QObject::disconnect(c);
        window->fgridScanReport->viewport()->repaint();
        return window->fgridScanReport->isEnabled() ? window->fgridScanReport->rowCount() : 0;
    }
};

RunningReport& running() {
    // Kept to the end of the process: its windows must not be destroyed after the
    // application object (main's), which a static object would be.
    static RunningReport* r = new RunningReport;
    return *r;
}

void BM_PrintPreview(benchmark::State& state) {
    RunningReport& r = running();
    int rows = 0;
    for (auto _ : state) rows = r.print();
    state.counters["rows"] = rows;
    // The bench's clerks and the demo's own, who filed some of its records in 2025.
    if (rows < kEmployees) state.SkipWithError("unexpected row count");
}
BENCHMARK(BM_PrintPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Search(benchmark::State& state) {
    RunningReport& r = running();
    int rows = 0;
    for (auto _ : state) rows = r.search();
    state.counters["rows"] = rows;
    // The bench's clerks and the demo's own, who filed some of its records in 2025.
    if (rows < kEmployees) state.SkipWithError("unexpected row count");
}
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceStatementAlone(benchmark::State& state) {
    RunningReport& r = running();
    const QString statement = records::scanReport(kFrom, kTo);
    int rows = 0;
    for (auto _ : state) rows = r.reference->open(statement, db::kClientReadOnly)->recordCount();
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ReferenceStatementAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
