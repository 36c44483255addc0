// The record search window on a large embedded database: 1,000,000 filed records in
// tblRecFiles for 100,000 admissions (80,000 in-patient, 20,000 out-patient visits) of 50,000
// patients, ten files an admission over five years. Measured from the click on Search until
// the grid holds the rows and has been painted, in the program started as a user starts it
// (embedded backend, demo user 1001, medical records):
//  - search by ID (one admission's ten files);
//  - description contains-search ("O'Brien": one file in a thousand, about 1,000 rows found,
//    the first 200 by patient name listed);
//  - patient name prefix "garcia" with out-patients (2% of patients: Garcia and its variants),
//    both lists of 200.
// Reference: the same statement sent on a connection of its own to the same files, in the
// same run (what the database itself costs). The database is built once and kept in
// <temp>/docuvane-bench-retrieval-v1. Run:
//   build/bin/bench_retrieval_record_search --benchmark_repetitions=5
//   --benchmark_report_aggregates_only=true
#include "support/BenchProgram.h"
#include "support/QtBenchmarkMain.h"
#include "app/Prompter.h"
#include "app/SignIn.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"
#include "main/Program.h"
#include "records/RetrievalStatements.h"
#include "retrieval/OpenRecordWindow.h"
#include "retrieval/SearchResultModel.h"
#include "retrieval/Workflow.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kFiles = 1000000;
constexpr int kInPatients = 80000;
constexpr int kOutPatients = 20000;
constexpr int kPatients = 50000;

using benchsupport::fill;
using benchsupport::numberedValues;

QString benchFolder() { return QDir::tempPath() + "/docuvane-bench-retrieval-v1"; }

