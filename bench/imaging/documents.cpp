// Benchmarks of the imaging engine's documents: page operations on a 1000-page scanned
// record against a raw copy of the whole file (the floor for any rewrite), libtiff's tiffcp,
// opening, finding and decoding pages. Documents are generated once and cached (see
// bench/support/DocGenerator.h). Run:
//   build/bin/bench_imaging_documents --benchmark_min_time=1
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/documents/PageEdits.h"
#include "imaging/documents/PageOps.h"
#include "support/DocGenerator.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

using namespace imaging;

namespace {

QString workDir() {
    const QString dir = benchsupport::cacheDir() + QStringLiteral("/work");
    QDir().mkpath(dir);
    return dir;
}

// A fresh working copy of `source`.
QString workCopy(const QString& source, const QString& name) {
    const QString path = workDir() + QLatin1Char('/') + name;
    QFile::remove(path);
    QFile::copy(source, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

// Drops the file's pages from the operating system's cache (a cold start).
void dropCache(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

void fsyncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ::fsync(fd);
    ::close(fd);
}

int pagesArg(const benchmark::State& state) {
    return int(state.range(0));
}

// ---------------------------------------------------------------------------------------
// Baselines

// Copying the file's bytes with one read and write loop and an fsync.
void BM_Baseline_ByteCopyFsync(benchmark::State& state) {
    const QString src = benchsupport::bitonalDocument(pagesArg(state));
    const QString dst = workDir() + QStringLiteral("/bytes.tif");
    std::vector<char> buf(4 << 20);
    for (auto _ : state) {
        const int in = ::open(QFile::encodeName(src).constData(), O_RDONLY);
        const int out =
            ::open(QFile::encodeName(dst).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ssize_t n;
        while ((n = ::read(in, buf.data(), buf.size())) > 0)
            if (::write(out, buf.data(), size_t(n)) != n) state.SkipWithError("write failed");
        ::fsync(out);
        ::close(out);
        ::close(in);
    }
}

// A careful libtiff program: every page's tags and raw strip copied, then fsync.
void BM_Baseline_LibtiffRawCopyFsync(benchmark::State& state) {
    const QString src = benchsupport::bitonalDocument(pagesArg(state));
    const QString dst = workDir() + QStringLiteral("/raw.tif");
    std::vector<uint8_t> buf;
    for (auto _ : state) {
        TIFF* in = TIFFOpen(QFile::encodeName(src).constData(), "r");
        TIFF* out = TIFFOpen(QFile::encodeName(dst).constData(), "w");
        do {
            uint32_t w, h, rps;
            uint16_t bps, spp, comp, photo, unit, page, pages;
            float xres, yres;
            TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &w);
            TIFFGetField(in, TIFFTAG_IMAGELENGTH, &h);
            TIFFGetField(in, TIFFTAG_BITSPERSAMPLE, &bps);
            TIFFGetField(in, TIFFTAG_SAMPLESPERPIXEL, &spp);
            TIFFGetField(in, TIFFTAG_COMPRESSION, &comp);
            TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &photo);
            TIFFGetField(in, TIFFTAG_ROWSPERSTRIP, &rps);
            TIFFGetField(in, TIFFTAG_XRESOLUTION, &xres);
            TIFFGetField(in, TIFFTAG_YRESOLUTION, &yres);
            TIFFGetField(in, TIFFTAG_RESOLUTIONUNIT, &unit);
            TIFFGetField(in, TIFFTAG_PAGENUMBER, &page, &pages);
            TIFFSetField(out, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
            TIFFSetField(out, TIFFTAG_IMAGEWIDTH, w);
            TIFFSetField(out, TIFFTAG_IMAGELENGTH, h);
            TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, bps);
            TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, spp);
            TIFFSetField(out, TIFFTAG_COMPRESSION, comp);
            TIFFSetField(out, TIFFTAG_PHOTOMETRIC, photo);
            TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, rps);
            TIFFSetField(out, TIFFTAG_XRESOLUTION, xres);
            TIFFSetField(out, TIFFTAG_YRESOLUTION, yres);
            TIFFSetField(out, TIFFTAG_RESOLUTIONUNIT, unit);
            TIFFSetField(out, TIFFTAG_PAGENUMBER, page, pages);
            for (uint32_t s = 0; s < TIFFNumberOfStrips(in); ++s) {
                buf.resize(size_t(TIFFRawStripSize(in, s)));
                const tmsize_t n = TIFFReadRawStrip(in, s, buf.data(), tmsize_t(buf.size()));
                TIFFWriteRawStrip(out, s, buf.data(), n);
            }
            TIFFWriteDirectory(out);
        } while (TIFFReadDirectory(in));
        TIFFClose(in);
        TIFFFlush(out);
        ::fsync(TIFFFileno(out));
        TIFFClose(out);
    }
}

