// Writing documents and the page operations on files: raw copies keep every page's
// compressed data, new pixels are encoded by the documented rule, page numbers and
// annotations are written per page, and the files open in libtiff's tools and in Qt.
#include "CoreFixtures.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"
#include "support/TempDir.h"

#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace imaging;
using namespace corefx;

namespace {

// A page that says which page it is: a black column at x = n.
Page numbered(int n, uint16_t compression = COMPRESSION_CCITTFAX4) {
    Page p = bitonalPage(40, 20, true, compression, [n](int x, int y) { return x == n && y > 2; });
    p.dpi = 200;
    return p;
}

int pageNumberOf(const QImage& img) {
    for (int x = 0; x < img.width(); ++x)
        if (isBlack(img, x, 10)) return x;
    return -1;
}

std::vector<int> numbersOf(const QString& path) {
    DocumentPtr doc = Document::open(path);
    std::vector<int> out;
    for (int i = 0; i < doc->pageCount(); ++i)
        out.push_back(pageNumberOf(doc->decodePage(i)));
    return out;
}

// Tag values as libtiff itself reads them.
struct TagView {
    uint16_t compression = 0, photometric = 0, page = 0, pages = 0;
    bool hasAnnotation = false;
};
std::vector<TagView> tagsOf(const QString& path) {
    std::vector<TagView> out;
    TIFFSetWarningHandler(nullptr); // our private tag is unknown to libtiff
    TIFF* tif = TIFFOpen(qPrintable(path), "r");
    if (!tif) return out;
    do {
        TagView t;
        TIFFGetField(tif, TIFFTAG_COMPRESSION, &t.compression);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric);
        TIFFGetField(tif, TIFFTAG_PAGENUMBER, &t.page, &t.pages);
        t.hasAnnotation = TIFFFindField(tif, kAnnotationTiffTag, TIFF_ANY) != nullptr;
        out.push_back(t);
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return out;
}

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

class PageOpsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    QString file(const char* name) { return dir.file(QString::fromLatin1(name)); }

    void makeNumbered(const char* name, int pages) {
        std::vector<Page> p;
        for (int i = 1; i <= pages; ++i)
            p.push_back(numbered(i));
        writeTiff(file(name), p);
    }
};

Annotation note(const QString& text) {
    Annotation a;
    a.kind = AnnotationKind::AttachANote;
    a.bounds = QRect(1, 2, 30, 10);
    a.text = text;
    return a;
}

} // namespace

