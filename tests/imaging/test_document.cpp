// Opening and decoding documents: every compression, sample layout, orientation and fill
// order the engine reads, multi-page access, resolution, scaled decoding and concurrency.
#include "CoreFixtures.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"
#include "support/TempDir.h"

#include <QImageWriter>
#include <QtConcurrent>
#include <gtest/gtest.h>

using namespace imaging;
using namespace corefx;

namespace {

// A marker pattern: a few black pixels at known places and a black 3x2 block, so that every
// mirror and turn of the page moves at least one of them somewhere else.
bool marker(int x, int y, int w, int h) {
    if (x == 1 && y == 0) return true;
    if (x == w - 1 && y == h - 1) return true;
    if (x >= 2 && x < 5 && y >= 3 && y < 5) return true;
    return x == w / 2 && y == 1;
}

// Where stored pixel (col c, row r) of a w x h page appears on screen for each TIFF
// orientation value (TIFF 6.0, Orientation tag).
QPoint displayed(int orientation, int c, int r, int w, int h) {
    switch (orientation) {
    case 1:
        return {c, r};
    case 2:
        return {w - 1 - c, r};
    case 3:
        return {w - 1 - c, h - 1 - r};
    case 4:
        return {c, h - 1 - r};
    case 5:
        return {r, c};
    case 6:
        return {h - 1 - r, c};
    case 7:
        return {h - 1 - r, w - 1 - c};
    case 8:
        return {r, w - 1 - c};
    }
    return {c, r};
}

void expectMarkers(const QImage& img, int orientation, int w, int h) {
    const bool turned = orientation >= 5;
    ASSERT_EQ(img.width(), turned ? h : w);
    ASSERT_EQ(img.height(), turned ? w : h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const QPoint p = displayed(orientation, c, r, w, h);
            ASSERT_EQ(isBlack(img, p.x(), p.y()), marker(c, r, w, h))
                << "orientation " << orientation << " stored (" << c << "," << r << ")";
        }
}

class DocumentTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    QString file(const char* name) { return dir.file(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(DocumentTest, BitonalPagesInEveryCompressionDecodeToTheirPixels) {
    const int w = 37, h = 11;
    const auto black = [&](int x, int y) { return marker(x, y, w, h); };
    for (uint16_t compression :
         {COMPRESSION_NONE, COMPRESSION_CCITTRLE, COMPRESSION_CCITTFAX3, COMPRESSION_CCITTFAX4,
          COMPRESSION_PACKBITS, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE}) {
        for (bool minIsWhite : {true, false}) {
            const QString path = file("bitonal.tif");
            writeTiff(path, {bitonalPage(w, h, minIsWhite, compression, black)});
            DocumentPtr doc = Document::open(path);
            ASSERT_EQ(doc->pageCount(), 1);
            const PageInfo info = doc->pageInfo(0);
            EXPECT_EQ(info.compressionCode, compression);
            EXPECT_TRUE(info.bitonal());
            const QImage img = doc->decodePage(0);
            EXPECT_EQ(img.format(), QImage::Format_Mono) << compression;
            EXPECT_EQ(qGray(img.color(0)), 255);
            expectMarkers(img, 1, w, h);
        }
    }
}

TEST_F(DocumentTest, EveryOrientationIsApplied) {
    const int w = 13, h = 7;
    const auto black = [&](int x, int y) { return marker(x, y, w, h); };
    for (int o = 1; o <= 8; ++o) {
        Page bitonal = bitonalPage(w, h, true, COMPRESSION_CCITTFAX4, black);
        bitonal.orientation = uint16_t(o);
        Page gray = grayPage(w, h, 8, [&](int x, int y) { return black(x, y) ? 0 : 255; });
        gray.orientation = uint16_t(o);
        gray.compression = COMPRESSION_LZW;
        const QString path = file("oriented.tif");
        writeTiff(path, {bitonal, gray});
        DocumentPtr doc = Document::open(path);
        for (int page = 0; page < 2; ++page) {
            const PageInfo info = doc->pageInfo(page);
            EXPECT_EQ(info.orientation, o);
            EXPECT_EQ(info.width, o >= 5 ? h : w);
            expectMarkers(doc->decodePage(page), o, w, h);
        }
    }
}

TEST_F(DocumentTest, FillOrderTwoIsHonoured) {
    const int w = 21, h = 5;
    const auto black = [&](int x, int y) { return marker(x, y, w, h); };
    // Uncompressed bits written by hand with the bits of each byte reversed.
    Page raw = bitonalPage(w, h, true, COMPRESSION_NONE, black);
    for (uint8_t& b : raw.samples) {
        uint8_t r = 0;
        for (int i = 0; i < 8; ++i)
            if (b & (1 << i)) r |= uint8_t(0x80 >> i);
        b = r;
    }
    raw.fillOrder = FILLORDER_LSB2MSB;
    raw.rawStrip = true;
    Page g4 = bitonalPage(w, h, true, COMPRESSION_CCITTFAX4, black);
    g4.fillOrder = FILLORDER_LSB2MSB;
    writeTiff(file("fill.tif"), {raw, g4});
    DocumentPtr doc = Document::open(file("fill.tif"));
    expectMarkers(doc->decodePage(0), 1, w, h);
    expectMarkers(doc->decodePage(1), 1, w, h);
}

TEST_F(DocumentTest, GrayPagesOfAllDepthsAndCompressionsAreReducedToEightBits) {
    const int w = 19, h = 6;
    for (uint16_t bps : {2, 4, 8, 16}) {
        const int max = (1 << bps) - 1;
        const auto value = [&](int x, int y) { return (x * 7 + y * 3) % (max + 1); };
        for (uint16_t compression :
             {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
            for (const char* mode : {"w", "wb"}) {
                Page p = grayPage(w, h, bps, value);
                p.compression = compression;
                p.rowsPerStrip = 2;
                writeTiff(file("gray.tif"), {p}, mode);
                const QImage img = Document::open(file("gray.tif"))->decodePage(0);
                ASSERT_EQ(img.format(), QImage::Format_Grayscale8);
                // Sixteen bits are scaled by the page's own range (here 0 to 141).
                const int top = bps == 16 ? 18 * 7 + 5 * 3 : max;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const int v = value(x, y);
                        const int expected = (v * 255 + top / 2) / top;
                        ASSERT_EQ(qGray(img.pixel(x, y)), expected)
                            << "bps " << bps << " compression " << compression << " " << mode;
                    }
            }
        }
    }
    // Sixteen bits with values across most of the range, white is zero: 0 to 54085.
    Page wide = grayPage(w, h, 16, [](int x, int y) { return x * 3000 + y * 17; });
    wide.photometric = PHOTOMETRIC_MINISWHITE;
    writeTiff(file("wide.tif"), {wide}, "wb");
    const QImage img = Document::open(file("wide.tif"))->decodePage(0);
    EXPECT_EQ(qGray(img.pixel(5, 2)), 255 - (((5 * 3000 + 2 * 17) * 255 + 54085 / 2) / 54085));
}

TEST_F(DocumentTest, ColourPalettesAndTilesDecode) {
    const int w = 37, h = 23;
    const auto colour = [](int x, int y) { return qRgb(x * 6, y * 10, (x + y) * 3); };
    // Contiguous and planar RGB, LZW, tiles of 16 x 16 over a page that is not a multiple.
    Page contig = rgbPage(w, h, colour);
    contig.compression = COMPRESSION_LZW;
    Page tiled = rgbPage(w, h, colour);
    tiled.compression = COMPRESSION_ADOBE_DEFLATE;
    tiled.tileWidth = 16;
    tiled.tileHeight = 16;
    Page planar = rgbPage(w, h, colour);
    planar.planar = PLANARCONFIG_SEPARATE;
    std::vector<uint8_t> planes(planar.samples.size());
    for (size_t i = 0; i < size_t(w) * h; ++i)
        for (int s = 0; s < 3; ++s)
            planes[size_t(s) * w * h + i] = planar.samples[i * 3 + size_t(s)];
    planar.samples = planes;
    // A 4-bit palette.
    Page palette = grayPage(w, h, 4, [](int x, int y) { return (x + y) % 16; });
    palette.photometric = PHOTOMETRIC_PALETTE;
    for (int i = 0; i < 16; ++i) {
        palette.red.push_back(uint16_t(i * 4096));
        palette.green.push_back(uint16_t(65535 - i * 4096));
        palette.blue.push_back(uint16_t(i % 2 ? 65535 : 0));
    }
    // A tiled bitonal page.
    Page tiledMono = bitonalPage(w, h, true, COMPRESSION_CCITTFAX4,
                                 [&](int x, int y) { return marker(x, y, w, h); });
    tiledMono.tileWidth = 16;
    tiledMono.tileHeight = 16;
    // RGBA with unassociated alpha.
    Page rgba;
    rgba.width = w;
    rgba.height = h;
    rgba.spp = 4;
    rgba.photometric = PHOTOMETRIC_RGB;
    rgba.extraSample = EXTRASAMPLE_UNASSALPHA;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = colour(x, y);
            rgba.samples.insert(rgba.samples.end(), {uint8_t(qRed(c)), uint8_t(qGreen(c)),
                                                     uint8_t(qBlue(c)), uint8_t(x * 5)});
        }
    writeTiff(file("colour.tif"), {contig, tiled, planar, palette, tiledMono, rgba});

    DocumentPtr doc = Document::open(file("colour.tif"));
    ASSERT_EQ(doc->pageCount(), 6);
    EXPECT_TRUE(doc->pageInfo(1).tiled);
    EXPECT_EQ(doc->pageInfo(0).bitDepth(), 24);
    for (int page = 0; page < 3; ++page) {
        const QImage img = doc->decodePage(page);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(img.pixel(x, y), colour(x, y)) << "page " << page << " " << x << "," << y;
    }
    const QImage pal = doc->decodePage(3);
    EXPECT_EQ(pal.pixel(3, 4), qRgb(7 * 16, 255 - 7 * 16, 255));
    EXPECT_EQ(pal.pixel(2, 4), qRgb(6 * 16, 255 - 6 * 16, 0));
    expectMarkers(doc->decodePage(4), 1, w, h);
    const QImage alpha = doc->decodePage(5);
    EXPECT_TRUE(alpha.hasAlphaChannel());
    EXPECT_EQ(qAlpha(alpha.pixel(7, 3)), 35);
    EXPECT_EQ(qRed(alpha.pixel(7, 3)), qRed(colour(7, 3)));
}

TEST_F(DocumentTest, JpegPagesDecodeCloseToTheirSource) {
    const int w = 64, h = 48;
    const auto colour = [](int x, int y) { return qRgb(x * 4, y * 5, 128); };
    Page ycbcr = rgbPage(w, h, colour);
    ycbcr.compression = COMPRESSION_JPEG;
    ycbcr.jpegRgb = true;
    ycbcr.rowsPerStrip = 16;
    Page gray = grayPage(w, h, 8, [](int x, int y) { return (x + y) * 2; });
    gray.compression = COMPRESSION_JPEG;
    writeTiff(file("jpeg.tif"), {ycbcr, gray});
    DocumentPtr doc = Document::open(file("jpeg.tif"));
    EXPECT_EQ(doc->pageInfo(0).compression, QStringLiteral("JPEG"));
    const QImage c = doc->decodePage(0);
    const QImage g = doc->decodePage(1);
    ASSERT_EQ(g.format(), QImage::Format_Grayscale8);
    int worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            worst = std::max({worst, std::abs(qRed(c.pixel(x, y)) - qRed(colour(x, y))),
                              std::abs(qGreen(c.pixel(x, y)) - qGreen(colour(x, y))),
                              std::abs(qGray(g.pixel(x, y)) - (x + y) * 2)});
        }
    EXPECT_LT(worst, 16);
}

TEST_F(DocumentTest, MultiPageFilesOfEveryVariantGiveEachPageAndItsFacts) {
    for (const char* mode : {"w", "wb", "w8"}) {
        std::vector<Page> pages;
        for (int i = 0; i < 9; ++i) {
            Page p = bitonalPage(20 + i, 10 + i, true, COMPRESSION_CCITTFAX4,
                                 [i](int x, int y) { return x == i && y == i; });
            p.dpi = float(100 + i);
            pages.push_back(p);
        }
        writeTiff(file("multi.tif"), pages, mode);
        DocumentPtr doc = Document::open(file("multi.tif"));
        ASSERT_EQ(doc->pageCount(), 9) << mode;
        EXPECT_EQ(doc->fileType(), kFileTiff);
        for (int i : {8, 0, 4, 5, 1, 8}) { // jumps in any order
            const PageInfo info = doc->pageInfo(i);
            EXPECT_EQ(info.width, 20 + i);
            EXPECT_EQ(info.height, 10 + i);
            EXPECT_DOUBLE_EQ(info.xDpi, 100 + i);
            EXPECT_EQ(info.compression, QStringLiteral("CCITT G4"));
            const QImage img = doc->decodePage(i);
            ASSERT_EQ(img.width(), 20 + i);
            EXPECT_TRUE(isBlack(img, i, i));
            EXPECT_FALSE(isBlack(img, i + 1, i));
            EXPECT_NEAR(img.dotsPerMeterX() * 0.0254, 100 + i, 0.05); // stored per metre
        }
        try {
            doc->decodePage(9);
            FAIL() << "page 10 of 9";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), kErrBadPage);
        }
    }
}

