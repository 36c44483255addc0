// Files other programs write: samples of 3 to 64 bits, signed and floating point, 16-bit
// CMYK, LogLuv, and files whose page chain loops back. Each page is generated with libtiff;
// marker pixels hold the page's smallest and largest values, so the 8-bit picture proves
// that deeper samples are scaled by their actual range.
#include "CoreFixtures.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"
#include "support/TempDir.h"

#include <QtEndian>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <qfloat16.h>

using namespace imaging;
using namespace corefx;

namespace {

constexpr int kW = 9, kH = 5;

// Stores `v` as sample `i` of `row` (whole-byte samples in this machine's order, other
// depths packed most significant bit first).
void putSample(uint8_t* row, size_t i, int bps, uint16_t format, double v) {
    if (format == SAMPLEFORMAT_IEEEFP) {
        if (bps == 16) {
            const qfloat16 f{float(v)};
            std::memcpy(row + 2 * i, &f, 2);
        } else if (bps == 32) {
            const float f = float(v);
            std::memcpy(row + 4 * i, &f, 4);
        } else {
            std::memcpy(row + 8 * i, &v, 8);
        }
        return;
    }
    const quint64 raw = format == SAMPLEFORMAT_INT ? quint64(qint64(v)) : quint64(v);
    switch (bps) {
    case 8: row[i] = uint8_t(raw); return;
    case 16: { const uint16_t s = uint16_t(raw); std::memcpy(row + 2 * i, &s, 2); return; }
    case 32: { const uint32_t s = uint32_t(raw); std::memcpy(row + 4 * i, &s, 4); return; }
    default:
        for (int b = 0; b < bps; ++b) {
            const size_t at = i * size_t(bps) + size_t(b);
            if ((raw >> (bps - 1 - b)) & 1) row[at / 8] |= uint8_t(0x80 >> (at % 8));
        }
    }
}

// A page whose sample s of pixel (x, y) is value(x, y, s).
Page deepPage(uint16_t photometric, uint16_t spp, uint16_t bps, uint16_t format,
              const std::function<double(int, int, int)>& value) {
    Page p;
    p.width = kW;
    p.height = kH;
    p.bps = bps;
    p.spp = spp;
    p.photometric = photometric;
    p.sampleFormat = format;
    const size_t rb = rowBytes(p);
    p.samples.assign(rb * kH, 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            for (int s = 0; s < spp; ++s)
                putSample(p.samples.data() + size_t(y) * rb, size_t(x) * spp + size_t(s), bps,
                          format, value(x, y, s));
    return p;
}

// The gray values of a page: the darkest at (1, 1), the brightest at (7, 3), a value a
// quarter of the way at (4, 2), the others spread between.
struct Range {
    double lo, hi;
    bool integral = true; // integer samples hold whole numbers
    double at(int x, int y) const {
        double v = lo + (hi - lo) * (0.3 + 0.4 * ((x * 3 + y * 5) % 11) / 10.0);
        if (x == 1 && y == 1) v = lo;
        if (x == 7 && y == 3) v = hi;
        if (x == 4 && y == 2) v = lo + (hi - lo) / 4;
        return integral ? std::round(v) : v;
    }
    // What the value of pixel (x, y) shows as, scaled from [lo, hi] to 0..255.
    int expected(int x, int y) const {
        return int(std::lround((at(x, y) - lo) * 255.0 / (hi - lo)));
    }
};

void expectScaledGray(const QImage& img, const Range& r, bool inverted, const std::string& what) {
    ASSERT_EQ(img.size(), QSize(kW, kH)) << what;
    ASSERT_EQ(img.format(), QImage::Format_Grayscale8) << what;
    EXPECT_EQ(qGray(img.pixel(1, 1)), inverted ? 255 : 0) << what;
    EXPECT_EQ(qGray(img.pixel(7, 3)), inverted ? 0 : 255) << what;
    EXPECT_NEAR(qGray(img.pixel(4, 2)), inverted ? 191 : 64, 1) << what;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const int e = r.expected(x, y);
            ASSERT_NEAR(qGray(img.pixel(x, y)), inverted ? 255 - e : e, 1)
                << what << " at " << x << "," << y;
        }
}

class ForeignTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    QString file(const QString& name) const { return dir.file(name); }
};

} // namespace

