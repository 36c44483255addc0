// The access history's cost:
//  - opening a filed record in the main window (retrieval's open of a search row: the row's
//    file looked up, the document opened and shown) with the history recorded, against the
//    same open without a recorder, in the same run (arg with_history 1 / 0); the recorder is
//    the real one, writing to the same embedded database on its own thread (its rows gathered
//    for a quarter second, then written in one statement);
//  - one record() call alone;
//  - the history of one record and of one patient (Record History's statement, newest first,
//    one year) over 10,000,000 rows on the embedded database: 1,000,000 records of 200,000
//    patients, 10 rows a record, 500 employees, five years. The rows are made once, in one
//    SQLite transaction from a recursive CTE, and kept in <temp>/docuvane-bench-history-v1.
// Run:
//   build/bin/bench_history_history --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "support/QtBenchmarkMain.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"
#include "doubles/TestSession.h"
#include "history/DatabaseRecorder.h"
#include "imaging/documents/PageOps.h"
#include "records/HistoryStatements.h"
#include "retrieval/RecordCommands.h"
#include "viewer/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr qint64 kRows = 10000000;
constexpr qint64 kRecords = 1000000;
constexpr qint64 kPatients = 200000;

QString benchFolder() { return QDir::tempPath() + "/docuvane-bench-history-v1"; }

// The database folder with 10,000,000 history rows (built once: a few minutes).
QString largeHistory() {
    const QString folder = benchFolder() + "/db";
    if (QFileInfo::exists(folder + "/complete")) return folder;
    QDir(benchFolder()).removeRecursively();
    db::EmbeddedDatabase::Options o;
    o.demoData = false;
    db::EmbeddedDatabase::ensure(folder, o);
    db::SqliteSession s(db::SqliteConnection::databaseFile(folder, "dbRecords"));
    // Row i: record i % 1,000,000 + 1 (of patient record % 200,000), employee i % 500, every
    // 15 seconds from 2021-01-01 (ten million rows take about five years).
    s.runScript(QString("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN; "
                        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < %1) "
                        "INSERT INTO tblRecHistory (at, employee, workstation, access_type, "
                        "department, action, recfile_id, admission_id, hosp_num, file_name) "
                        "SELECT strftime('%Y-%m-%d %H:%M:%S.000', '2021-01-01', '+' || (i * 15) || ' seconds'), "
                        "CAST(1000 + i % 500 AS TEXT), 'WS-' || (i % 50), 'medical records', NULL, "
                        "'open record', i % %2 + 1, 'A' || (i % %2 + 1), 'H' || ((i % %2) % %3), "
                        "'\\2024\\2024-01-01\\' || (i % %2 + 1) || '-1.tif' FROM n; COMMIT; "
                        "ANALYZE;")
                    .arg(kRows)
                    .arg(kRecords)
                    .arg(kPatients));
    QFile marker(folder + "/complete");
    marker.open(QIODevice::WriteOnly);
    return folder;
}

void BM_HistoryOfOneRecord(benchmark::State& state) {
    db::SqliteConnection conn(largeHistory());
    records::HistoryFilter f;
    f.from = QDate(2021, 1, 1);
    f.to = QDate(2026, 12, 31);
    qint64 record = 1;
    for (auto _ : state) {
        f.recFileId = record;
        record = record * 7919 % kRecords + 1;
        auto rs = conn.execute(records::selectHistory(f));
        if (rs->recordCount() != 10) state.SkipWithError("not the record's 10 rows");
    }
}
BENCHMARK(BM_HistoryOfOneRecord)->Unit(benchmark::kMillisecond);

void BM_HistoryOfOnePatient(benchmark::State& state) {
    db::SqliteConnection conn(largeHistory());
    records::HistoryFilter f;
    f.from = QDate(2021, 1, 1);
    f.to = QDate(2026, 12, 31);
    qint64 patient = 1;
    for (auto _ : state) {
        f.hospitalNumber = "H" + QString::number(patient);
        patient = patient * 7919 % kPatients;
        auto rs = conn.execute(records::selectHistory(f));
        if (rs->recordCount() != 50) state.SkipWithError("not the patient's 50 rows");
    }
}
BENCHMARK(BM_HistoryOfOnePatient)->Unit(benchmark::kMillisecond);

