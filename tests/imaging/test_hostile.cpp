// Broken and hostile files: every one gives an Error with a description, never a crash, a
// hang, a huge allocation or garbage pixels.
#include "CoreFixtures.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace imaging;
using namespace corefx;

namespace {

class HostileTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    QString path() const { return dir.file(QStringLiteral("hostile.tif")); }

    // A valid three-page little-endian file.
    QByteArray valid() {
        std::vector<Page> pages;
        for (int i = 0; i < 3; ++i) {
            Page p = grayPage(30, 20, 8, [i](int x, int y) { return x + y + i; });
            p.compression = i == 1 ? COMPRESSION_LZW : COMPRESSION_NONE;
            p.rowsPerStrip = 5;
            pages.push_back(p);
        }
        writeTiff(path(), pages);
        return readFile(path());
    }

    // Opens `bytes` and decodes every page. Returns the first Error's number, 0 when all
    // worked. Any other exception or a crash fails the test.
    int openAndDecode(const QByteArray& bytes) {
        writeFile(path(), bytes);
        try {
            DocumentPtr doc = Document::open(path());
            for (int i = 0; i < doc->pageCount(); ++i) {
                doc->pageInfo(i);
                doc->decodePage(i);
                doc->decodePageScaled(i, QSize(10, 10), true);
                doc->annotations(i);
            }
        } catch (const Error& e) {
            EXPECT_FALSE(e.description().isEmpty());
            last = e.description();
            return e.number();
        }
        return 0;
    }
    QString last;
};

} // namespace

TEST_F(HostileTest, TruncatedFilesAreReportedAtEveryLength) {
    const QByteArray good = valid();
    ASSERT_EQ(openAndDecode(good), 0);
    for (qsizetype len = 0; len < good.size() - 1; len += 3) {
        const int err = openAndDecode(good.left(len));
        EXPECT_NE(err, 0) << "truncated to " << len << " of " << good.size();
    }
}

TEST_F(HostileTest, LoopingPageChainsEndBeforeTheLoopAndAreReportedAsDamage) {
    QByteArray b = valid();
    const std::vector<uint32_t> ifds = ifdOffsets(b);
    ASSERT_EQ(ifds.size(), 3u);
    // The third directory points back at the first.
    QByteArray loop = b;
    setLe32(loop, ifds[2] + 2 + 12 * le16(loop, ifds[2]), ifds[0]);
    EXPECT_EQ(openAndDecode(loop), 0);
    DocumentPtr doc = Document::open(path());
    EXPECT_EQ(doc->pageCount(), 3);
    EXPECT_TRUE(doc->damage().contains(QStringLiteral("loops"))) << qPrintable(doc->damage());
    // A directory pointing at itself.
    QByteArray self = b;
    setLe32(self, ifds[1] + 2 + 12 * le16(self, ifds[1]), ifds[1]);
    EXPECT_EQ(openAndDecode(self), 0);
    doc = Document::open(path());
    EXPECT_EQ(doc->pageCount(), 2);
    EXPECT_FALSE(doc->damage().isEmpty());
    // An intact file is not damaged.
    EXPECT_EQ(openAndDecode(b), 0);
    EXPECT_TRUE(Document::open(path())->damage().isEmpty());
}

TEST_F(HostileTest, FilesWithoutPagesOrWithBrokenDirectoriesAreRefused) {
    const QByteArray b = valid();
    const uint32_t first = ifdOffsets(b)[0];
    QByteArray none = b;
    setLe32(none, 4, 0); // no first directory
    EXPECT_EQ(openAndDecode(none), kErrBadFile);
    EXPECT_TRUE(last.contains(QStringLiteral("no pages")));
    QByteArray empty = b;
    setLe16(empty, first, 0); // a directory with no entries
    EXPECT_EQ(openAndDecode(empty), kErrBadFile);
    QByteArray past = b;
    setLe32(past, 4, uint32_t(b.size() + 100)); // directory past the end
    EXPECT_EQ(openAndDecode(past), kErrBadFile);
    QByteArray huge = b;
    setLe16(huge, first, 0xFFFF); // claims 65535 entries
    EXPECT_EQ(openAndDecode(huge), kErrBadFile);
    EXPECT_EQ(openAndDecode(QByteArray("II*\0\x08\0\0\0garbagegarbage", 22)), kErrBadFile);
    EXPECT_EQ(openAndDecode(QByteArray("MM\0+\0\x08\0\0", 8)), kErrBadFile); // BigTIFF header cut
}