TEST_F(ForeignTest, DeepGrayPagesAreScaledByTheirOwnRange) {
    struct Case {
        const char* name;
        uint16_t bps, format, photometric, compression;
        Range range;
    };
    const Case cases[] = {
        {"12-bit", 12, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, {100, 3000}},
        {"12-bit data in 16-bit samples", 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK,
         COMPRESSION_ADOBE_DEFLATE, {0, 4095}},
        {"16-bit white is zero", 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE,
         {1000, 60000}},
        {"10-bit", 10, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, {3, 1020}},
        {"signed 8-bit", 8, SAMPLEFORMAT_INT, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, {-100, 90}},
        {"signed 16-bit", 16, SAMPLEFORMAT_INT, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS,
         {-1000, 1000}},
        {"32-bit", 32, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW,
         {1000000, 3000000000.0}},
        {"signed 32-bit", 32, SAMPLEFORMAT_INT, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE,
         {-2000000000.0, -1000}},
        {"16-bit floating point", 16, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_MINISBLACK,
         COMPRESSION_NONE, {-2, 6, false}},
        {"32-bit floating point", 32, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_MINISBLACK,
         COMPRESSION_ADOBE_DEFLATE, {-0.5, 2.5, false}},
        {"64-bit floating point", 64, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_MINISWHITE,
         COMPRESSION_NONE, {1e-3, 7e5, false}},
    };
    for (const Case& c : cases)
        for (const char* mode : {"w", "wb"}) {
            const std::string what = std::string(c.name) + " " + mode;
            Page p = deepPage(c.photometric, 1, c.bps, c.format,
                              [&](int x, int y, int) { return c.range.at(x, y); });
            p.compression = c.compression;
            p.rowsPerStrip = 2;
            writeTiff(file("deep.tif"), {p}, mode);
            DocumentPtr doc = Document::open(file("deep.tif"));
            EXPECT_EQ(doc->pageInfo(0).bitsPerSample, c.bps) << what;
            expectScaledGray(doc->decodePage(0), c.range,
                             c.photometric == PHOTOMETRIC_MINISWHITE, what);
            const QImage thumb = doc->decodePageScaled(0, QSize(kW * 4, kH * 4), true);
            EXPECT_FALSE(thumb.isNull()) << what;
        }
}

TEST_F(ForeignTest, FloatingPointPagesKeepTheirRangeDespiteNanAndInfinity) {
    const Range r{-1, 3, false};
    Page p = deepPage(PHOTOMETRIC_MINISBLACK, 1, 32, SAMPLEFORMAT_IEEEFP, [&](int x, int y, int) {
        if (x == 0 && y == 0) return std::numeric_limits<double>::quiet_NaN();
        if (x == 8 && y == 0) return std::numeric_limits<double>::infinity();
        if (x == 8 && y == 4) return -std::numeric_limits<double>::infinity();
        return r.at(x, y);
    });
    // A constant page has no range of its own: integers go by their whole range.
    Page flat = deepPage(PHOTOMETRIC_MINISBLACK, 1, 16, SAMPLEFORMAT_UINT,
                         [](int, int, int) { return 65535.0; });
    writeTiff(file("float.tif"), {p, flat});
    DocumentPtr doc = Document::open(file("float.tif"));
    const QImage img = doc->decodePage(0);
    EXPECT_EQ(qGray(img.pixel(0, 0)), 0);   // not a number
    EXPECT_EQ(qGray(img.pixel(8, 0)), 255); // beyond the brightest
    EXPECT_EQ(qGray(img.pixel(8, 4)), 0);
    EXPECT_EQ(qGray(img.pixel(1, 1)), 0);
    EXPECT_EQ(qGray(img.pixel(7, 3)), 255);
    EXPECT_NEAR(qGray(img.pixel(4, 2)), 64, 1);
    EXPECT_EQ(qGray(doc->decodePage(1).pixel(3, 3)), 255);
}