TEST_F(DocumentTest, BmpPngAndJpegFilesAreOnePageDocuments) {
    QImage src(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            src.setPixel(x, y, qRgb(x * 8, y * 12, 50));
    src.setDotsPerMeterX(int(150 / 0.0254));
    src.setDotsPerMeterY(int(150 / 0.0254));
    struct Case {
        const char* name;
        const char* format;
        int type;
    } cases[] = {
        {"a.bmp", "bmp", kFileBmp}, {"a.png", "png", kFilePng}, {"a.jpg", "jpeg", kFileJpeg}};
    for (const Case& c : cases) {
        ASSERT_TRUE(QImageWriter(file(c.name), c.format).write(src));
        DocumentPtr doc = Document::open(file(c.name));
        EXPECT_EQ(doc->fileType(), c.type);
        EXPECT_EQ(doc->pageCount(), 1);
        const PageInfo info = doc->pageInfo(0);
        EXPECT_EQ(info.width, 30);
        EXPECT_EQ(info.height, 20);
        if (c.type != kFileJpeg) // Qt's JPEG writer states no density
            EXPECT_NEAR(info.xDpi, 150, 0.5) << c.name;
        const QImage img = doc->decodePage(0);
        EXPECT_NEAR(qRed(img.pixel(10, 5)), 80, c.type == kFileJpeg ? 12 : 0);
        EXPECT_TRUE(doc->annotations(0).empty());
    }
    // A 1-bit BMP comes back bitonal, white at index 0.
    QImage mono(16, 8, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)}); // black first, on purpose
    mono.fill(1);
    mono.setPixel(3, 2, 0);
    ASSERT_TRUE(QImageWriter(file("mono.bmp"), "bmp").write(mono));
    const QImage back = Document::open(file("mono.bmp"))->decodePage(0);
    ASSERT_EQ(back.format(), QImage::Format_Mono);
    EXPECT_EQ(qGray(back.color(0)), 255);
    EXPECT_TRUE(isBlack(back, 3, 2));
    EXPECT_FALSE(isBlack(back, 4, 2));
}