TEST_F(HostileTest, AbsurdDimensionsAreRefusedBeforeAnythingIsAllocated) {
    const QByteArray b = valid();
    const uint32_t first = ifdOffsets(b)[0];
    const qsizetype width = entryPos(b, first, TIFFTAG_IMAGEWIDTH);
    ASSERT_GT(width, 0);
    QByteArray wide = b;
    setLe16(wide, width + 2, TIFF_LONG);
    setLe32(wide, width + 4, 1);
    setLe32(wide, width + 8, 0x80000000u); // 2^31 pixels wide
    EXPECT_EQ(openAndDecode(wide), kErrTooLarge);

    // Within the side limit but far over the decoded-size bound: 60000 x 60000 gray.
    QByteArray big = b;
    const qsizetype height = entryPos(big, first, TIFFTAG_IMAGELENGTH);
    for (qsizetype pos : {width, height}) {
        setLe16(big, pos + 2, TIFF_LONG);
        setLe32(big, pos + 4, 1);
        setLe32(big, pos + 8, 60000);
    }
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(openAndDecode(big), kErrTooLarge);
    EXPECT_LT(t.elapsed(), 5000);
}

TEST_F(HostileTest, UnknownCompressionsAreUnsupportedButTheFileOpens) {
    QByteArray b = valid();
    const uint32_t second = ifdOffsets(b)[1];
    const qsizetype comp = entryPos(b, second, TIFFTAG_COMPRESSION);
    setLe16(b, comp + 8, 34999);
    writeFile(path(), b);
    DocumentPtr doc = Document::open(path());
    EXPECT_EQ(doc->pageInfo(1).compression, QStringLiteral("Unknown (34999)"));
    EXPECT_NO_THROW(doc->decodePage(0));
    try {
        doc->decodePage(1);
        FAIL() << "decoded an unknown compression";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), kErrUnsupported);
        EXPECT_TRUE(e.description().contains(QStringLiteral("34999")));
    }
    // The page can still be carried into another file unchanged.
    writeDocument(dir.file(QStringLiteral("kept.tif")), {PageSource::copy(doc, 1)});
    EXPECT_EQ(Document::open(dir.file(QStringLiteral("kept.tif")))->pageInfo(0).compressionCode,
              34999);
}

TEST_F(HostileTest, StripsPastTheEndAndHugeTagCountsAreErrors) {
    const QByteArray b = valid();
    const uint32_t first = ifdOffsets(b)[0];
    const qsizetype offsets = entryPos(b, first, TIFFTAG_STRIPOFFSETS);
    QByteArray past = b;
    const uint32_t table = le32(past, offsets + 8); // four strips: the table is out of line
    setLe32(past, table + 4, uint32_t(b.size() + 5000));
    EXPECT_EQ(openAndDecode(past), kErrBadFile);
    writeFile(path(), past);
    DocumentPtr doc = Document::open(path());
    try {
        writeDocument(dir.file(QStringLiteral("copy.tif")), {PageSource::copy(doc, 0)});
        FAIL() << "copied strips that are not there";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), kErrBadFile);
    }
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("copy.tif"))));

    // Two billion strip offsets, or a two-billion-character text tag: either refused, or
    // (libtiff reads only the strips the page needs) decoded to the right pixels; quickly.
    const QImage expected = Document::openBytes(b, QStringLiteral("good.tif"))->decodePage(0);
    for (uint16_t tag : {uint16_t(TIFFTAG_STRIPOFFSETS), uint16_t(TIFFTAG_BITSPERSAMPLE)}) {
        QByteArray counts = b;
        setLe32(counts, entryPos(b, first, tag) + 4, 0x7FFFFFFF);
        QElapsedTimer t;
        t.start();
        try {
            const QImage img = Document::openBytes(counts, QStringLiteral("c.tif"))->decodePage(0);
            EXPECT_EQ(img, expected) << tag;
        } catch (const Error& e) {
            EXPECT_FALSE(e.description().isEmpty());
        }
        EXPECT_LT(t.elapsed(), 5000);
    }
}

TEST_F(HostileTest, RandomlyDamagedFilesNeverCrash) {
    std::vector<Page> pages;
    pages.push_back(bitonalPage(64, 40, true, COMPRESSION_CCITTFAX4,
                                [](int x, int y) { return (x * y) % 7 == 0; }));
    Page jpeg = rgbPage(32, 32, [](int x, int y) { return qRgb(x * 8, y * 8, 0); });
    jpeg.compression = COMPRESSION_JPEG;
    jpeg.jpegRgb = true;
    jpeg.rowsPerStrip = 16;
    pages.push_back(jpeg);
    Page tiled = grayPage(40, 40, 8, [](int x, int y) { return x * y; });
    tiled.compression = COMPRESSION_LZW;
    tiled.tileWidth = 16;
    tiled.tileHeight = 16;
    pages.push_back(tiled);
    writeTiff(path(), pages);
    const QByteArray good = readFile(path());
    QRandomGenerator rng(1234);
    int failures = 0, copied = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray b = good;
        const int flips = 1 + int(rng.bounded(8));
        for (int i = 0; i < flips; ++i)
            b[qsizetype(rng.bounded(quint32(b.size())))] = char(rng.bounded(256));
        failures += openAndDecode(b) != 0;
        // What decodes, decodes the same every time, and the same again from a raw copy.
        DocumentPtr doc;
        try {
            doc = Document::openBytes(b, QStringLiteral("damaged.tif"));
        } catch (const Error&) {
            continue;
        }
        std::vector<PageSource> pages;
        std::vector<QImage> images;
        for (int i = 0; i < doc->pageCount(); ++i) {
            try {
                images.push_back(doc->decodePage(i));
                pages.push_back(PageSource::copy(doc, i));
                ASSERT_EQ(doc->decodePage(i), images.back()) << "round " << round;
            } catch (const Error&) {
            }
        }
        if (pages.empty()) continue;
        const QString copy = dir.file(QStringLiteral("copy.tif"));
        writeDocument(copy, pages);
        DocumentPtr back = Document::open(copy);
        for (size_t i = 0; i < images.size(); ++i) // pixels, whatever the format
            ASSERT_EQ(back->decodePage(int(i)).convertToFormat(QImage::Format_ARGB32),
                      images[i].convertToFormat(QImage::Format_ARGB32))
                << "round " << round << " page " << i;
        ++copied;
    }
    EXPECT_GT(failures, 0); // some of them must have been noticed
    EXPECT_GT(copied, 0);
}