TEST_F(ForeignTest, DeepColourPagesScaleTheirChannelsTogether) {
    // Red spans the whole range, green a quarter of it, blue is constant at the bottom:
    // scaled together, the colours keep their balance.
    const double lo = 2000, hi = 42000;
    const auto value = [&](int x, int y, int s) {
        const double t = (x == 7 && y == 3) ? 1.0 : (x == 1 && y == 1) ? 0.0 : 0.5;
        return s == 0 ? lo + (hi - lo) * t : s == 1 ? lo + (hi - lo) * t / 4 : lo;
    };
    Page contig = deepPage(PHOTOMETRIC_RGB, 3, 16, SAMPLEFORMAT_UINT, value);
    contig.compression = COMPRESSION_LZW;
    Page planar = contig;
    planar.planar = PLANARCONFIG_SEPARATE;
    planar.samples.clear();
    for (int s = 0; s < 3; ++s)
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint16_t v = uint16_t(value(x, y, s));
                planar.samples.insert(planar.samples.end(), {uint8_t(0), uint8_t(0)});
                std::memcpy(planar.samples.data() + planar.samples.size() - 2, &v, 2);
            }
    Page floats = deepPage(PHOTOMETRIC_RGB, 3, 32, SAMPLEFORMAT_IEEEFP,
                           [&](int x, int y, int s) { return value(x, y, s) / hi; });
    Page withAlpha = deepPage(PHOTOMETRIC_RGB, 4, 16, SAMPLEFORMAT_UINT, [&](int x, int y, int s) {
        return s == 3 ? (x == 7 ? 65535.0 : 32768.0) : value(x, y, s);
    });
    withAlpha.extraSample = EXTRASAMPLE_UNASSALPHA;
    for (const char* mode : {"w", "wb"}) {
        writeTiff(file("rgb.tif"), {contig, planar, floats, withAlpha}, mode);
        DocumentPtr doc = Document::open(file("rgb.tif"));
        ASSERT_EQ(doc->pageCount(), 4);
        for (int page = 0; page < 4; ++page) {
            const QImage img = doc->decodePage(page);
            const std::string what = std::string(mode) + " page " + std::to_string(page + 1);
            const double floor = page == 2 ? lo / hi : lo;
            const double top = page == 2 ? 1.0 : hi;
            const auto shown = [&](double v) {
                return int(std::lround((v - floor) * 255 / (top - floor)));
            };
            const double scale = page == 2 ? 1 / hi : 1;
            EXPECT_EQ(img.pixel(7, 3) & 0xFFFFFF, qRgb(255, shown(lo * scale + (hi - lo) * scale / 4), 0) & 0xFFFFFF)
                << what;
            EXPECT_EQ(img.pixel(1, 1) & 0xFFFFFF, qRgb(0, 0, 0) & 0xFFFFFF) << what;
            EXPECT_NEAR(qRed(img.pixel(4, 2)), 128, 1) << what;
            EXPECT_NEAR(qGreen(img.pixel(4, 2)), 32, 1) << what;
            EXPECT_EQ(qBlue(img.pixel(4, 2)), 0) << what;
            if (page == 3) {
                EXPECT_EQ(qAlpha(img.pixel(7, 3)), 255) << what;
                EXPECT_NEAR(qAlpha(img.pixel(4, 2)), 128, 1) << what;
            }
        }
    }
}

