// Blank-page detection on 300 dpi Letter pages (2550 x 3300): a 1-bit text page of the
// generator (the common case: a scan's bilevel page) and the same page as 8-bit gray,
// against the floor of any look at every pixel in the same run: counting the set bits of the
// 1-bit page. Goal: under 10 ms a bilevel page. Run:
//   build/bin/bench_imaging_blank_page --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include "imaging/documents/Document.h"
#include "imaging/pixels/BlankPage.h"
#include "support/DocGenerator.h"

#include <benchmark/benchmark.h>
#include <bit>

namespace {

const QImage& textPage() {
    static const QImage img =
        imaging::Document::open(benchsupport::bitonalDocument(1))->decodePage(0).convertToFormat(
            QImage::Format_Mono);
    return img;
}

void BM_Reference_CountBitsOfBilevelPage(benchmark::State& state) {
    const QImage& img = textPage();
    for (auto _ : state) {
        quint64 n = 0;
        const int bytes = (img.width() + 7) / 8;
        for (int y = 0; y < img.height(); ++y) {
            const uchar* line = img.constScanLine(y);
            for (int b = 0; b < bytes; ++b) n += unsigned(std::popcount(unsigned(line[b])));
        }
        benchmark::DoNotOptimize(n);
    }
}

void BM_BlankPageBilevelTextPage(benchmark::State& state) {
    const QImage& img = textPage();
    for (auto _ : state) benchmark::DoNotOptimize(imaging::measureBlankPage(img, 300));
}

void BM_BlankPageBilevelWhitePage(benchmark::State& state) {
    QImage img(2550, 3300, QImage::Format_Mono);
    img.fill(0);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (auto _ : state) benchmark::DoNotOptimize(imaging::measureBlankPage(img, 300));
}

void BM_BlankPageGrayTextPage(benchmark::State& state) {
    const QImage img = textPage().convertToFormat(QImage::Format_Grayscale8);
    for (auto _ : state) benchmark::DoNotOptimize(imaging::measureBlankPage(img, 300));
}

} // namespace

BENCHMARK(BM_Reference_CountBitsOfBilevelPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlankPageBilevelTextPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlankPageBilevelWhitePage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlankPageGrayTextPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