TEST_F(DocumentTest, AwdAndUnknownFilesAreRefusedClearly) {
    QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    ole.append(512, '\0');
    writeFile(file("fax.awd"), ole);
    writeFile(file("fax2.awd"), QByteArray("not really anything"));
    writeFile(file("notes.txt"), QByteArray("plain text, not an image"));
    writeFile(file("empty.tif"), QByteArray());
    const struct {
        const char* name;
        int number;
        const char* words;
    } cases[] = {{"fax.awd", kErrUnsupported, "AWD"},
                 {"fax2.awd", kErrUnsupported, "AWD"},
                 {"notes.txt", kErrUnsupported, "not an image"},
                 {"empty.tif", kErrBadFile, "empty"},
                 {"missing.tif", kErrFileNotFound, "not found"}};
    for (const auto& c : cases) {
        try {
            Document::open(file(c.name));
            ADD_FAILURE() << c.name << " opened";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), c.number) << c.name;
            EXPECT_TRUE(e.description().contains(QLatin1String(c.words), Qt::CaseInsensitive))
                << qPrintable(e.description());
        }
    }
}

TEST_F(DocumentTest, GrayScalingAveragesBitonalPagesAreaByArea) {
    // 400 x 300 page: left half a one-pixel checkerboard, right half black in the top half.
    const int w = 400, h = 300;
    const auto black = [](int x, int y) { return x < 200 ? (x + y) % 2 == 0 : y < 150; };
    for (int orientation : {1, 6}) {
        Page p = bitonalPage(w, h, true, COMPRESSION_CCITTFAX4, black);
        p.orientation = uint16_t(orientation);
        p.rowsPerStrip = 7;
        writeTiff(file("scaled.tif"), {p});
        DocumentPtr doc = Document::open(file("scaled.tif"));
        const QImage gray = doc->decodePageScaled(0, QSize(100, 100), true);
        const QImage full = doc->decodePage(0);
        ASSERT_EQ(gray.format(), QImage::Format_Grayscale8);
        ASSERT_EQ(std::max(gray.width(), gray.height()), 100);
        // Every target pixel must be the share of white of the source block it covers.
        const double sx = double(full.width()) / gray.width(),
                     sy = double(full.height()) / gray.height();
        for (int ty = 0; ty < gray.height(); ty += 7)
            for (int tx = 0; tx < gray.width(); tx += 7) {
                int white = 0, n = 0;
                for (int y = int(ty * sy); y < int((ty + 1) * sy); ++y)
                    for (int x = int(tx * sx); x < int((tx + 1) * sx); ++x, ++n)
                        white += isBlack(full, x, y) ? 0 : 1;
                ASSERT_NEAR(qGray(gray.pixel(tx, ty)), 255.0 * white / n, 2.0)
                    << "orientation " << orientation << " at " << tx << "," << ty;
            }
        // Without gray scaling a bitonal page stays bitonal.
        EXPECT_EQ(doc->decodePageScaled(0, QSize(100, 100), false).depth(), 1);
    }
}

