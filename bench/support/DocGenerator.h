#pragma once
// Realistic documents for the benchmarks, written with libtiff the way a scanning program
// writes them (each page's strip followed by its directory), and cached between runs in
// <temp>/docuvane-bench-v1.
//
// Bitonal documents: 300 dpi Letter pages (2550 x 3300) that look like printed text: a
// header, lines of word-like blobs built from letter-sized strokes, a few rules; CCITT G4,
// one strip a page, about 90 KB a page. Forty distinct pages are encoded once and their
// compressed strips reused for longer documents. The gray document: the same pages as
// 8-bit gray (slightly off-white paper, soft edges), JPEG quality 75.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QString>
#include <cstdint>
#include <stdexcept>
#include <tiffio.h>
#include <vector>

namespace benchsupport {

inline constexpr int kPageWidth = 2550, kPageHeight = 3300, kDpi = 300;

inline QString cacheDir() {
    const QString dir = QDir::tempPath() + QStringLiteral("/docuvane-bench-v1");
    QDir().mkpath(dir);
    return dir;
}

// One page of text-like marks; bit 1 = black (as stored with white-is-zero).
inline std::vector<uint8_t> textPage(int seed) {
    const int w = kPageWidth, h = kPageHeight, rowBytes = (w + 7) / 8;
    std::vector<uint8_t> bits(size_t(rowBytes) * h, 0);
    auto fill = [&](int x0, int y0, int x1, int y1) {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, w), y1 = std::min(y1, h);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                bits[size_t(y) * rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
    };
    QRandomGenerator rng{quint32(seed) * 7919u + 17u};
    // Scanned strokes have ragged edges: rows of a letter's stroke move by a pixel.
    auto stroke = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y) {
            const int left = rng.bounded(3) < 2 ? int(rng.bounded(3)) - 1 : 0;
            const int right = rng.bounded(3) < 2 ? int(rng.bounded(3)) - 1 : 0;
            fill(x0 + left, y, x1 + right, y + 1);
        }
    };
    const int left = 300, right = w - 300;
    int y = 300;
    // A header in larger letters and a rule under it.
    for (int x = left; x < left + 1200; x += 44)
        if (rng.bounded(6) != 0) fill(x, y, x + 30, y + 60);
    y += 100;
    fill(left, y, right, y + 4);
    y += 60;
    while (y + 40 < h - 300) {
        int x = left + (rng.bounded(8) == 0 ? 120 : 0); // some paragraphs indented
        const int lineEnd = rng.bounded(10) == 0 ? left + int(rng.bounded(right - left)) : right;
        while (x < lineEnd - 60) {
            const int letters = 2 + int(rng.bounded(9));
            for (int l = 0; l < letters && x < lineEnd; ++l) {
                const int lw = 16 + int(rng.bounded(8));
                const bool tall = rng.bounded(4) == 0, low = rng.bounded(9) == 0;
                const int top = y + (tall ? 0 : 11), bottom = y + 34 + (low ? 11 : 0);
                // A letter: one or two stems and a bowl or bar.
                stroke(x, top, x + 4, bottom);
                if (rng.bounded(2)) stroke(x + lw - 5, y + 11, x + lw - 1, y + 34);
                const int bar = y + 11 + int(rng.bounded(3)) * 11;
                stroke(x, bar, x + lw - 1, bar + 4);
                if (rng.bounded(3) == 0) stroke(x, y + 30, x + lw - 1, y + 34);
                x += lw + 4;
            }
            x += 18; // space between words
        }
        y += 50 + (rng.bounded(12) == 0 ? 50 : 0); // 12 pt lines, some blank lines
    }
    // Specks of dust.
    for (int i = 0; i < 2500; ++i) {
        const int sx = int(rng.bounded(w - 2)), sy = int(rng.bounded(h - 2));
        fill(sx, sy, sx + 1 + int(rng.bounded(2)), sy + 1 + int(rng.bounded(2)));
    }
    return bits;
}

namespace detail {

inline void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("benchmark documents: ") + what);
}

inline void pageTags(TIFF* tif, uint16_t bps, uint16_t photometric, uint16_t compression, int page,
                     int pages) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(kPageWidth));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(kPageHeight));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bps);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(kDpi));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(kDpi));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(page), uint16_t(pages));
}

