#include "imaging/pixels/BlankPage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace imaging {

namespace {

constexpr int kCell = 4;

// Ink pixels of every 4 x 4 cell, row by row.
std::vector<quint8> cellInk(const QImage& page, int cw, int ch) {
    std::vector<quint8> cells(size_t(cw) * size_t(ch), 0);
    const int w = page.width(), h = page.height();
    if (page.format() == QImage::Format_Mono) {
        const bool oneIsInk = page.colorCount() < 2 || qGray(page.color(1)) < qGray(page.color(0));
        const int bytes = (w + 7) / 8;
        for (int y = 0; y < h; ++y) {
            const uchar* line = page.constScanLine(y);
            quint8* row = &cells[size_t(y / kCell) * size_t(cw)];
            for (int b = 0; b < bytes; ++b) {
                uchar v = oneIsInk ? line[b] : uchar(~line[b]);
                if (b == bytes - 1 && (w & 7)) v &= uchar(0xff << (8 - (w & 7)));
                if (!v) continue;
                row[2 * b] += quint8(std::popcount(unsigned(v >> 4)));
                if (2 * b + 1 < cw) row[2 * b + 1] += quint8(std::popcount(unsigned(v & 15)));
            }
        }
        return cells;
    }
    const QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        const uchar* line = gray.constScanLine(y);
        quint8* row = &cells[size_t(y / kCell) * size_t(cw)];
        for (int x = 0; x < w; ++x)
            if (line[x] < 128) ++row[x / kCell];
    }
    return cells;
}

} // namespace

BlankPageResult measureBlankPage(const QImage& page, double dpi, double thresholdPercent) {
    BlankPageResult result;
    if (page.isNull()) {
        result.blank = true;
        return result;
    }
    if (dpi <= 0) dpi = 300;
    const int cw = (page.width() + kCell - 1) / kCell, ch = (page.height() + kCell - 1) / kCell;
    std::vector<quint8> cells = cellInk(page, cw, ch);
    const double speck = dpi / 50.0;                        // pixels
    const double holeMin = 0.15 * dpi, holeMax = 0.45 * dpi; // pixels
    const double band = 0.75 * dpi; // pixels: where edge shadows lie

    // Marks: 8-connected groups of cells with ink.
    std::vector<int> stack;
    quint64 ink = 0;
    for (int start = 0; start < cw * ch; ++start) {
        if (!cells[size_t(start)]) continue;
        int x0 = cw, y0 = ch, x1 = -1, y1 = -1;
        quint64 markInk = 0, markInterior = 0;
        auto take = [&](int n) {
            const int nx = n % cw, ny = n / cw;
            markInk += cells[size_t(n)];
            if (nx * kCell >= band && (cw - 1 - nx) * kCell >= band && ny * kCell >= band &&
                (ch - 1 - ny) * kCell >= band)
                markInterior += cells[size_t(n)];
            cells[size_t(n)] = 0;
        };
        stack.assign(1, start);
        take(start);
        while (!stack.empty()) {
            const int c = stack.back();
            stack.pop_back();
            const int cx = c % cw, cy = c / cw;
            x0 = std::min(x0, cx), x1 = std::max(x1, cx), y0 = std::min(y0, cy), y1 = std::max(y1, cy);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = cx + dx, ny = cy + dy;
                    if (nx < 0 || ny < 0 || nx >= cw || ny >= ch) continue;
                    const int n = ny * cw + nx;
                    if (!cells[size_t(n)]) continue;
                    take(n);
                    stack.push_back(n);
                }
        }
        const double wPx = double(x1 - x0 + 1) * kCell, hPx = double(y1 - y0 + 1) * kCell;
        // Cells are coarse: a speck of 1-2 pixels can span two cells.
        if (wPx <= std::max(speck, 2.0 * kCell) && hPx <= std::max(speck, 2.0 * kCell)) continue;
        // A scanner's shadow or a skewed sheet's border touches the edge and stays in a band
        // along it; what a mark touching the edge has beyond that band (a dark page, a
        // picture running off the edge) is ink.
        if (x0 == 0 || y0 == 0 || x1 == cw - 1 || y1 == ch - 1) {
            ink += markInterior;
            continue;
        }
        const double fill = double(markInk) / (wPx * hPx);
        const double aspect = wPx / hPx;
        if (wPx >= holeMin && wPx <= holeMax && aspect > 0.75 && aspect < 1.33 && fill > 0.55)
            continue; // a punch hole
        ink += markInk;
    }
    result.inkPercent = 100.0 * double(ink) / (double(page.width()) * double(page.height()));
    result.blank = result.inkPercent < thresholdPercent;
    return result;
}

} // namespace imaging