TEST_F(DocumentTest, ColourPagesAreHeldAtThreeBytesAPixelAndScaledAreaByArea) {
    // 300 x 198 RGB page: each channel a different function of the position.
    const auto rgb = [](int x, int y) { return qRgb(x % 256, (y * 3) % 256, (x * y) % 251); };
    writeTiff(file("colour.tif"), {rgbPage(300, 198, rgb)});
    DocumentPtr doc = Document::open(file("colour.tif"));
    const QImage full = doc->decodePage(0);
    ASSERT_EQ(full.depth(), 24);
    for (int y = 0; y < 198; y += 13)
        for (int x = 0; x < 300; x += 11)
            ASSERT_EQ(full.pixel(x, y), rgb(x, y)) << x << "," << y;
    // Shrunk to a third: every target pixel is the mean of the 3 x 3 block it covers.
    const QImage small = doc->decodePageScaled(0, QSize(100, 100), true);
    ASSERT_EQ(small.size(), QSize(100, 66));
    for (int ty = 0; ty < 66; ty += 5)
        for (int tx = 0; tx < 100; tx += 7) {
            double r = 0, g = 0, b = 0;
            for (int y = ty * 3; y < ty * 3 + 3; ++y)
                for (int x = tx * 3; x < tx * 3 + 3; ++x) {
                    r += qRed(rgb(x, y));
                    g += qGreen(rgb(x, y));
                    b += qBlue(rgb(x, y));
                }
            const QRgb got = small.pixel(tx, ty);
            ASSERT_NEAR(qRed(got), r / 9, 1.0) << tx << "," << ty;
            ASSERT_NEAR(qGreen(got), g / 9, 1.0) << tx << "," << ty;
            ASSERT_NEAR(qBlue(got), b / 9, 1.0) << tx << "," << ty;
        }
}

