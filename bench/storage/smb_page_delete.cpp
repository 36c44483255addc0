// Page deletion on the 1000-page scanned record (300 dpi Letter text pages, G4;
// bench/support/DocGenerator.h) kept on an SMB share mounted through GVFS's FUSE folder, as a
// desktop reaches the records server with `gio mount`, beside a plain copy of the same file
// onto the same mount and the same deletion on the local disk, all in one run:
//  - Share_DeletePage: the engine deletes page 2 and writes the record back on the share
//    (a new file beside it, flushed, renamed over it);
//  - Share_PlainCopy: the local record copied onto the share (what any file copy costs there);
//  - Local_DeletePage: the same deletion with the record on the local disk.
// Needs the share: run it through the test driver, which starts a private Samba server,
// mounts its share and names the mounted folder in DOCUVANE_SMB_MOUNT:
//   tests/program/smb_share.sh build/bin/bench_storage_smb_page_delete
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "support/DocGenerator.h"
#include "support/QtBenchmarkMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <stdexcept>

namespace {

constexpr int kPages = 1000;

QString shareFolder() {
    const QString mount = qEnvironmentVariable("DOCUVANE_SMB_MOUNT");
    if (mount.isEmpty()) return {};
    const QString folder = mount + "/bench";
    QDir().mkpath(folder);
    return folder;
}

// A fresh copy of the record in `folder` (untimed by the callers).
QString freshCopy(const QString& folder, const QString& name) {
    const QString path = folder + "/" + name;
    QFile::remove(path);
    if (!QFile::copy(benchsupport::bitonalDocument(kPages), path))
        throw std::runtime_error("cannot copy the record to " + path.toStdString());
    return path;
}

void deletePageTwo(benchmark::State& state, const QString& folder) {
    const QString path = freshCopy(folder, "record.tif");
    imaging::DocumentModelPtr model = imaging::DocumentModel::acquire(path);
    if (model->pageCount() != kPages) throw std::runtime_error("the record did not open whole");
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        model->deletePages(2, 1);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
    model.reset();
    // Every deletion reached the file.
    if (imaging::Document::open(path)->pageCount() != kPages - int(state.iterations()))
        state.SkipWithError("the file on disk does not have the pages left");
    QFile::remove(path);
}

void BM_Share_DeletePage(benchmark::State& state) {
    const QString folder = shareFolder();
    if (folder.isEmpty()) {
        state.SkipWithError("no SMB share mounted (DOCUVANE_SMB_MOUNT is not set)");
        return;
    }
    deletePageTwo(state, folder);
}

void BM_Share_PlainCopy(benchmark::State& state) {
    const QString folder = shareFolder();
    if (folder.isEmpty()) {
        state.SkipWithError("no SMB share mounted (DOCUVANE_SMB_MOUNT is not set)");
        return;
    }
    const QString source = benchsupport::bitonalDocument(kPages);
    const QString target = folder + "/copy.tif";
    for (auto _ : state) {
        QFile::remove(target);
        QElapsedTimer t;
        t.start();
        if (!QFile::copy(source, target)) throw std::runtime_error("the copy failed");
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
    state.SetBytesProcessed(state.iterations() * QFile(source).size());
    QFile::remove(target);
}

void BM_Local_DeletePage(benchmark::State& state) {
    QTemporaryDir scratch;
    deletePageTwo(state, scratch.path());
}

BENCHMARK(BM_Share_DeletePage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Share_PlainCopy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Local_DeletePage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
