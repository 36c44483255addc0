#pragma once
// Tiny documents for the administration, thumbnail and print tests, written with libtiff
// directly (not through the engine), and a reader that identifies pages by their marker
// through Qt's own TIFF reader.
//
// A marked page is white with one black band: page id k has rows [kBand*k, kBand*k+kBand)
// black over the left half of the page, so the id can be read back from the pixels and a
// page turned upside down or swapped with another is noticed.
#include "imaging/pixels/ImagingError.h"

#include <QImage>
#include <QImageReader>
#include <QString>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <vector>

namespace fixtures {

inline constexpr int kBand = 8;

// Runs `f` and returns the number of the imaging::Error it raised (0 when none).
template <class F> int errorOf(F&& f) {
    try {
        f();
    } catch (const imaging::Error& e) {
        return e.number();
    }
    return 0;
}

struct FixturePage {
    QImage image; // Format_Mono (written 1-bit G4), Grayscale8 or RGB32
    double xDpi = 200;
    double yDpi = 200;
};

inline QImage markedPage(int id, QSize size = QSize(120, 200), bool mono = true, int band = kBand) {
    QImage page(size, QImage::Format_Grayscale8);
    page.fill(255);
    for (int y = band * id; y < band * id + band && y < size.height(); ++y)
        for (int x = 0; x < size.width() / 2; ++x)
            page.setPixel(x, y, qRgb(0, 0, 0));
    return mono ? page.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither) : page;
}

// The id of a marked page: the band whose left half is darkest; -1 when none is dark.
inline int pageId(const QImage& image, int band = kBand) {
    const QImage g = image.convertToFormat(QImage::Format_Grayscale8);
    int best = -1;
    double bestDark = 0;
    for (int id = 0; band * id + band <= g.height(); ++id) {
        double dark = 0;
        for (int y = band * id; y < band * id + band; ++y)
            for (int x = 0; x < g.width() / 2; ++x)
                dark += 255 - g.constScanLine(y)[x];
        dark /= band * (g.width() / 2) * 255.0;
        if (dark > bestDark) {
            bestDark = dark;
            best = id;
        }
    }
    return bestDark > 0.5 ? best : -1;
}

inline void writeTiff(const QString& path, const std::vector<FixturePage>& pages) {
    TIFF* tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
    ASSERT_NE(tif, nullptr) << path.toStdString();
    for (const FixturePage& page : pages) {
        const QImage& im = page.image;
        const bool mono = im.depth() == 1;
        const bool gray = im.format() == QImage::Format_Grayscale8;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, im.width());
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, im.height());
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, mono ? 1 : 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, mono || gray ? 1 : 3);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                     mono   ? PHOTOMETRIC_MINISWHITE
                     : gray ? PHOTOMETRIC_MINISBLACK
                            : PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, mono ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, im.height());
        if (page.xDpi > 0) {
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(page.xDpi));
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(page.yDpi));
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        }
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        std::vector<uint8_t> row(im.width() * 3 + 8);
        for (int y = 0; y < im.height(); ++y) {
            std::fill(row.begin(), row.end(), 0);
            for (int x = 0; x < im.width(); ++x) {
                const QRgb c = im.pixel(x, y);
                if (mono) {
                    if (qGray(c) < 128) // MINISWHITE: 1 is black
                        row[x / 8] |= uint8_t(0x80 >> (x % 8));
                } else if (gray) {
                    row[x] = uint8_t(qGray(c));
                } else {
                    row[3 * x] = uint8_t(qRed(c));
                    row[3 * x + 1] = uint8_t(qGreen(c));
                    row[3 * x + 2] = uint8_t(qBlue(c));
                }
            }
            ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
        }
        ASSERT_EQ(TIFFWriteDirectory(tif), 1);
    }
    TIFFClose(tif);
}

// A bitonal document whose pages carry the ids given.
inline void writeMarked(const QString& path, const std::vector<int>& ids,
                        QSize size = QSize(120, 200), int band = kBand) {
    std::vector<FixturePage> pages;
    for (int id : ids)
        pages.push_back({markedPage(id, size, true, band), 200, 200});
    writeTiff(path, pages);
}

// Ids of the pages of a file, read with Qt's TIFF reader.
inline std::vector<int> readIds(const QString& path, int band = kBand) {
    std::vector<int> ids;
    QImageReader reader(path);
    const int count = reader.imageCount();
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i)) break;
        ids.push_back(pageId(reader.read(), band));
    }
    return ids;
}

} // namespace fixtures