TEST_F(HostileTest, PagesLibtiffRepairsAreCopiedAsTheyDecode) {
    // Uncompressed strips whose byte counts are too small, and a strip count of zero:
    // libtiff reads what the rows need, so a copy of the bytes as counted would lose data.
    for (uint32_t count : {6u, 0u}) {
        Page p = grayPage(20, 10, 8, [](int x, int y) { return x * 10 + y; });
        writeTiff(path(), {p});
        QByteArray b = readFile(path());
        const uint32_t first = ifdOffsets(b)[0];
        setLe32(b, entryPos(b, first, TIFFTAG_STRIPBYTECOUNTS) + 8, count);
        DocumentPtr doc = Document::openBytes(b, QStringLiteral("short.tif"));
        QImage source;
        try {
            source = doc->decodePage(0);
        } catch (const Error&) {
            continue; // not repaired: nothing to keep
        }
        writeDocument(dir.file(QStringLiteral("copy.tif")), {PageSource::copy(doc, 0)});
        EXPECT_EQ(Document::open(dir.file(QStringLiteral("copy.tif")))->decodePage(0), source)
            << count;
    }
}

TEST_F(HostileTest, TagsOfTheWrongTypeCountAsAbsentAndStaySoInCopies) {
    Page p = grayPage(12, 7, 8, [](int x, int y) { return x * 20 + y; });
    p.orientation = 6;
    writeTiff(path(), {p});
    QByteArray b = readFile(path());
    const qsizetype orientation = entryPos(b, ifdOffsets(b)[0], TIFFTAG_ORIENTATION);
    setLe16(b, orientation + 2, TIFF_RATIONAL); // an orientation that is a fraction
    setLe32(b, orientation + 8, 8);
    DocumentPtr doc = Document::openBytes(b, QStringLiteral("typed.tif"));
    EXPECT_EQ(doc->pageInfo(0).orientation, 1);
    const QImage source = doc->decodePage(0);
    EXPECT_EQ(source.size(), QSize(12, 7));
    writeDocument(dir.file(QStringLiteral("copy.tif")), {PageSource::copy(doc, 0)});
    DocumentPtr copy = Document::open(dir.file(QStringLiteral("copy.tif")));
    EXPECT_EQ(copy->pageInfo(0).orientation, 1);
    EXPECT_EQ(copy->decodePage(0), source);
}

TEST_F(HostileTest, AbsurdResolutionsCountAsNone) {
    QByteArray b = valid();
    Page p = grayPage(8, 8, 8, [](int, int) { return 0; });
    p.dpi = 300;
    writeTiff(path(), {p});
    b = readFile(path());
    const uint32_t first = ifdOffsets(b)[0];
    const uint32_t rational = le32(b, entryPos(b, first, TIFFTAG_XRESOLUTION) + 8);
    setLe32(b, rational, 0xFFFFFFFFu); // 4e9 / 1 dots per inch
    setLe32(b, rational + 4, 1);
    DocumentPtr doc = Document::openBytes(b, QStringLiteral("res.tif"));
    EXPECT_EQ(doc->pageInfo(0).xDpi, 0);
    EXPECT_NE(doc->decodePage(0).dotsPerMeterX(), 0);
    // The same in a PNG's pHYs chunk (CRC errors are only warnings to libpng).
    QImage small(12, 8, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    small.setDotsPerMeterX(3780);
    small.setDotsPerMeterY(3780);
    ASSERT_TRUE(small.save(&buffer, "png"));
    const qsizetype phys = png.indexOf("pHYs");
    ASSERT_GT(phys, 0);
    png[phys + 4] = char(0xF7); // about 4e9 dots per metre
    DocumentPtr pngDoc = Document::openBytes(png, QStringLiteral("res.png"));
    EXPECT_EQ(pngDoc->pageInfo(0).xDpi, 0);
    EXPECT_EQ(pngDoc->decodePage(0).width(), 12);
}
