// Reading scanned pages for cover sheets, per 300 dpi Letter page (2550 x 3300), 1-bit G4 as
// scanners deliver them:
// - the check of a filing: the page decoded scaled to 150 dpi (area-averaged gray) and read,
//   for a text page (the common case: no barcode) and for a cover sheet;
// - readCoverSheet on a page already decoded at full size (1-bit text page, cover sheet);
// against the reference of the same run: decoding the page at full size once (what any look at
// the page costs). Goal: under 10 ms a page. Run:
//   build/bin/bench_capture_cover_sheet --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include "capture/CoverSheet.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/TiffWriter.h"
#include "support/DocGenerator.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

imaging::DocumentPtr textDocument() {
    static const imaging::DocumentPtr doc =
        imaging::Document::open(benchsupport::bitonalDocument(1));
    return doc;
}

imaging::DocumentPtr coverSheetDocument() {
    static const imaging::DocumentPtr doc = [] {
        capture::CoverSheetContent c;
        c.id = "260045";
        c.recordType = 3;
        c.recordTypeName = "LABORATORY RESULTS";
        c.name = "O'Brien, Patrick Sean";
        c.date = QDate(2026, 1, 19);
        const QImage mono = capture::renderCoverSheet(c, 300).convertToFormat(
            QImage::Format_Mono, Qt::ThresholdDither);
        return imaging::Document::openBytes(imaging::encodeTiffPage(mono, 300, 300, false),
                                            "sheet.tif");
    }();
    return doc;
}

// What the filing's check does with one page.
bool checkPage(const imaging::Document& doc) {
    QImage page = doc.decodePageScaled(0, QSize(1275, 1650), true);
    page.setDotsPerMeterX(int(150 / 0.0254));
    page.setDotsPerMeterY(int(150 / 0.0254));
    return capture::readCoverSheet(page).has_value();
}

void BM_Reference_DecodePageFullSize(benchmark::State& state) {
    const auto doc = textDocument();
    for (auto _ : state) benchmark::DoNotOptimize(doc->decodePage(0));
}

void BM_FilingCheckTextPage(benchmark::State& state) {
    const auto doc = textDocument();
    if (checkPage(*doc)) state.SkipWithError("a text page read as a cover sheet");
    for (auto _ : state) benchmark::DoNotOptimize(checkPage(*doc));
}

void BM_FilingCheckCoverSheet(benchmark::State& state) {
    const auto doc = coverSheetDocument();
    if (!checkPage(*doc)) state.SkipWithError("the cover sheet was not read");
    for (auto _ : state) benchmark::DoNotOptimize(checkPage(*doc));
}

void BM_ReadCoverSheetDecodedTextPage(benchmark::State& state) {
    const QImage page = textDocument()->decodePage(0);
    for (auto _ : state) benchmark::DoNotOptimize(capture::readCoverSheet(page));
}

void BM_ReadCoverSheetDecodedSheet(benchmark::State& state) {
    const QImage page = coverSheetDocument()->decodePage(0);
    for (auto _ : state) benchmark::DoNotOptimize(capture::readCoverSheet(page));
}

} // namespace

BENCHMARK(BM_Reference_DecodePageFullSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilingCheckTextPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilingCheckCoverSheet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadCoverSheetDecodedTextPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadCoverSheetDecodedSheet)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    // Drawing the sheet's text needs the fonts of a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
