// Scans generated pages into a file page by page, for the test that kills a scan at random
// moments:   scan_append_helper DEST FIRST COUNT [open]
// adds pages FIRST, FIRST+1, ... FIRST+COUNT-1 at the end of DEST (created by the first page
// when it does not exist) through the scanner's page target, and prints the number of pages
// finished after each one ("ready" before the first). With "open", DEST is open in a
// document model during the scan (as a record shown in the viewer), so the pages go through it. Page k carries its number k as a row of
// black squares (bit b of k: the square at x = 40 + 50 b, y = 40), under lines of "text".
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/scanning/ScannerTarget.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <cstdio>

using namespace imaging;

namespace {

QImage markedPage(int k) {
    QImage img(850, 1100, QImage::Format_Mono);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    img.fill(0);
    for (int y = 200; y < 1000; y += 24)
        for (int x = 60; x < 780; x += 7 + (x * 31 + y + k) % 11)
            for (int yy = y; yy < y + 9; ++yy)
                for (int xx = x; xx < x + 4; ++xx) img.setPixel(xx, yy, 1);
    for (int b = 0; b < 14; ++b)
        if (k & (1 << b))
            for (int y = 40; y < 80; ++y)
                for (int x = 40 + 50 * b; x < 80 + 50 * b; ++x) img.setPixel(x, y, 1);
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: scan_append_helper DEST FIRST COUNT [open]\n");
        return 2;
    }
    const QString dest = QString::fromLocal8Bit(argv[1]);
    const int first = std::atoi(argv[2]), count = std::atoi(argv[3]);
    try {
        std::shared_ptr<DocumentModel> shown;
        if (argc == 5 && QFileInfo::exists(dest)) shown = DocumentModel::acquire(dest);
        ScanTarget target(dest, kScanAppend, 0);
        std::printf("ready\n");
        std::fflush(stdout);
        for (int k = first; k < first + count; ++k) {
            target.addPage({markedPage(k), 100, 100});
            std::printf("%d\n", k + 1);
            std::fflush(stdout);
        }
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
