// A 300-page scan into a new record, page by page as the scanner's page target writes it
// (the first page creates the file, every later one is appended in place with two fsyncs),
// against the floor of any writer of the same pages: the 300 pages encoded and written in
// one write with one fsync. The scan reports the bytes the process wrote (wchar of
// /proc/self/io) over the final file size, and the time per page over the first and the last
// 50 pages (flat when a page costs what it adds). Pages: 300 dpi Letter text, 20 distinct
// pages repeated. Run:
//   build/bin/bench_capture_scan_append --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include "imaging/documents/Document.h"
#include "imaging/documents/TiffWriter.h"
#include "imaging/scanning/ScannerTarget.h"
#include "support/DocGenerator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kPages = 300, kDistinct = 20;

const std::vector<QImage>& pages() {
    static const std::vector<QImage> images = [] {
        const imaging::DocumentPtr doc =
            imaging::Document::open(benchsupport::bitonalDocument(kDistinct));
        std::vector<QImage> v;
        for (int i = 0; i < kDistinct; ++i) v.push_back(doc->decodePage(i));
        return v;
    }();
    return images;
}

QString workPath(const char* name) {
    const QString dir = benchsupport::cacheDir() + QStringLiteral("/scan-work");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + QLatin1String(name);
}

// Bytes this process has handed to write calls so far.
quint64 bytesWritten() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("wchar:")) return line.mid(6).trimmed().toULongLong();
    return 0;
}

void BM_Reference_EncodeAndWriteOnceFsync(benchmark::State& state) {
    const std::vector<QImage>& images = pages();
    const QString path = workPath("once.bin");
    for (auto _ : state) {
        QByteArray all;
        for (int i = 0; i < kPages; ++i)
            all += imaging::encodeTiffPage(images[size_t(i % kDistinct)], 300, 300, false);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, all.constData(), size_t(all.size())) != all.size())
            state.SkipWithError("write failed");
        ::fsync(fd);
        ::close(fd);
    }
}

void BM_Scan300PagesIntoNewRecord(benchmark::State& state) {
    const std::vector<QImage>& images = pages();
    const QString path = workPath("record.tif");
    double ratio = 0, firstMs = 0, lastMs = 0;
    for (auto _ : state) {
        QFile::remove(path);
        const quint64 before = bytesWritten();
        QElapsedTimer t;
        t.start();
        qint64 atFirst50 = 0, atLast50 = 0;
        imaging::ScanTarget target(path, imaging::kScanAppend, 0);
        for (int i = 0; i < kPages; ++i) {
            if (i == kPages - 50) atLast50 = t.nsecsElapsed();
            target.addPage({images[size_t(i % kDistinct)], 300, 300});
            if (i == 49) atFirst50 = t.nsecsElapsed();
        }
        const qint64 end = t.nsecsElapsed();
        ratio = double(bytesWritten() - before) / double(QFileInfo(path).size());
        firstMs = double(atFirst50) / 50e6;
        lastMs = double(end - atLast50) / 50e6;
    }
    state.counters["written_over_size"] = ratio;
    state.counters["ms_per_page_first50"] = firstMs;
    state.counters["ms_per_page_last50"] = lastMs;
}

} // namespace

BENCHMARK(BM_Reference_EncodeAndWriteOnceFsync)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Scan300PagesIntoNewRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
