#pragma once
// Tiny marked pages for the page-command tests: page label L (0..255) is written as 8 bits,
// least significant first, in 8x8 black blocks along the top edge, with a black block in the
// bottom-right corner (the scanner double's marks, read back by FakeScanner::readLabel); an
// optional second number goes into the row of blocks below, so a thousand pages all differ.
#include "doubles/ScannerFake.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/PageOps.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QStringList>
#include <vector>

namespace capturetest {

inline QImage markedPage(int label, int extra = 0, QSize size = QSize(80, 24)) {
    QImage page(size, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    auto block = [&page](int bx, int by) {
        for (int y = by * 8; y < by * 8 + 8; ++y)
            for (int x = bx * 8; x < bx * 8 + 8; ++x) page.setPixel(x, y, 1);
    };
    for (int bit = 0; bit < 8; ++bit) {
        if (label & (1 << bit)) block(bit, 0);
        if (extra & (1 << bit)) block(bit, 1);
    }
    for (int y = size.height() - 8; y < size.height(); ++y)
        for (int x = size.width() - 8; x < size.width(); ++x) page.setPixel(x, y, 1);
    return page;
}

// A TIFF of marked 1-bit pages at 100 dpi (native path).
inline void writeMarked(const QString& nativePath, const std::vector<int>& labels) {
    QDir().mkpath(QFileInfo(nativePath).absolutePath());
    std::vector<imaging::PageSource> pages;
    for (int label : labels)
        pages.push_back(imaging::PageSource::pixels(markedPage(label), 100, 100, {}));
    imaging::writeDocument(nativePath, pages);
}

// The labels of a file's pages (-1 for a page without marks, such as a scanned one).
inline std::vector<int> labelsOf(const QString& nativePath) {
    const imaging::DocumentPtr doc = imaging::Document::open(nativePath);
    std::vector<int> out;
    for (int i = 0; i < doc->pageCount(); ++i)
        out.push_back(doubles::FakeScanner::readLabel(doc->decodePage(i)));
    return out;
}

} // namespace capturetest
