// The page display on a 1000-page document of 300 dpi Letter text pages (G4):
//  - open the document and show page 1 fitted to 1200 pixels, against decoding and scaling
//    that one page;
//  - the next page with the cache warm;
//  - a jump to page 1000, against walking the page chain and decoding that page.
// Gray scaling is on, as for reading scans at this size.
#include "doubles/RenderWait.h"
#include "support/QtBenchmarkMain.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/pixels/ImageOps.h"
#include "imaging/documents/PageOps.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kPages = 1000;
constexpr int kViewWidth = 1200;
constexpr QSize kLetter(2550, 3300);

// A page that looks like typed text.
QImage textPage(int seed) {
    QImage canvas(kLetter, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    p.setFont(font);
    p.setPen(Qt::black);
    static const char* words[] = {"patient",  "admitted",  "with",  "acute", "pain",   "and",
                                  "treated",  "follow-up", "visit", "weeks", "normal", "blood",
                                  "pressure", "history",   "of",    "no",    "known",  "allergy"};
    for (int y = 300; y < kLetter.height() - 250; y += 58) {
        QString line;
        for (int i = 0; i < 13; ++i) {
            seed = int((quint32(seed) * 1103515245u + 12345u) & 0x7fffffffu);
            line += QLatin1String(words[seed % 18]) + QLatin1Char(' ');
        }
        p.drawText(250, y, line);
    }
    p.end();
    return imaging::ops::toBitonal(canvas);
}

// The document, written once per run: a few distinct pages, copied raw to 1000.
const QString& documentPath() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString first = dir.filePath(QStringLiteral("seed.tif"));
        std::vector<imaging::PageSource> seed;
        for (int i = 0; i < 4; ++i)
            seed.push_back(imaging::PageSource::pixels(textPage(i + 1), 300, 300, {}));
        imaging::writeDocument(first, seed);
        const imaging::DocumentPtr doc = imaging::Document::open(first);
        std::vector<imaging::PageSource> pages;
        for (int i = 0; i < kPages; ++i)
            pages.push_back(imaging::PageSource::copy(doc, i % 4));
        const QString big = dir.filePath(QStringLiteral("thousand.tif"));
        imaging::writeDocument(big, pages);
        return big;
    }();
    return path;
}

QSize fittedToWidth(const imaging::PageInfo& info) {
    return QSize(kViewWidth, int(std::lround(double(info.height) * kViewWidth / info.width)));
}

// A page display as the main window holds it: 1200 pixels wide, no scroll bars.
std::unique_ptr<imaging::ImageEdit> makeDisplay() {
    auto edit = std::make_unique<imaging::ImageEdit>();
    edit->setScrollBars(false);
    edit->resize(kViewWidth, 900);
    edit->setDisplayScaleAlgorithm(imaging::kScaleGray);
    edit->show();
    return edit;
}

void showPage(imaging::ImageEdit& edit, int page) {
    edit.setPage(page);
    edit.display();
    if (!doubles::waitForRendering(edit, 10000)) throw std::runtime_error("rendering timed out");
    edit.viewport()->repaint(); // the page on screen, painted
}

void BM_ReferenceDecodeAndScalePage1(benchmark::State& state) {
    const imaging::DocumentPtr doc = imaging::Document::open(documentPath());
    const QSize box = fittedToWidth(doc->pageInfo(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(doc->decodePageScaled(0, box, true));
}

void BM_OpenAndShowPage1Fitted(benchmark::State& state) {
    documentPath();
    auto edit = makeDisplay();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        edit->setImage(documentPath());
        edit->setPage(1);
        edit->fitTo(imaging::kFitWidth);
        showPage(*edit, 1);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        // Untimed: let the prefetch of page 2 finish, then close.
        doubles::waitForIdle(*edit, 10000);
        edit->setImage(QString());
    }
}

void BM_NextPageWarm(benchmark::State& state) {
    auto edit = makeDisplay();
    edit->setImage(documentPath());
    edit->fitTo(imaging::kFitWidth);
    int page = 1;
    showPage(*edit, page);
    for (auto _ : state) {
        doubles::waitForIdle(*edit, 10000); // the next page is rendered ahead
        QElapsedTimer t;
        t.start();
        page = page % 50 + 1;
        showPage(*edit, page);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
    }
}

void BM_ReferenceChainWalkAndDecodeLast(benchmark::State& state) {
    const QSize box = fittedToWidth(imaging::Document::open(documentPath())->pageInfo(0));
    for (auto _ : state) {
        const imaging::DocumentPtr doc = imaging::Document::open(documentPath());
        benchmark::DoNotOptimize(doc->pageInfo(kPages - 1));
        benchmark::DoNotOptimize(doc->decodePageScaled(kPages - 1, box, true));
    }
}

void BM_JumpToLastPage(benchmark::State& state) {
    auto edit = makeDisplay();
    for (auto _ : state) {
        edit->setImage(documentPath());
        edit->fitTo(imaging::kFitWidth);
        showPage(*edit, 1);
        doubles::waitForIdle(*edit, 10000);
        QElapsedTimer t;
        t.start();
        showPage(*edit, kPages);
        state.SetIterationTime(t.nsecsElapsed() / 1e9);
        doubles::waitForIdle(*edit, 10000);
        edit->setImage(QString());
    }
}

BENCHMARK(BM_ReferenceDecodeAndScalePage1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndShowPage1Fitted)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextPageWarm)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceChainWalkAndDecodeLast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpToLastPage)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return benchsupport::runQtBenchmarks(argc, argv); }