TEST_F(PageOpsTest, RawCopiesKeepEveryPageExactlyAndOpenEverywhere) {
    // One page of each kind the engine reads, big-endian 16-bit included.
    std::vector<Page> pages;
    pages.push_back(numbered(3));
    Page lzw = grayPage(33, 17, 8, [](int x, int y) { return x * 7 + y; });
    lzw.compression = COMPRESSION_LZW;
    lzw.rowsPerStrip = 4;
    pages.push_back(lzw);
    Page jpeg = rgbPage(48, 32, [](int x, int y) { return qRgb(x * 5, y * 7, 90); });
    jpeg.compression = COMPRESSION_JPEG;
    jpeg.jpegRgb = true;
    jpeg.rowsPerStrip = 16;
    pages.push_back(jpeg);
    Page tiled = grayPage(40, 40, 8, [](int x, int y) { return x ^ y; });
    tiled.compression = COMPRESSION_ADOBE_DEFLATE;
    tiled.tileWidth = 16;
    tiled.tileHeight = 16;
    pages.push_back(tiled);
    Page oriented = numbered(5);
    oriented.orientation = 6;
    pages.push_back(oriented);
    writeTiff(file("src.tif"), pages);
    writeTiff(file("wide.tif"), {grayPage(9, 9, 16, [](int x, int y) { return x * 7000 + y; })},
              "wb");

    DocumentPtr src = Document::open(file("src.tif"));
    DocumentPtr wide = Document::open(file("wide.tif"));
    std::vector<PageSource> out;
    for (int i = 0; i < src->pageCount(); ++i)
        out.push_back(PageSource::copy(src, i));
    out.push_back(PageSource::copy(wide, 0));
    writeDocument(file("copy.tif"), out);

    DocumentPtr copy = Document::open(file("copy.tif"));
    ASSERT_EQ(copy->pageCount(), 6);
    for (int i = 0; i < 6; ++i) {
        DocumentPtr from = i < 5 ? src : wide;
        const int j = i < 5 ? i : 0;
        EXPECT_EQ(copy->pageInfo(i).compressionCode, from->pageInfo(j).compressionCode);
        EXPECT_EQ(copy->pageInfo(i).orientation, from->pageInfo(j).orientation);
        EXPECT_EQ(copy->pageInfo(i).xDpi, from->pageInfo(j).xDpi);
        EXPECT_EQ(copy->decodePage(i), from->decodePage(j)) << "page " << i + 1;
    }
    // Page numbers rewritten for the new file.
    const std::vector<TagView> tags = tagsOf(file("copy.tif"));
    ASSERT_EQ(tags.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tags[size_t(i)].page, i);
        EXPECT_EQ(tags[size_t(i)].pages, 6);
    }
    // Qt reads it too.
    QImageReader reader(file("copy.tif"));
    EXPECT_EQ(reader.imageCount(), 6);
    EXPECT_FALSE(reader.read().isNull());
    // And libtiff's own tools, when installed.
    for (const char* tool : {"tiffinfo", "tiffdump"}) {
        const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (exe.isEmpty()) continue;
        QProcess p;
        p.start(exe, {file("copy.tif")});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << tool << ": " << p.readAllStandardError().toStdString();
    }
}