TEST_F(DocumentTest, PagesDecodeConcurrentlyFromWorkerThreads) {
    std::vector<Page> pages;
    for (int i = 0; i < 24; ++i)
        pages.push_back(bitonalPage(64, 64, true, COMPRESSION_CCITTFAX4,
                                    [i](int x, int y) { return x == i && y < 40; }));
    writeTiff(file("threads.tif"), pages);
    DocumentPtr doc = Document::open(file("threads.tif"));
    std::vector<int> order;
    for (int round = 0; round < 8; ++round)
        for (int i = 0; i < 24; ++i)
            order.push_back((i * 7 + round) % 24);
    const QList<int> bad = QtConcurrent::blockingMapped<QList<int>>(order, [&](int i) {
        const QImage img =
            (i % 2) ? doc->decodePage(i) : doc->decodePageScaled(i, QSize(64, 64), false);
        return isBlack(img, i, 10) && !isBlack(img, (i + 1) % 64, 10) ? -1 : i;
    });
    EXPECT_EQ(std::count(bad.begin(), bad.end(), -1), qsizetype(order.size()));
}

TEST_F(DocumentTest, ADocumentKeepsReadingTheFileItOpenedAfterItIsReplaced) {
    writeTiff(file("snap.tif"), {grayPage(8, 8, 8, [](int, int) { return 10; })});
    DocumentPtr before = Document::open(file("snap.tif"));
    // Replace the file by rename, as every save does.
    writeTiff(file("new.tif"), {grayPage(8, 8, 8, [](int, int) { return 200; }),
                                grayPage(8, 8, 8, [](int, int) { return 201; })});
    ASSERT_EQ(::rename(qPrintable(file("new.tif")), qPrintable(file("snap.tif"))), 0);
    EXPECT_EQ(qGray(before->decodePage(0).pixel(1, 1)), 10);
    EXPECT_EQ(Document::open(file("snap.tif"))->pageCount(), 2);
}
