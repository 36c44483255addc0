// docuvane-admin check-storage on a generated share: 100,000 one-page TIFF files of 64 x 32
// pixels in 1,000 date folders below 2020..2022 year folders, named by 100,000 rows of the
// embedded records database (one share of ten thousand date folders scaled down tenfold). The
// check reads every row, opens and decodes every file on all cores and lists the share for
// files no row names (it finds none). Reference, in the same run: `find <share> -type f`, the
// listing alone. The share and its database are generated once into
// <build>/bench-cache/check-storage-v1 (the files are hard links of one file, copies past the
// file system's link limit; under two minutes on a loaded machine); later runs reuse them. Run:
//   build/bin/bench_admin_check_storage --benchmark_repetitions=3
//   --benchmark_report_aggregates_only=true
#include "support/BenchProgram.h"
#include "support/QtBenchmarkMain.h"
#include "storage/StorageCheck.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"
#include "imaging/documents/TiffWriter.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr int kFiles = 100000;
constexpr int kPerFolder = 100;

QString cacheFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           "/../bench-cache/check-storage-v1");
}
QString share() { return cacheFolder() + "/share"; }
QString database() { return cacheFolder() + "/data/db"; }

void generate() {
    if (QFileInfo::exists(cacheFolder() + "/complete")) return;
    QDir(cacheFolder()).removeRecursively();
    db::EmbeddedDatabase::Options o;
    o.demoData = true;
    o.passwordCost = db::PasswordCost::cheapForTests();
    db::EmbeddedDatabase::ensure(database(), o);
    {
        db::SqliteSession s(database() + "/dbRecords.db");
        s.runScript("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;");
        s.runScript("DELETE FROM tblRecFiles;");
        s.runScript(benchsupport::fill(
            "WITH RECURSIVE n(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM n WHERE j < {1}), "
            "f(j, day) AS (SELECT j, date('2020-01-01', '+' || (j / {2}) || ' days') FROM n) "
            "INSERT INTO tblRecFiles (admission_id, file_name, rectype_id, EmployeeID, "
            "Description, date_created, date_updated) SELECT printf('B%06d', j), '\\' || "
            "substr(day, 1, 4) || '\\' || day || '\\' || printf('B%06d', j) || '-1.tif', 1, "
            "'1001', 'bench', day || ' 00:00:00.000', day || ' 10:00:00.000' FROM f;",
            {QString::number(kFiles - 1), QString::number(kPerFolder)}));
        s.runScript("COMMIT;");
    }
    QImage page(64, 32, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    const QByteArray tiff = imaging::encodeTiffPage(page, 100, 100, false);
    const QString source = cacheFolder() + "/page.tif";
    QFile f(source);
    if (!f.open(QIODevice::WriteOnly) || f.write(tiff) != tiff.size())
        throw std::runtime_error("cannot write the source page");
    f.close();
    const QByteArray sourceName = QFile::encodeName(source);
    for (int folder = 0; folder < kFiles / kPerFolder; ++folder) {
        const QString day = QDate(2020, 1, 1).addDays(folder).toString("yyyy-MM-dd");
        const QString dir = share() + "/" + day.left(4) + "/" + day;
        QDir().mkpath(dir);
        for (int i = 0; i < kPerFolder; ++i) {
            const QString file =
                dir + QString("/B%1-1.tif").arg(folder * kPerFolder + i, 6, 10, QChar('0'));
            if (::link(sourceName.constData(), QFile::encodeName(file).constData()) != 0 &&
                !QFile::copy(source, file))
                throw std::runtime_error("cannot make " + file.toStdString());
        }
    }
    QFile done(cacheFolder() + "/complete");
    if (!done.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot mark the cache");
}

void BM_CheckStorage100000Files(benchmark::State& state) {
    generate();
    app::IniSettingsStore settings(cacheFolder() + "/config");
    const app::PathMapper paths(&settings, QDir::homePath(), app::PathMapper::defaultGvfsRoot());
    db::SqliteConnection connection(database());
    for (auto _ : state) {
        qint64 findings = 0;
        const storage::CheckCounts c = storage::checkStorage(
            connection, paths, share(), {}, [&](const storage::Finding&) { ++findings; });
        if (findings != 0 || c.rows != kFiles || c.listed != kFiles || c.checked != kFiles)
            state.SkipWithError("the generated share is not what it should be");
    }
    state.counters["files/s"] =
        benchmark::Counter(double(kFiles) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CheckStorage100000Files)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_Reference_Find100000Files(benchmark::State& state) {
    generate();
    for (auto _ : state) {
        QProcess find;
        find.setStandardOutputFile(QProcess::nullDevice());
        find.start("find", {share(), "-type", "f"});
        if (!find.waitForFinished(600000) || find.exitCode() != 0)
            state.SkipWithError("find failed");
    }
    state.counters["files/s"] =
        benchmark::Counter(double(kFiles) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Reference_Find100000Files)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
