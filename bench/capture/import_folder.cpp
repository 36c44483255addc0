// Importing a folder into a record, as "Import" does it: 100 single-page G4 files (300 dpi
// Letter text pages) appended to a 1000-page record in one rewrite of the record, against the
// floor of any rewrite: one raw copy of the record's bytes with fsync. Run:
//   build/bin/bench_capture_import_folder --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include "capture/PageImport.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/documents/PageOps.h"
#include "support/DocGenerator.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString workDir() {
    const QString dir = benchsupport::cacheDir() + QStringLiteral("/import-work");
    QDir().mkpath(dir);
    return dir;
}

// 100 files of one page each, the pages of the 100-page text document (cached).
QString importFolder() {
    const QString dir = benchsupport::cacheDir() + QStringLiteral("/import-100");
    if (QDir(dir).entryList(QDir::Files).size() == 100) return dir;
    QDir().mkpath(dir);
    const imaging::DocumentPtr doc = imaging::Document::open(benchsupport::bitonalDocument(100));
    for (int i = 0; i < 100; ++i)
        imaging::writeDocument(dir + QStringLiteral("/scan%1.tif").arg(i, 3, 10, QChar('0')),
                               {imaging::PageSource::copy(doc, i)});
    return dir;
}

QString freshRecord() {
    const QString path = workDir() + QStringLiteral("/record.tif");
    QFile::remove(path);
    QFile::copy(benchsupport::bitonalDocument(1000), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// The reference: the record's bytes copied with one read and write loop, then fsync.
void BM_Reference_RecordByteCopyFsync(benchmark::State& state) {
    const QString src = benchsupport::bitonalDocument(1000);
    const QString dst = workDir() + QStringLiteral("/copy.tif");
    std::vector<char> buf(4 << 20);
    for (auto _ : state) {
        const int in = ::open(QFile::encodeName(src).constData(), O_RDONLY);
        const int out = ::open(QFile::encodeName(dst).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ssize_t n;
        while ((n = ::read(in, buf.data(), buf.size())) > 0)
            if (::write(out, buf.data(), size_t(n)) != n) state.SkipWithError("write failed");
        ::fsync(out);
        ::close(out);
        ::close(in);
    }
}

// The import: list, read and check the 100 files, append their pages to the open record in
// one atomic rewrite (fsync of the file and its folder included).
void BM_ImportFolderOf100G4Files(benchmark::State& state) {
    const QString folder = importFolder();
    for (auto _ : state) {
        state.PauseTiming();
        const QString record = freshRecord();
        imaging::DocumentModelPtr model = imaging::DocumentModel::acquire(record);
        state.ResumeTiming();
        const QStringList names = capture::importableFiles(folder);
        const capture::ImportOutcome outcome = capture::importFiles(*model, folder, names, 0, nullptr);
        state.PauseTiming();
        if (outcome.pagesAdded != 100 || model->pageCount() != 1100)
            state.SkipWithError("the import did not add 100 pages");
        model.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_Reference_RecordByteCopyFsync)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportFolderOf100G4Files)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