bool haveTiffcp() {
    return !QStandardPaths::findExecutable(QStringLiteral("tiffcp")).isEmpty();
}

void runTiffcp(benchmark::State& state, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("tiffcp"), args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0) state.SkipWithError("tiffcp failed");
}

void BM_Tiffcp_Copy(benchmark::State& state) {
    if (!haveTiffcp()) return state.SkipWithError("tiffcp is not installed");
    const QString src = benchsupport::bitonalDocument(pagesArg(state));
    const QString dst = workDir() + QStringLiteral("/tiffcp.tif");
    for (auto _ : state) {
        QFile::remove(dst);
        runTiffcp(state, {src, dst});
        fsyncPath(dst);
    }
}

void BM_Tiffcp_InsertOnePageAt2(benchmark::State& state) {
    if (!haveTiffcp()) return state.SkipWithError("tiffcp is not installed");
    const int n = pagesArg(state);
    const QString src = benchsupport::bitonalDocument(n);
    const QString dst = workDir() + QStringLiteral("/tiffcp.tif");
    QString rest;
    for (int i = 1; i < n; ++i)
        rest += QLatin1Char(',') + QString::number(i);
    for (auto _ : state) {
        QFile::remove(dst);
        runTiffcp(state,
                  {src + QStringLiteral(",0"), benchsupport::onePageDocument(), src + rest, dst});
        fsyncPath(dst);
    }
}

// ---------------------------------------------------------------------------------------
// The engine's writes

void BM_Engine_CopyWholeDocument(benchmark::State& state) {
    const QString src = benchsupport::bitonalDocument(pagesArg(state));
    const QString dst = workDir() + QStringLiteral("/engine-copy.tif");
    DocumentPtr doc = Document::open(src);
    std::vector<PageSource> pages;
    for (int i = 0; i < doc->pageCount(); ++i)
        pages.push_back(PageSource::copy(doc, i));
    for (auto _ : state)
        writeDocument(dst, pages);
}

// Model operations on a working copy of the document, as the viewer runs them.
struct ModelFixture {
    QString path;
    DocumentModelPtr model;
    explicit ModelFixture(const benchmark::State& state, const char* name) {
        path = workCopy(benchsupport::bitonalDocument(pagesArg(state)), QString::fromLatin1(name));
        model = DocumentModel::acquire(path);
    }
    ~ModelFixture() {
        model.reset();
        QFile::remove(path);
    }
};

void BM_Model_InsertOnePageAt2(benchmark::State& state) {
    ModelFixture f(state, "insert.tif");
    for (auto _ : state) {
        f.model->insertPagesFrom(benchsupport::onePageDocument(), 1, 2, 1);
        state.PauseTiming();
        f.model->deletePages(2, 1);
        state.ResumeTiming();
    }
}

void BM_Model_DeleteOnePage(benchmark::State& state) {
    ModelFixture f(state, "delete.tif");
    for (auto _ : state) {
        f.model->deletePages(2, 1);
        state.PauseTiming();
        f.model->insertPagesFrom(benchsupport::onePageDocument(), 1, 2, 1);
        state.ResumeTiming();
    }
}

void BM_Model_AppendOnePage(benchmark::State& state) {
    ModelFixture f(state, "append.tif");
    for (auto _ : state) {
        f.model->appendPagesFrom(benchsupport::onePageDocument(), 1, 1);
        state.PauseTiming();
        f.model->deletePages(f.model->pageCount(), 1);
        state.ResumeTiming();
    }
}

void BM_Model_RotateAndSavePage1(benchmark::State& state) {
    ModelFixture f(state, "rotate.tif");
    for (auto _ : state) {
        f.model->apply(rotatePage(0, 1));
        f.model->save();
    }
}

// ---------------------------------------------------------------------------------------
// Opening, finding and decoding

// The scanner's layout (each directory after its page) and the engine's (directories first).
QString layoutDocument(int layout) {
    const QString scanned = benchsupport::bitonalDocument(1000);
    if (layout == 0) return scanned;
    const QString engine = benchsupport::cacheDir() + QStringLiteral("/bitonal-1000-engine.tif");
    if (!QFile::exists(engine)) {
        DocumentPtr doc = Document::open(scanned);
        std::vector<PageSource> pages;
        for (int i = 0; i < doc->pageCount(); ++i)
            pages.push_back(PageSource::copy(doc, i));
        writeDocument(engine, pages);
    }
    return engine;
}