TEST_F(ForeignTest, SixteenBitCmykShowsItsInks) {
    // White paper, full black, full cyan, half magenta, and cyan over half black.
    const auto inks = [](int x, int y, int s) -> double {
        const int kind = (x + y) % 5;
        const double full = 65535;
        switch (kind) {
        case 0: return 0;
        case 1: return s == 3 ? full : 0;
        case 2: return s == 0 ? full : 0;
        case 3: return s == 1 ? full / 2 : 0;
        default: return s == 0 ? full : s == 3 ? full / 2 : 0;
        }
    };
    Page cmyk = deepPage(PHOTOMETRIC_SEPARATED, 4, 16, SAMPLEFORMAT_UINT, inks);
    cmyk.compression = COMPRESSION_ADOBE_DEFLATE;
    Page eight = deepPage(PHOTOMETRIC_SEPARATED, 4, 8, SAMPLEFORMAT_UINT,
                          [&](int x, int y, int s) { return std::floor(inks(x, y, s) / 257); });
    writeTiff(file("cmyk.tif"), {cmyk, eight}, "wb");
    DocumentPtr doc = Document::open(file("cmyk.tif"));
    for (int page = 0; page < 2; ++page) {
        const QImage img = doc->decodePage(page);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const QRgb c = img.pixel(x, y);
                const std::string what =
                    "page " + std::to_string(page + 1) + " at " + std::to_string(x) + "," +
                    std::to_string(y);
                switch ((x + y) % 5) {
                case 0: EXPECT_EQ(c & 0xFFFFFF, 0xFFFFFFu) << what; break;
                case 1: EXPECT_EQ(c & 0xFFFFFF, 0u) << what; break;
                case 2: EXPECT_EQ(c & 0xFFFFFF, 0x00FFFFu) << what; break;
                case 3:
                    EXPECT_EQ(qRed(c), 255) << what;
                    EXPECT_NEAR(qGreen(c), 128, 1) << what;
                    EXPECT_EQ(qBlue(c), 255) << what;
                    break;
                default:
                    EXPECT_EQ(qRed(c), 0) << what;
                    EXPECT_NEAR(qGreen(c), 128, 1) << what;
                    EXPECT_NEAR(qBlue(c), 128, 1) << what;
                }
            }
    }
}

TEST_F(ForeignTest, LogLuvPagesShowThroughLibtiffsColourConversion) {
    // CIE XYZ of white light, of darkness, and of a mid gray; luminance alone for LogL.
    const auto xyz = [](int x, int, int s) -> double {
        const double white[3] = {0.9505, 1.0, 1.089};
        const double level = x < 3 ? 1.0 : x < 6 ? 0.0 : 0.2;
        return white[s] * level;
    };
    Page luv = deepPage(PHOTOMETRIC_LOGLUV, 3, 32, SAMPLEFORMAT_IEEEFP, xyz);
    luv.compression = COMPRESSION_SGILOG;
    luv.sgilogDataFormat = SGILOGDATAFMT_FLOAT;
    Page luv24 = luv;
    luv24.compression = COMPRESSION_SGILOG24;
    Page logl = deepPage(PHOTOMETRIC_LOGL, 1, 32, SAMPLEFORMAT_IEEEFP,
                         [&](int x, int y, int) { return xyz(x, y, 1); });
    logl.compression = COMPRESSION_SGILOG;
    logl.sgilogDataFormat = SGILOGDATAFMT_FLOAT;
    writeTiff(file("luv.tif"), {luv, luv24, logl});
    DocumentPtr doc = Document::open(file("luv.tif"));
    ASSERT_EQ(doc->pageCount(), 3);
    for (int page = 0; page < 3; ++page) {
        const QImage img = doc->decodePage(page);
        ASSERT_EQ(img.size(), QSize(kW, kH));
        const std::string what = "page " + std::to_string(page + 1);
        EXPECT_GT(qGray(img.pixel(1, 2)), 230) << what;
        EXPECT_LT(qGray(img.pixel(4, 2)), 10) << what;
        const int mid = qGray(img.pixel(7, 2));
        EXPECT_GT(mid, 40) << what;
        EXPECT_LT(mid, 200) << what;
        EXPECT_LT(std::abs(qRed(img.pixel(1, 2)) - qBlue(img.pixel(1, 2))), 40) << what; // white
    }
}