TEST_F(PageOpsTest, NewPixelsAreEncodedByTheDocumentedRule) {
    QImage mono(50, 30, QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.fill(0);
    mono.setPixel(7, 9, 1);
    QImage gray(50, 30, QImage::Format_Grayscale8);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x)
            gray.setPixel(x, y, qRgb(x * 5, x * 5, x * 5));
    QImage colour(50, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x)
            colour.setPixel(x, y, qRgb(x * 5, y * 8, 77));
    PageSource jpeg = PageSource::pixels(colour, 150, 150, {});
    jpeg.preferJpeg = true;
    writeDocument(file("new.tif"),
                  {PageSource::pixels(mono, 300, 300, {}), PageSource::pixels(gray, 0, 0, {}),
                   PageSource::pixels(colour, 72, 96, {}), jpeg});
    const std::vector<TagView> tags = tagsOf(file("new.tif"));
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_EQ(tags[0].compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(tags[0].photometric, PHOTOMETRIC_MINISWHITE);
    EXPECT_EQ(tags[1].compression, COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(tags[2].compression, COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(tags[3].compression, COMPRESSION_JPEG);

    DocumentPtr doc = Document::open(file("new.tif"));
    EXPECT_EQ(doc->decodePage(0), mono);
    EXPECT_EQ(doc->pageInfo(0).xDpi, 300);
    EXPECT_EQ(doc->pageInfo(1).xDpi, 0); // no resolution given, none stated
    EXPECT_EQ(doc->decodePage(1).convertToFormat(QImage::Format_Grayscale8), gray);
    EXPECT_EQ(doc->pageInfo(2).yDpi, 96);
    // Held as stored: three bytes a pixel.
    EXPECT_EQ(doc->decodePage(2).depth(), 24);
    EXPECT_EQ(doc->decodePage(2).convertToFormat(colour.format()), colour);
    const QImage lossy = doc->decodePage(3);
    EXPECT_NEAR(qRed(lossy.pixel(20, 10)), 100, 10);
}

TEST_F(PageOpsTest, AnnotationsAreWrittenPerPageAndTravelWithRawCopies) {
    makeNumbered("plain.tif", 3);
    DocumentPtr plain = Document::open(file("plain.tif"));
    PageSource first = PageSource::copy(plain, 0);
    first.annotations = AnnotationList{note(QStringLiteral("one"))};
    PageSource third = PageSource::copy(plain, 2);
    third.annotations = AnnotationList{note(QStringLiteral("three")), note(QStringLiteral("3b"))};
    writeDocument(file("annotated.tif"), {first, PageSource::copy(plain, 1), third});

    DocumentPtr annotated = Document::open(file("annotated.tif"));
    ASSERT_EQ(annotated->annotations(0).size(), 1u);
    EXPECT_EQ(annotated->annotations(0)[0].text, QStringLiteral("one"));
    EXPECT_TRUE(annotated->annotations(1).empty());
    EXPECT_EQ(annotated->annotations(2).size(), 2u);
    EXPECT_EQ(annotated->pageInfo(0).compressionCode, COMPRESSION_CCITTFAX4); // still a raw copy
    EXPECT_EQ(annotated->decodePage(0), plain->decodePage(0));

    // Copied again without saying anything: the tags go along; an empty list removes them.
    PageSource cleared = PageSource::copy(annotated, 2);
    cleared.annotations = AnnotationList{};
    writeDocument(file("again.tif"),
                  {PageSource::copy(annotated, 2), PageSource::copy(annotated, 0), cleared});
    DocumentPtr again = Document::open(file("again.tif"));
    EXPECT_EQ(again->annotations(0), annotated->annotations(2));
    EXPECT_EQ(again->annotations(1), annotated->annotations(0));
    EXPECT_TRUE(again->annotations(2).empty());
    EXPECT_EQ(tagsOf(file("again.tif")).size(), 3u);
}

TEST_F(PageOpsTest, InsertAppendAndDeleteMovePagesAsDocumented) {
    makeNumbered("doc.tif", 5);
    makeNumbered("other.tif", 12);

    insertPages(file("doc.tif"), file("other.tif"), 10, 2, 2);
    EXPECT_EQ(numbersOf(file("doc.tif")), (std::vector<int>{1, 10, 11, 2, 3, 4, 5}));
    appendPages(file("doc.tif"), file("other.tif"), 12, 1);
    EXPECT_EQ(numbersOf(file("doc.tif")), (std::vector<int>{1, 10, 11, 2, 3, 4, 5, 12}));
    deletePages(file("doc.tif"), 2, 3);
    EXPECT_EQ(numbersOf(file("doc.tif")), (std::vector<int>{1, 3, 4, 5, 12}));
    insertPages(file("doc.tif"), file("other.tif"), 6, 6, 1); // at pageCount + 1: appends
    EXPECT_EQ(numbersOf(file("doc.tif")), (std::vector<int>{1, 3, 4, 5, 12, 6}));
    // Duplicating a page of the file into itself.
    insertPages(file("doc.tif"), file("doc.tif"), 3, 3, 1);
    EXPECT_EQ(numbersOf(file("doc.tif")), (std::vector<int>{1, 3, 4, 4, 5, 12, 6}));
    // Page numbers stay consistent after every operation.
    const std::vector<TagView> tags = tagsOf(file("doc.tif"));
    for (size_t i = 0; i < tags.size(); ++i)
        EXPECT_EQ(tags[i].page, int(i));
}

TEST_F(PageOpsTest, PageRangesAreChecked) {
    makeNumbered("doc.tif", 3);
    const QByteArray before = readFile(file("doc.tif"));
    const QString d = file("doc.tif");
    EXPECT_EQ(errorOf([&] { deletePages(d, 0, 1); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { deletePages(d, 3, 2); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { deletePages(d, 1, 0); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { deletePages(d, 1, 3); }), kErrBadArgument); // every page
    EXPECT_EQ(errorOf([&] { insertPages(d, d, 1, 5, 1); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { insertPages(d, d, 3, 1, 2); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { insertPages(d, d, 1, 0, 1); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { appendPages(d, d, 2147483647, 2); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { appendPages(d, file("missing.tif"), 1, 1); }), kErrFileNotFound);
    EXPECT_EQ(readFile(d), before);

    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::white);
    ASSERT_TRUE(img.save(file("one.bmp"), "bmp"));
    EXPECT_EQ(errorOf([&] { appendPages(file("one.bmp"), d, 1, 1); }), kErrUnsupported);
    EXPECT_EQ(errorOf([&] {
                  writeDocument(file("x.awd"), {PageSource::pixels(img, 0, 0, {})}, kFileAwd);
              }),
              kErrUnsupported);
    EXPECT_EQ(errorOf([&] { writeDocument(file("x.tif"), {}); }), kErrBadArgument);
    DocumentPtr doc = Document::open(d);
    EXPECT_EQ(errorOf([&] { writeDocument(file("x.tif"), {PageSource::copy(doc, 3)}); }),
              kErrBadPage);
}

TEST_F(PageOpsTest, BmpOutputHoldsExactlyOnePageWithItsAnnotationsBurnt) {
    makeNumbered("doc.tif", 2);
    DocumentPtr doc = Document::open(file("doc.tif"));
    EXPECT_EQ(errorOf([&] {
                  writeDocument(file("two.bmp"),
                                {PageSource::copy(doc, 0), PageSource::copy(doc, 1)}, kFileBmp);
              }),
              kErrBadArgument);
    PageSource page = PageSource::copy(doc, 1);
    Annotation box;
    box.kind = AnnotationKind::FilledRectangle;
    box.bounds = QRect(20, 5, 10, 10);
    box.fillColor = Qt::black;
    page.annotations = AnnotationList{box};
    writeDocument(file("one.bmp"), {page}, kFileBmp);
    DocumentPtr bmp = Document::open(file("one.bmp"));
    EXPECT_EQ(bmp->fileType(), kFileBmp);
    const QImage img = bmp->decodePage(0);
    EXPECT_EQ(img.depth(), 1);
    EXPECT_EQ(pageNumberOf(img), 2);
    EXPECT_TRUE(isBlack(img, 25, 10));
    EXPECT_FALSE(isBlack(img, 35, 10));
    EXPECT_NEAR(bmp->pageInfo(0).xDpi, 200, 0.1);
}

TEST_F(PageOpsTest, PagesOfTheOtherByteOrderWithWideSamplesAreReencoded) {
    writeTiff(file("be.tif"), {grayPage(6, 6, 16, [](int x, int) { return x * 10000; })}, "wb");
    writeTiff(file("le.tif"), {grayPage(6, 6, 16, [](int, int y) { return y * 10000; })}, "w");
    DocumentPtr be = Document::open(file("be.tif"));
    DocumentPtr le = Document::open(file("le.tif"));
    writeDocument(file("mixed.tif"), {PageSource::copy(be, 0), PageSource::copy(le, 0)});
    DocumentPtr mixed = Document::open(file("mixed.tif"));
    EXPECT_EQ(mixed->pageInfo(0).bitsPerSample, 16); // copied as it was
    EXPECT_EQ(mixed->pageInfo(1).bitsPerSample, 8);  // decoded and stored again
    EXPECT_EQ(mixed->decodePage(0), be->decodePage(0));
    EXPECT_EQ(mixed->decodePage(1), le->decodePage(0));
}

TEST_F(PageOpsTest, UniqueFileNamesSkipNamesInUse) {
    writeFile(file("scan1.tif"), "x");
    writeFile(file("scan2.tif"), "x");
    writeFile(file("scan4.tif"), "x");
    EXPECT_EQ(uniqueFileName(dir.path(), QStringLiteral("scan"), QStringLiteral("tif")),
              QStringLiteral("scan3.tif"));
    EXPECT_EQ(uniqueFileName(dir.path(), QStringLiteral("scan"), QStringLiteral(".tif")),
              QStringLiteral("scan3.tif"));
    EXPECT_EQ(uniqueFileName(dir.path(), QStringLiteral("img"), QStringLiteral("bmp")),
              QStringLiteral("img1.bmp"));
    EXPECT_EQ(errorOf([&] {
                  uniqueFileName(file("nowhere"), QStringLiteral("a"), QStringLiteral("tif"));
              }),
              kErrFileNotFound);
}