// Builds the database folder once (about half a minute); later runs reuse it.
QString database() {
    const QString folder = benchFolder() + "/data/db";
    if (QFileInfo::exists(folder + "/complete")) return folder;
    QDir(benchFolder()).removeRecursively();
    db::EmbeddedDatabase::ensure(folder);
    const QStringList surnames = benchsupport::benchSurnames();
    const QStringList suffixes = benchsupport::benchSurnameEndings();
    const QStringList firsts = benchsupport::benchFirstNames();
    const QStringList descriptions = {
        "Admission record", "Discharge summary", "CBC and urinalysis", "Lipid profile",
        "Chest X-ray reading", "Surgical consent", "Patient's consent form", "Progress notes",
        "Operative report", "Anaesthesia record", "History and physical", "Medication sheet",
        "Vital signs chart", "Nurses' notes", "Transfer summary", "Laboratory results",
        "Radiology report", "Referral letter", "Billing statement", "Clinical abstract"};
    {
        db::SqliteSession s(folder + "/PATIENT_DATA.db");
        s.runScript("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;");
        s.runScript(fill("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < {1}), sur(k, v) AS (VALUES {2}), suf(k, v) AS (VALUES {3}), "
                            "fir(k, v) AS (VALUES {4}) "
                            "INSERT INTO tbMaster (HospNum, LastName, FirstName, MiddleName) "
                            "SELECT printf('H%06d', i), sur.v || suf.v, fir.v, '' FROM n "
                            "JOIN sur ON sur.k = i % 50 JOIN suf ON suf.k = (i / 50) % 20 "
                            "JOIN fir ON fir.k = (i * 7) % 30;",
                        {QString::number(kPatients - 1), numberedValues(surnames),
                         numberedValues(suffixes), numberedValues(firsts)}));
        s.runScript(fill("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < {1}) INSERT INTO tbPatient (IdNum, HospNum, AdmDate, DcrDate) "
                            "SELECT printf('%02d%06d', 21 + i % 5, i), printf('H%06d', (i * 7919) % "
                            "{2}), date('2021-01-01', '+' || ((i * 37) % 1826) || ' days') || "
                            "' 08:30:00.000', date('2021-01-01', '+' || ((i * 37) % 1826 + 3) || "
                            "' days') || ' 11:00:00.000' FROM n;",
                        {QString::number(kInPatients - 1), QString::number(kPatients)}));
        s.runScript(fill("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < {1}) INSERT INTO tbOutPatient (IdNum, HospNum, AdmDate, "
                            "DcrDate) SELECT printf('%06dB', i), printf('H%06d', (i * 104729) % "
                            "{2}), date('2021-01-01', '+' || ((i * 53) % 1826) || ' days') || "
                            "' 14:00:00.000', NULL FROM n;",
                        {QString::number(kOutPatients - 1), QString::number(kPatients)}));
        s.runScript("COMMIT;");
    }
    {
        db::SqliteSession s(folder + "/dbRecords.db");
        s.runScript("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;");
        // Admission a of file j: j % 100000; in-patients first, then out-patient visits.
        s.runScript(
            fill("WITH RECURSIVE n(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM n WHERE j < {1}), "
                    "d(k, v) AS (VALUES {2}), "
                    "f(j, id, t, day, k) AS (SELECT j, CASE WHEN j % 100000 < {3} THEN "
                    "printf('%02d%06d', 21 + (j % 100000) % 5, j % 100000) ELSE "
                    "printf('%06dB', j % 100000 - {3}) END, 1 + (j / 100000) % 5, "
                    "date('2021-01-01', '+' || (((j % 100000) * 37) % 1826 + (j / 100000) % 4) || "
                    "' days'), j % 20 FROM n) "
                    "INSERT INTO tblRecFiles (admission_id, file_name, rectype_id, EmployeeID, "
                    "Description, date_created, date_updated) SELECT f.id, '\\' || substr(f.day, "
                    "1, 4) || '\\' || f.day || '\\' || f.id || '-' || f.t || '.tif', f.t, '1001', "
                    "CASE WHEN f.j % 1000 = 7 THEN 'Referral from Dr. O''Brien' ELSE d.v END, "
                    "f.day || ' 00:00:00.000', f.day || ' 10:15:00.000' FROM f JOIN d ON d.k = f.k;",
                {QString::number(kFiles - 1), numberedValues(descriptions),
                 QString::number(kInPatients)}));
        s.runScript("COMMIT; ANALYZE;");
    }
    {
        db::SqliteSession s(folder + "/PATIENT_DATA.db");
        s.runScript("ANALYZE;");
    }
    QFile done(folder + "/complete");
    if (!done.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot mark the database");
    return folder;
}

// The program, signed in as 1001 in medical records, with the search window open.
struct RunningSearch {
    QString dbFolder = database(); // made before the program starts on it
    benchsupport::SignedInProgram program{benchFolder(), "MEDICAL RECORDS"};
    retrieval::OpenRecordWindow* window = nullptr;
    std::unique_ptr<db::SqliteConnection> reference;

    RunningSearch() {
        program.window().ui().mnuFileOpenRec->trigger();
        window = retrieval::searchWindow(program.window());
        if (!window) throw std::runtime_error("no search window");
        reference = std::make_unique<db::SqliteConnection>(dbFolder);
    }

    void clear() {
        for (QLineEdit* b : {window->txtAdmNo, window->txtDesc, window->txtPatName,
                             window->txtHospNum, window->txtAdmDate, window->txtScandate,
                             window->txtDateUpdated})
            b->clear();
        window->chkIncludeOutPatient->setChecked(false);
    }

    // Click to grid filled and painted; returns the rows listed.
    int search() {
        window->btnSearch_Click();
        while (window->searchRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window->fgridOpenRec->viewport()->repaint();
        return window->results().recordCount();
    }
};

RunningSearch& running() {
    static RunningSearch r;
    return r;
}

enum Kind { ById = 0, ByDescription = 1, ByNameWithOutPatients = 2 };

void criteria(RunningSearch& r, int kind) {
    r.clear();
    if (kind == ById) r.window->txtAdmNo->setText("21012345");
    if (kind == ByDescription) r.window->txtDesc->setText("O'Brien");
    if (kind == ByNameWithOutPatients) {
        r.window->txtPatName->setText("garcia");
        r.window->chkIncludeOutPatient->setChecked(true);
    }
}

void BM_SearchWindow(benchmark::State& state) {
    RunningSearch& r = running();
    criteria(r, int(state.range(0)));
    int rows = 0;
    for (auto _ : state) rows = r.search();
    state.counters["rows"] = rows;
    if (rows == 0) state.SkipWithError("no rows found");
}
BENCHMARK(BM_SearchWindow)->ArgName("kind")->Arg(ById)->Arg(ByDescription)->Arg(ByNameWithOutPatients)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReferenceStatementAlone(benchmark::State& state) {
    RunningSearch& r = running();
    criteria(r, int(state.range(0)));
    const QString statement = records::recordSearch(r.window->readCriteria());
    int rows = 0;
    for (auto _ : state) rows = r.reference->open(statement, db::kClientReadOnly)->recordCount();
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ReferenceStatementAlone)->ArgName("kind")->Arg(ById)->Arg(ByDescription)
    ->Arg(ByNameWithOutPatients)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