void BM_PatientAccessOfOnePatient(benchmark::State& state) {
    db::SqliteConnection conn(largeHistory());
    qint64 patient = 1;
    for (auto _ : state) {
        auto rs = conn.execute("EXEC dbRecords..sp_PatientAccess 'H" + QString::number(patient) +
                               "', '01/01/2021', '12/31/2026'");
        patient = patient * 7919 % kPatients;
        if (rs->recordCount() < 1) state.SkipWithError("no rows");
    }
}
BENCHMARK(BM_PatientAccessOfOnePatient)->Unit(benchmark::kMillisecond);

// The main window over the demo database with one filed record of three pages.
struct OpenWindow {
    doubles::TestSession t;
    std::unique_ptr<history::DatabaseRecorder> recorder;
    std::unique_ptr<viewer::MainWindow> w;
    QStringList row;

    OpenWindow() {
        t.useDemoDatabase();
        t.signIn();
        const QString share = t.dir.file("share");
        t.settings.write(app::kAppPrefs, "Shares", "\\\\records-fs\\recfiles", share);
        t.s().gstrDefaultDirectoryD = t.s().gstrDefaultDirectory = "\\\\records-fs\\recfiles";
        QDir().mkpath(share + "/2025/2025-03-14");
        QImage page(2550, 3300, QImage::Format_Mono);
        page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        page.fill(0);
        std::vector<imaging::PageSource> pages;
        for (int i = 0; i < 3; ++i) pages.push_back(imaging::PageSource::pixels(page, 300, 300, {}));
        imaging::writeDocument(share + "/2025/2025-03-14/250123-1.tif", pages);
        history::DatabaseRecorder::Options o;
        o.spoolFile = t.dir.file("data/history/spool.jsonl");
        const QString folder = t.dir.file("db");
        recorder = std::make_unique<history::DatabaseRecorder>(
            [folder] { return std::make_unique<db::SqliteConnection>(folder); }, o);
        w = std::make_unique<viewer::MainWindow>(t.s());
        w->resize(1100, 780);
        w->show();
        // The search row of record 1 (recfile_id, ID, type, file, ..., hosp. number, names).
        row = QStringList{"1", "250123", "1", "\\2025\\2025-03-14\\250123-1.tif", "", "1001",
                          "03/14/2025", "", "ADMISSION RECORD", "Admission record", "100101",
                          "Garcia", "Maria", "Santos", "03/14/2025", "03/19/2025"};
    }
};

// Made once and never destroyed: the window outlives the benchmarks, not the application.
OpenWindow& openWindow() {
    static OpenWindow* o = new OpenWindow;
    return *o;
}

void BM_OpenRecord(benchmark::State& state) {
    OpenWindow& o = openWindow();
    const bool withHistory = state.range(0) == 1;
    o.t.s().history = withHistory ? o.recorder.get() : nullptr;
    o.t.prompter.answers.clear();
    for (auto _ : state) {
        if (!retrieval::openRecord(*o.w, o.row) || o.w->doc().NoDocument)
            state.SkipWithError("not opened");
        QApplication::processEvents();
    }
    o.recorder->waitUntilIdle(std::chrono::seconds(10));
    o.t.s().history = nullptr;
}
BENCHMARK(BM_OpenRecord)->ArgName("with_history")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RecordCallAlone(benchmark::State& state) {
    OpenWindow& o = openWindow();
    history::Event e;
    e.action = history::Action::OpenRecord;
    e.recFileId = 1;
    e.hospitalNumber = "100101";
    for (auto _ : state) o.recorder->record(e);
    o.recorder->waitUntilIdle(std::chrono::seconds(60));
}
BENCHMARK(BM_RecordCallAlone)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