// The G4 strips of the forty distinct pages.
inline const std::vector<std::vector<uint8_t>>& g4Strips() {
    static const std::vector<std::vector<uint8_t>> strips = [] {
        const QString path = cacheDir() + QStringLiteral("/distinct-40.tif");
        if (!QFile::exists(path)) {
            const QString tmp = path + QStringLiteral(".part");
            TIFF* tif = TIFFOpen(QFile::encodeName(tmp).constData(), "w");
            check(tif, "create");
            for (int i = 0; i < 40; ++i) {
                pageTags(tif, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, i, 40);
                TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(kPageHeight));
                std::vector<uint8_t> bits = textPage(i);
                check(TIFFWriteEncodedStrip(tif, 0, bits.data(), tmsize_t(bits.size())) >= 0,
                      "encode");
                check(TIFFWriteDirectory(tif), "directory");
            }
            TIFFClose(tif);
            QFile::rename(tmp, path);
        }
        std::vector<std::vector<uint8_t>> out;
        TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
        check(tif, "open");
        do {
            std::vector<uint8_t> raw(size_t(TIFFRawStripSize(tif, 0)));
            check(TIFFReadRawStrip(tif, 0, raw.data(), tmsize_t(raw.size())) >= 0, "read");
            out.push_back(std::move(raw));
        } while (TIFFReadDirectory(tif));
        TIFFClose(tif);
        return out;
    }();
    return strips;
}

} // namespace detail

// A bitonal G4 document of `pages` text pages (cached).
inline QString bitonalDocument(int pages) {
    const QString path = cacheDir() + QStringLiteral("/bitonal-%1.tif").arg(pages);
    if (QFile::exists(path)) return path;
    const auto& strips = detail::g4Strips();
    const QString tmp = path + QStringLiteral(".part");
    TIFF* tif = TIFFOpen(QFile::encodeName(tmp).constData(), "w");
    detail::check(tif, "create");
    for (int i = 0; i < pages; ++i) {
        detail::pageTags(tif, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, i, pages);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(kPageHeight));
        const auto& raw = strips[size_t(i) % strips.size()];
        detail::check(
            TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(raw.data()), tmsize_t(raw.size())) >= 0,
            "write");
        detail::check(TIFFWriteDirectory(tif), "directory");
    }
    TIFFClose(tif);
    QFile::rename(tmp, path);
    return path;
}

// An 8-bit gray JPEG document of `pages` pages (cached).
inline QString grayJpegDocument(int pages) {
    const QString path = cacheDir() + QStringLiteral("/gray-jpeg-%1.tif").arg(pages);
    if (QFile::exists(path)) return path;
    const QString tmp = path + QStringLiteral(".part");
    TIFF* tif = TIFFOpen(QFile::encodeName(tmp).constData(), "w");
    detail::check(tif, "create");
    const int distinct = std::min(pages, 10);
    std::vector<std::vector<uint8_t>> grays;
    for (int i = 0; i < distinct; ++i) {
        const std::vector<uint8_t> bits = textPage(100 + i);
        std::vector<uint8_t> g(size_t(kPageWidth) * kPageHeight);
        const int rowBytes = (kPageWidth + 7) / 8;
        QRandomGenerator noise{quint32(i)};
        for (int y = 0; y < kPageHeight; ++y)
            for (int x = 0; x < kPageWidth; ++x) {
                const bool black = bits[size_t(y) * rowBytes + x / 8] & (0x80 >> (x % 8));
                g[size_t(y) * kPageWidth + x] =
                    uint8_t(black ? 40 + noise.bounded(30) : 225 + noise.bounded(12));
            }
        grays.push_back(std::move(g));
    }
    for (int i = 0; i < pages; ++i) {
        detail::pageTags(tif, 8, PHOTOMETRIC_MINISBLACK, COMPRESSION_JPEG, i, pages);
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 75);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(64));
        const auto& g = grays[size_t(i % distinct)];
        for (uint32_t s = 0, y = 0; y < uint32_t(kPageHeight); y += 64, ++s) {
            const uint32_t rows = std::min<uint32_t>(64, uint32_t(kPageHeight) - y);
            detail::check(TIFFWriteEncodedStrip(
                              tif, s, const_cast<uint8_t*>(g.data() + size_t(y) * kPageWidth),
                              tmsize_t(rows) * kPageWidth) >= 0,
                          "encode");
        }
        detail::check(TIFFWriteDirectory(tif), "directory");
    }
    TIFFClose(tif);
    QFile::rename(tmp, path);
    return path;
}

// A one-page bitonal document (the page to insert).
inline QString onePageDocument() {
    return bitonalDocument(1);
}

} // namespace benchsupport
