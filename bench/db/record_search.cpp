// Start-up and search figures of the embedded database: creating the demo database, opening
// the connection, and the record search (patient mode with out-patients, as the search
// window sends it), translated afresh and from the translation cache.
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString patientBranch(const QString& table) {
    return "SELECT TOP 200 RF.recfile_id, RF.admission_id, RF.rectype_id, RF.file_name, "
           "RF.file_type, RF.EmployeeID, CONVERT(varchar(10),RF.date_created,101) as RecDate, "
           "CONVERT(varchar(30),RF.date_updated,100) as UpdateDate  , "
           "ISNULL(RT.rectype_name,'') as Rectype_Name, RF.Description, "
           "ISNULL(Pat.HospNum,'') as HospNum , ISNULL(Lastname,'') as LastName, "
           "ISNULL(Firstname,'') as FirstName,ISNULL(Middlename,'') as MiddleName , "
           "IsNull(CONVERT(varchar(10),Pat.AdmDate,101),'') as AdmDate , "
           "IsNull(CONVERT(varchar(10),Pat.DcrDate,101),'') as DcrDate , Pat.AdmDate as "
           "PatAdmDate  FROM dbRecords..tblRecFiles RF INNER JOIN PATIENT_DATA.." +
           table +
           " Pat ON RF.Admission_Id=Pat.IdNum  LEFT OUTER JOIN dbRecords..tblRecType RT ON "
           "RF.rectype_id=RT.rectype_id  LEFT JOIN Patient_Data..tbMaster MA ON "
           "MA.HospNum=Pat.HospNum  WHERE 1=1  and MA.LastName like 'garcia' + '%'  AND "
           "(RT.DepartmentID IS NULL OR RT.DepartmentID='') ";
}

const QString& recordSearch() {
    static const QString s = patientBranch("tbPatient") + "UNION ALL " +
                             patientBranch("tbOutPatient") +
                             " ORDER BY Lastname, Firstname, Middlename";
    return s;
}

struct DemoFolder {
    QTemporaryDir dir;
    DemoFolder() { db::EmbeddedDatabase::ensure(dir.path()); }
};

DemoFolder& demo() {
    static DemoFolder folder;
    return folder;
}

void BM_CreateDemoDatabase(benchmark::State& state) {
    for (auto _ : state) {
        QTemporaryDir dir;
        db::EmbeddedDatabase::ensure(dir.path()); // full password iterations
    }
}
BENCHMARK(BM_CreateDemoDatabase)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenConnection(benchmark::State& state) {
    const QString folder = demo().dir.path();
    for (auto _ : state) {
        db::SqliteConnection conn(folder);
        benchmark::DoNotOptimize(conn.isOpen());
    }
}
BENCHMARK(BM_OpenConnection)->Unit(benchmark::kMicrosecond);

void BM_RecordSearch(benchmark::State& state) {
    db::SqliteConnection conn(demo().dir.path());
    for (auto _ : state) {
        auto rs = conn.execute(recordSearch());
        if (rs->recordCount() != 5) state.SkipWithError("unexpected row count");
    }
}
BENCHMARK(BM_RecordSearch)->Unit(benchmark::kMicrosecond);

// Each statement text differs (a trailing comment), so every call translates afresh.
void BM_RecordSearchUncached(benchmark::State& state) {
    db::SqliteConnection conn(demo().dir.path());
    long n = 0;
    for (auto _ : state) {
        auto rs = conn.execute(recordSearch() + QString(" -- %1").arg(++n));
        if (rs->recordCount() != 5) state.SkipWithError("unexpected row count");
    }
}
BENCHMARK(BM_RecordSearchUncached)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