TEST_F(ForeignTest, PagesThatCannotBeShownSaySoAndTheOthersStillShow) {
    Page complex = deepPage(PHOTOMETRIC_MINISBLACK, 1, 32, SAMPLEFORMAT_UINT,
                            [](int x, int, int) { return x; });
    complex.sampleFormat = SAMPLEFORMAT_COMPLEXINT;
    Page wide = deepPage(PHOTOMETRIC_MINISBLACK, 1, 16, SAMPLEFORMAT_UINT,
                         [](int x, int, int) { return x * 1000.0; });
    Page huge = deepPage(PHOTOMETRIC_MINISBLACK, 1, 64, SAMPLEFORMAT_UINT,
                         [](int x, int, int) { return x * 1000.0; });
    writeTiff(file("mixed.tif"), {complex, wide, huge});
    DocumentPtr doc = Document::open(file("mixed.tif"));
    ASSERT_EQ(doc->pageCount(), 3);
    for (int page : {0, 2}) {
        try {
            doc->decodePage(page);
            ADD_FAILURE() << "page " << page + 1 << " decoded";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), kErrUnsupported) << qPrintable(e.description());
            EXPECT_TRUE(e.description().startsWith(QStringLiteral("Page %1 ").arg(page + 1)))
                << qPrintable(e.description());
        }
    }
    EXPECT_EQ(qGray(doc->decodePage(1).pixel(8, 0)), 255);
}

TEST_F(ForeignTest, AFileWhosePageChainLoopsOpensWithThePagesBeforeTheLoopAndStaysUnchanged) {
    std::vector<Page> pages;
    for (int i = 0; i < 4; ++i)
        pages.push_back(bitonalPage(20, 10, true, COMPRESSION_CCITTFAX4,
                                    [i](int x, int y) { return x == i && y == 2; }));
    writeTiff(file("loop.tif"), pages);
    QByteArray bytes = readFile(file("loop.tif"));
    const std::vector<uint32_t> ifds = ifdOffsets(bytes);
    ASSERT_EQ(ifds.size(), 4u);
    setLe32(bytes, ifds[3] + 2 + 12 * le16(bytes, ifds[3]), ifds[1]); // page 4 leads to page 2
    writeFile(file("loop.tif"), bytes);

    DocumentPtr doc = Document::open(file("loop.tif"));
    ASSERT_EQ(doc->pageCount(), 4);
    EXPECT_TRUE(doc->damage().contains(QStringLiteral("loops back from page 4 to page 2")))
        << qPrintable(doc->damage());
    for (int i = 0; i < 4; ++i) {
        const QImage img = doc->decodePage(i);
        EXPECT_TRUE(isBlack(img, i, 2)) << "page " << i + 1;
        EXPECT_FALSE(isBlack(img, (i + 1) % 4, 2)) << "page " << i + 1;
    }
    // The file is not changed in place, by page operations or by saving edits...
    const auto refused = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const Error& e) {
            return e.number() == kErrFileAccess && e.description().contains("damaged");
        }
        return false;
    };
    EXPECT_TRUE(refused([&] { deletePages(file("loop.tif"), 1, 1); }));
    EXPECT_TRUE(refused([&] { appendPages(file("loop.tif"), file("loop.tif"), 1, 1); }));
    DocumentModelPtr model = DocumentModel::acquire(file("loop.tif"));
    EXPECT_FALSE(model->damage().isEmpty());
    EXPECT_TRUE(refused([&] { model->deletePages(2, 1); }));
    EXPECT_EQ(readFile(file("loop.tif")), bytes);
    // ... but its pages can be saved under another name, as an intact file.
    model->saveAs(file("rescued.tif"), kFileTiff, 0);
    DocumentPtr rescued = Document::open(file("rescued.tif"));
    EXPECT_EQ(rescued->pageCount(), 4);
    EXPECT_TRUE(rescued->damage().isEmpty());
    EXPECT_TRUE(isBlack(rescued->decodePage(3), 3, 2));
}
