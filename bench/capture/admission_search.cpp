// The admission search (frmNewRec) on a large embedded database: 100,000 in-patient admissions
// and 20,000 out-patient visits of 50,000 patients over five years, 4% of the patients named
// Smith, Goldsmith or a variant of them. Measured from the click on Search until the grid holds
// the rows and has been painted, in the program started as a user starts it (embedded backend,
// demo user 1001, medical records):
//  - name search "SMI" with out-patients, ordered by name (up to 500 rows of each half);
//  - search by admission number (one admission);
//  - no text, with out-patients, ordered by date (500 + 500 rows).
// Reference: the same statement sent on a connection of its own to the same files, in the same
// run, with its rows read. The database is built once and kept in
// <temp>/docuvane-bench-capture-v1. Run:
//   build/bin/bench_capture_admission_search --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "support/BenchProgram.h"
#include "support/QtBenchmarkMain.h"
#include "capture/AdmissionSearch.h"
#include "capture/CaptureState.h"
#include "capture/NewRecordDialog.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"
#include "main/Program.h"
#include "records/CaptureStatements.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kInPatients = 100000;
constexpr int kOutPatients = 20000;
constexpr int kPatients = 50000;

using benchsupport::fill;
using benchsupport::numberedValues;

QString benchFolder() { return QDir::tempPath() + "/docuvane-bench-capture-v1"; }

// Builds the database folder once; later runs reuse it.
QString database() {
    const QString folder = benchFolder() + "/data/db";
    if (QFileInfo::exists(folder + "/complete")) return folder;
    QDir(benchFolder()).removeRecursively();
    db::EmbeddedDatabase::ensure(folder);
    // The benchmarks' 50 surnames with Smith and Goldsmith among them, each with 20 endings:
    // 4% of the patients.
    QStringList surnames = benchsupport::benchSurnames();
    surnames[42] = "Smith";
    surnames[47] = "Goldsmith";
    const QStringList middles = {"Santos", "", "Reyes", "Cruz", "", "Lopez", "Dela Paz"};
    db::SqliteSession s(folder + "/PATIENT_DATA.db");
    s.runScript("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;");
    s.runScript(fill("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < {1}), sur(k, v) AS (VALUES {2}), suf(k, v) AS (VALUES {3}), "
                     "fir(k, v) AS (VALUES {4}), mid(k, v) AS (VALUES {5}) "
                     "INSERT INTO tbMaster (HospNum, LastName, FirstName, MiddleName) "
                     "SELECT printf('H%06d', i), sur.v || suf.v, fir.v, mid.v FROM n "
                     "JOIN sur ON sur.k = i % 50 JOIN suf ON suf.k = (i / 50) % 20 "
                     "JOIN fir ON fir.k = (i * 7) % 30 JOIN mid ON mid.k = (i * 3) % 7;",
                     {QString::number(kPatients - 1), numberedValues(surnames),
                      numberedValues(benchsupport::benchSurnameEndings()),
                      numberedValues(benchsupport::benchFirstNames()), numberedValues(middles)}));
    // In-patients: IdNum yy + six digits over 2021-2025; every 50th ends in T.
    s.runScript(fill("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < {1}) INSERT INTO tbPatient (IdNum, HospNum, AdmDate, DcrDate) "
                     "SELECT printf('%02d%06d', 21 + i % 5, i) || CASE WHEN i % 50 = 49 THEN 'T' "
                     "ELSE '' END, printf('H%06d', (i * 7919) % {2}), date('2021-01-01', '+' || "
                     "((i * 37) % 1826) || ' days') || ' 08:30:00.000', date('2021-01-01', '+' || "
                     "((i * 37) % 1826 + 3) || ' days') || ' 11:00:00.000' FROM n;",
                     {QString::number(kInPatients - 1), QString::number(kPatients)}));
    s.runScript(fill("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < {1}) INSERT INTO tbOutPatient (IdNum, HospNum, AdmDate, "
                     "DcrDate) SELECT printf('%06dB', i), printf('H%06d', (i * 104729) % "
                     "{2}), date('2021-01-01', '+' || ((i * 53) % 1826) || ' days') || "
                     "' 14:00:00.000', date('2021-01-01', '+' || ((i * 53) % 1826) || ' days') || "
                     "' 15:10:00.000' FROM n;",
                     {QString::number(kOutPatients - 1), QString::number(kPatients)}));
    s.runScript("COMMIT; ANALYZE;");
    QFile done(folder + "/complete");
    if (!done.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot mark the database");
    return folder;
}

// The program, signed in as 1001 in medical records, with the admission search open.
struct RunningSearch {
    QString dbFolder = database(); // made before the program starts on it
    benchsupport::SignedInProgram program{benchFolder(), "MEDICAL RECORDS"};
    capture::NewRecordDialog* dialog = nullptr;
    std::unique_ptr<db::SqliteConnection> reference;

    RunningSearch() {
        program.window().ui().mnuFileNew->trigger();
        dialog = capture::CaptureState::of(program.window()).newRec;
        if (!dialog) throw std::runtime_error("no admission search");
        reference = std::make_unique<db::SqliteConnection>(dbFolder);
    }

    // Click to grid filled and painted; returns the rows listed.
    int search() {
        dialog->btnSearch_Click();
        while (dialog->searching()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        dialog->fgridOpenRec->viewport()->repaint();
        return dialog->fgridOpenRec->isEnabled() ? dialog->fgridOpenRec->rowCount() : 0;
    }
};

RunningSearch& running() {
    static RunningSearch r;
    return r;
}

enum Kind { NameSmiWithOutPatients = 0, ById = 1, AllByDate = 2 };

void criteria(RunningSearch& r, int kind) {
    r.dialog->txtAdmDate->clear();
    r.dialog->txtAdmNo->setText(kind == NameSmiWithOutPatients ? "SMI"
                                : kind == ById                 ? "23012347"
                                                               : "");
    r.dialog->chkIncludeOutPatient->setChecked(kind != ById);
    r.dialog->chkBydate->setChecked(kind == AllByDate);
}

void BM_AdmissionSearch(benchmark::State& state) {
    RunningSearch& r = running();
    criteria(r, int(state.range(0)));
    int rows = 0;
    for (auto _ : state) rows = r.search();
    state.counters["rows"] = rows;
    if (rows == 0) state.SkipWithError("no rows found");
}
BENCHMARK(BM_AdmissionSearch)->ArgName("kind")->Arg(NameSmiWithOutPatients)->Arg(ById)
    ->Arg(AllByDate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceStatementAlone(benchmark::State& state) {
    RunningSearch& r = running();
    criteria(r, int(state.range(0)));
    const QString statement = records::searchAdmissions(capture::classifyAdmissionSearch(
        r.dialog->txtAdmNo->text(), r.dialog->txtAdmDate->text(),
        r.dialog->chkIncludeOutPatient->isChecked(), r.dialog->chkBydate->isChecked()));
    int rows = 0;
    for (auto _ : state) {
        db::RecordsetPtr rs = r.reference->open(statement, db::kClientReadOnly);
        rows = 0;
        for (; !rs->eof(); rs->moveNext()) {
            benchmark::DoNotOptimize(rs->text("Lastname"));
            ++rows;
        }
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ReferenceStatementAlone)->ArgName("kind")->Arg(NameSmiWithOutPatients)->Arg(ById)
    ->Arg(AllByDate)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