void BM_OpenAndCountPages_Cold(benchmark::State& state) {
    const QString path = layoutDocument(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        dropCache(path);
        state.ResumeTiming();
        benchmark::DoNotOptimize(Document::open(path)->pageCount());
    }
}

void BM_OpenAndCountPages_Warm(benchmark::State& state) {
    const QString path = layoutDocument(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Document::open(path)->pageCount());
}

// Open the document and show page `page` fitted to 1200 pixels wide (gray scaling).
void showPage(const QString& path, int page) {
    DocumentPtr doc = Document::open(path);
    benchmark::DoNotOptimize(doc->decodePageScaled(page, QSize(1200, 1 << 20), true));
}

void BM_OpenAndShowPage1_Cold(benchmark::State& state) {
    const QString path = layoutDocument(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        dropCache(path);
        state.ResumeTiming();
        showPage(path, 0);
    }
}

void BM_OpenAndShowPage1000_Cold(benchmark::State& state) {
    const QString path = layoutDocument(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        dropCache(path);
        state.ResumeTiming();
        showPage(path, 999);
    }
}

// On an open document: decode and scale one page (page 1, or page 1000 by a jump).
void BM_ShowPage_Warm(benchmark::State& state) {
    DocumentPtr doc = Document::open(layoutDocument(0));
    const int page = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->decodePageScaled(page, QSize(1200, 1 << 20), true));
}

void BM_DecodePageFullSize_Warm(benchmark::State& state) {
    DocumentPtr doc = Document::open(layoutDocument(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->decodePage(0));
}

void BM_GrayJpeg_ShowPage1(benchmark::State& state) {
    DocumentPtr doc = Document::open(benchsupport::grayJpegDocument(100));
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->decodePageScaled(0, QSize(1200, 1 << 20), true));
}

void BM_GrayJpeg_CopyWholeDocument(benchmark::State& state) {
    DocumentPtr doc = Document::open(benchsupport::grayJpegDocument(100));
    std::vector<PageSource> pages;
    for (int i = 0; i < doc->pageCount(); ++i)
        pages.push_back(PageSource::copy(doc, i));
    for (auto _ : state)
        writeDocument(workDir() + QStringLiteral("/gray-copy.tif"), pages);
}

void BM_GrayJpeg_RotateAndSavePage1(benchmark::State& state) {
    const QString path =
        workCopy(benchsupport::grayJpegDocument(100), QStringLiteral("gray-rotate.tif"));
    DocumentModelPtr model = DocumentModel::acquire(path);
    for (auto _ : state) {
        model->apply(rotatePage(0, 1));
        model->save();
    }
}

} // namespace

#define FILE_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()

FILE_BENCH(BM_Baseline_ByteCopyFsync)->Arg(1000);
FILE_BENCH(BM_Baseline_LibtiffRawCopyFsync)->Arg(10)->Arg(100)->Arg(1000);
FILE_BENCH(BM_Tiffcp_Copy)->Arg(1000)->Iterations(1);
FILE_BENCH(BM_Tiffcp_InsertOnePageAt2)->Arg(1000)->Iterations(1);
FILE_BENCH(BM_Engine_CopyWholeDocument)->Arg(10)->Arg(100)->Arg(1000);
FILE_BENCH(BM_Model_InsertOnePageAt2)->Arg(10)->Arg(100)->Arg(1000);
FILE_BENCH(BM_Model_DeleteOnePage)->Arg(10)->Arg(100)->Arg(1000);
FILE_BENCH(BM_Model_AppendOnePage)->Arg(10)->Arg(100)->Arg(1000);
FILE_BENCH(BM_Model_RotateAndSavePage1)->Arg(10)->Arg(100)->Arg(1000);
FILE_BENCH(BM_OpenAndCountPages_Cold)->ArgName("engineLayout")->Arg(0)->Arg(1);
FILE_BENCH(BM_OpenAndCountPages_Warm)->ArgName("engineLayout")->Arg(0)->Arg(1);
FILE_BENCH(BM_OpenAndShowPage1_Cold)->ArgName("engineLayout")->Arg(0)->Arg(1);
FILE_BENCH(BM_OpenAndShowPage1000_Cold)->ArgName("engineLayout")->Arg(0)->Arg(1);
FILE_BENCH(BM_ShowPage_Warm)->ArgName("page")->Arg(0)->Arg(999);
FILE_BENCH(BM_DecodePageFullSize_Warm);
FILE_BENCH(BM_GrayJpeg_ShowPage1);
FILE_BENCH(BM_GrayJpeg_CopyWholeDocument);
FILE_BENCH(BM_GrayJpeg_RotateAndSavePage1);

BENCHMARK_MAIN();
