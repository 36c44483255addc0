// File > Export PDF... through the main window: a 100-page bitonal record of mixed page sizes
// and resolutions exported whole and as a range with a footer, checked with poppler's tools
// (pdfinfo for the pages and their sizes, pdftoppm for a page's pixels against the source page
// as the engine decodes it), a cancelled export and the settings rights.
#include "ViewerFixture.h"
#include "doubles/FakeCurrentUser.h"
#include "viewer/ExportCommands.h"
#include "viewer/JobHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>

using namespace viewertest;

namespace {

// Page kinds of the record: pixel size and resolution (points = pixels * 72 / dpi).
struct PageKind {
    int w, h;
    double dpi;
};
// Letter portrait at 150 dpi (612 x 792 pt), the same landscape, a small slip at 200 dpi
// (288 x 216 pt) and a square form at 100 dpi (720 x 720 pt).
const PageKind kKinds[] = {
    {1275, 1650, 150}, {1650, 1275, 150}, {800, 600, 200}, {1000, 1000, 100}};
PageKind kindOf(int page) {
    return kKinds[page % 7 == 0 ? 1 : page % 10 == 3 ? 2 : page % 10 == 5 ? 3 : 0];
}

// A bitonal page of random 24-pixel blocks, seeded by its number; the bottom half inch stays
// white (where a footer goes).
QImage markerPage(int page) {
    const PageKind k = kindOf(page);
    QImage img(k.w, k.h, QImage::Format_Mono);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    img.fill(0);
    QRandomGenerator rnd{quint32(page)};
    const int bottom = k.h - int(k.dpi / 2);
    for (int y0 = 0; y0 + 24 <= bottom; y0 += 24)
        for (int x0 = 0; x0 + 24 <= k.w; x0 += 24)
            if (rnd.bounded(3) == 0)
                for (int y = y0; y < y0 + 24; ++y)
                    for (int x = x0; x < x0 + 24; ++x)
                        img.setPixel(x, y, 1);
    return img;
}

// Runs a poppler tool; its standard output.
QByteArray run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    EXPECT_TRUE(p.waitForFinished(120000)) << tool.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << tool.toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

// Page sizes in points as pdfinfo reports them, in page order.
std::vector<QSizeF> pdfPageSizes(const QString& pdf) {
    const QString out = QString::fromLatin1(run("pdfinfo", {"-f", "1", "-l", "100000", pdf}));
    std::vector<QSizeF> sizes;
    const QRegularExpression re(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts)");
    for (auto it = re.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

// Page `n` of the PDF rendered by pdftoppm at `dpi`, 1-bit. (Its image scaling may move an
// edge by a pixel even at the page's own resolution, so pages are compared by blocks.)
QImage renderPage(const QString& pdf, int n, double dpi, const QString& prefix) {
    run("pdftoppm", {"-r", QString::number(dpi), "-f", QString::number(n), "-l", QString::number(n),
                     "-mono", "-singlefile", pdf, prefix});
    QImage img(prefix + ".pbm");
    EXPECT_FALSE(img.isNull()) << "no rendering of page " << n;
    return img;
}

bool dark(const QImage& img, int x, int y) {
    return qGray(img.pixel(x, y)) < 128;
}

// Pixels that differ inside `area` (both images of the same size).
int differing(const QImage& a, const QImage& b, QRect area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += dark(a, x, y) != dark(b, x, y);
    return n;
}

// Marker blocks (24-pixel cells, read at their centres) inside `area` that differ.
int differingBlocks(const QImage& a, const QImage& b, QRect area) {
    int n = 0;
    for (int y = 12; y <= area.bottom(); y += 24)
        for (int x = 12; x <= area.right(); x += 24)
            n += dark(a, x, y) != dark(b, x, y);
    return n;
}

class ExportPdfTest : public ViewerFixture {
protected:
    void SetUp() override {
        ViewerFixture::SetUp();
        ASSERT_EQ(QProcess::execute("pdfinfo", {"-v"}), 0) << "poppler-utils is needed";
        std::vector<imaging::PageSource> pages;
        for (int i = 1; i <= 100; ++i) {
            imaging::AnnotationList notes;
            if (i == 6) {
                // A black filled rectangle that the export burns in.
                imaging::Annotation a;
                a.kind = imaging::AnnotationKind::FilledRectangle;
                a.bounds = QRect(100, 200, 300, 150);
                a.fillColor = Qt::black;
                a.lineColor = Qt::black;
                notes.push_back(a);
            }
            pages.push_back(
                imaging::PageSource::pixels(markerPage(i), kindOf(i).dpi, kindOf(i).dpi, notes));
        }
        record = t.dir.file("record.tif");
        imaging::writeDocument(record, pages);
        source = imaging::Document::open(record);
        ASSERT_EQ(source->pageInfo(0).compression, "CCITT G4");
        load();
        open(record);
        exports = viewer::ExportCommands::of(*w);
        ASSERT_NE(exports, nullptr);
    }

    // Runs File > Export PDF... with the dialog answering `choice` and the file dialog `path`.
    void exportPdf(std::optional<viewer::ExportPdfChoice> choice, const QString& path) {
        dialogShown = 0;
        exports->setDialogRunner([this, choice](int pageCount, int, QWidget*) {
            ++dialogShown;
            EXPECT_EQ(pageCount, 100);
            return choice;
        });
        fileDialogs->answer(path);
        ASSERT_TRUE(action("mnuFileExportPdf")->isEnabled());
        action("mnuFileExportPdf")->trigger();
    }

    // The source page as the engine decodes it, with page 6's annotation drawn as expected.
    QImage expectedPage(int page) const {
        QImage img = source->decodePage(page - 1);
        if (page == 6)
            for (int y = 200; y < 350; ++y)
                for (int x = 100; x < 400; ++x)
                    img.setPixel(x, y, 1);
        return img;
    }

    QString record;
    imaging::DocumentPtr source;
    viewer::ExportCommands* exports = nullptr;
    int dialogShown = 0;
};

TEST_F(ExportPdfTest, ExportsTheRecordAsPdfAPagesAtTheirSizeBitonalAndSmall) {
    struct Case {
        const char* name;
        bool all;
        int first, last;
        QString releasedTo;
        std::vector<int> markers; // source pages rendered and compared
    };
    const Case cases[] = {
        {"all", true, 1, 100, QString(), {1, 6, 7, 13, 15}},
        {"range", false, 3, 5, "Blue Cross Insurance", {3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString pdf = t.dir.file(QString("release-%1.pdf").arg(c.name));
        exportPdf(viewer::ExportPdfChoice{c.all, c.first, c.last, c.releasedTo}, pdf);
        ASSERT_TRUE(waitForJobs(120000));
        ASSERT_TRUE(QFileInfo::exists(pdf));
        EXPECT_EQ(dialogShown, 1);

        // Pages and their sizes: pixels * 72 / dpi of each source page.
        const std::vector<QSizeF> sizes = pdfPageSizes(pdf);
        ASSERT_EQ(int(sizes.size()), c.last - c.first + 1);
        for (int p = c.first; p <= c.last; ++p) {
            const PageKind k = kindOf(p);
            EXPECT_NEAR(sizes[p - c.first].width(), k.w * 72.0 / k.dpi, 0.01) << "page " << p;
            EXPECT_NEAR(sizes[p - c.first].height(), k.h * 72.0 / k.dpi, 0.01) << "page " << p;
        }

        // PDF/A-2b markers: the XMP identification, an sRGB output intent, no encryption.
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.startsWith("%PDF-1.7\n%\xE2"));
        EXPECT_TRUE(bytes.contains("<pdfaid:part>2</pdfaid:part>"));
        EXPECT_TRUE(bytes.contains("<pdfaid:conformance>B</pdfaid:conformance>"));
        EXPECT_TRUE(bytes.contains("/OutputIntents [<< /Type /OutputIntent /S /GTS_PDFA1"));
        EXPECT_TRUE(bytes.contains("/DestOutputProfile"));
        EXPECT_FALSE(bytes.contains("/Encrypt"));
        EXPECT_FALSE(bytes.contains("/Font"));
        EXPECT_EQ(bytes.count("/CCITTFaxDecode"), c.last - c.first + 1) << "bitonal pages stay G4";
        if (c.all) {
            EXPECT_LE(bytes.size(), 2 * QFileInfo(record).size()) << "PDF " << bytes.size();
            EXPECT_TRUE(QString::fromLatin1(run("pdfinfo", {pdf}))
                            .contains(QRegularExpression("Pages:\\s+100\\n")));
        }

        // Marker pages rendered at their own resolution match the source pixel for pixel; a
        // footer adds ink only in the bottom band, and differs from page to page.
        std::vector<QImage> bands;
        for (int p : c.markers) {
            SCOPED_TRACE(p);
            const PageKind k = kindOf(p);
            const QImage shown = renderPage(pdf, p - c.first + 1, k.dpi,
                                            t.dir.file(QString("%1-%2").arg(c.name).arg(p)));
            const QImage expected = expectedPage(p);
            ASSERT_EQ(shown.size(), expected.size());
            const int band = c.releasedTo.isEmpty() ? 0 : int(k.dpi / 4);
            const QRect above(0, 0, k.w, k.h - band);
            EXPECT_EQ(differingBlocks(shown, expected, above), 0);
            // Rasterizing moves some block edges by a pixel; nothing more.
            EXPECT_LT(differing(shown, expected, above), above.width() * above.height() / 50);
            if (band) {
                const QRect bottom(0, k.h - band, k.w, band);
                EXPECT_GT(differing(shown, expected, bottom), 200) << "no footer on page " << p;
                bands.push_back(shown.copy(bottom));
            }
        }
        for (size_t i = 1; i < bands.size(); ++i)
            EXPECT_GT(differing(bands[0], bands[i], bands[0].rect() & bands[i].rect()), 0)
                << "the same footer twice";
    }
    // The record itself is unchanged.
    EXPECT_FALSE(edit().imageModified());
}

TEST_F(ExportPdfTest, GrayAndColourPagesKeepTheirPixelsAndAJpegItsOwnData) {
    // A gray page of 16 gray levels in bands and a colour page of coloured blocks, 100 dpi.
    QImage gray(320, 200, QImage::Format_Grayscale8);
    for (int y = 0; y < gray.height(); ++y)
        for (int x = 0; x < gray.width(); ++x)
            gray.scanLine(y)[x] = uchar((x / 20) * 17);
    QImage colour(400, 300, QImage::Format_RGB32);
    const QRgb palette[] = {qRgb(200, 30, 30), qRgb(30, 160, 40), qRgb(20, 40, 190),
                            qRgb(250, 250, 250)};
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x)
            colour.setPixel(x, y, palette[(x / 50 + y / 50) % 4]);
    const QString path = t.dir.file("photos.tif");
    imaging::writeDocument(path, {imaging::PageSource::pixels(gray, 100, 100, {}),
                                  imaging::PageSource::pixels(colour, 100, 100, {})});
    open(path);
    exports->setDialogRunner([](int, int, QWidget*) { return viewer::ExportPdfChoice{}; });
    const QString pdf = t.dir.file("photos.pdf");
    fileDialogs->answer(pdf);
    action("mnuFileExportPdf")->trigger();
    ASSERT_TRUE(waitForJobs(60000));
    const std::vector<QSizeF> sizes = pdfPageSizes(pdf);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_NEAR(sizes[0].width(), 320 * 0.72, 0.01);
    EXPECT_NEAR(sizes[1].height(), 300 * 0.72, 0.01);
    const QImage expected[] = {gray, colour};
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        const QString prefix = t.dir.file(QString("photo-%1").arg(n));
        run("pdftoppm", {"-r", "100", "-f", QString::number(n), "-l", QString::number(n),
                         "-singlefile", pdf, prefix});
        const QImage shown(prefix + ".ppm");
        ASSERT_EQ(shown.size(), expected[n - 1].size());
        // Read inside the bands and blocks (away from edges the rasterizer may move).
        int off = 0;
        for (int y = 5; y < shown.height(); y += 10)
            for (int x = 5; x < shown.width(); x += 10) {
                const QRgb a = shown.pixel(x, y), b = expected[n - 1].pixel(x, y);
                off += std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                       std::abs(qBlue(a) - qBlue(b)) > 2;
            }
        EXPECT_EQ(off, 0);
    }

    // A JPEG file's page goes into the PDF as the file's own bytes, at its size.
    const QString jpegPath = t.dir.file("photo.jpg");
    QImage photo = colour.copy(0, 0, 320, 240);
    photo.setDotsPerMeterX(3937); // 100 dpi
    photo.setDotsPerMeterY(3937);
    ASSERT_TRUE(photo.save(jpegPath, "JPEG", 85));
    open(jpegPath);
    const QString jpegPdf = t.dir.file("photo.pdf");
    fileDialogs->answer(jpegPdf);
    action("mnuFileExportPdf")->trigger();
    ASSERT_TRUE(waitForJobs(60000));
    QFile jpegFile(jpegPath), pdfFile(jpegPdf);
    ASSERT_TRUE(jpegFile.open(QIODevice::ReadOnly) && pdfFile.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = pdfFile.readAll();
    EXPECT_TRUE(pdfBytes.contains("/DCTDecode"));
    EXPECT_TRUE(pdfBytes.contains(jpegFile.readAll()));
    const std::vector<QSizeF> jpegSizes = pdfPageSizes(jpegPdf);
    ASSERT_EQ(jpegSizes.size(), 1u);
    EXPECT_NEAR(jpegSizes[0].width(), 320 * 0.72, 0.05);
    EXPECT_NEAR(jpegSizes[0].height(), 240 * 0.72, 0.05);
    run("pdftoppm", {"-r", "100", "-singlefile", jpegPdf, t.dir.file("photo-shown")});
    const QImage photoShown(t.dir.file("photo-shown.ppm"));
    const QImage photoDecoded = imaging::Document::open(jpegPath)->decodePage(0);
    ASSERT_EQ(photoShown.size(), photoDecoded.size());
    for (int y = 25; y < 240; y += 50)
        for (int x = 25; x < 320; x += 50) {
            const QRgb a = photoShown.pixel(x, y), b = photoDecoded.pixel(x, y);
            EXPECT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b)),
                      12)
                << x << "," << y;
        }
}

TEST_F(ExportPdfTest, ACancelledExportLeavesNoFile) {
    const QString pdf = t.dir.file("cancelled.pdf");
    exportPdf(viewer::ExportPdfChoice{}, pdf);
    jobs::Job* job = w->jobs().documentJob();
    ASSERT_NE(job, nullptr);
    EXPECT_TRUE(job->cancellable());
    job->cancel();
    ASSERT_TRUE(waitForJobs(120000));
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_EQ(QDir(t.dir.path()).entryList({"*cancelled*"}, QDir::AllEntries | QDir::Hidden).size(),
              0);
}

TEST_F(ExportPdfTest, NeedsTheSettingsRights) {
    t.user->settingsAnswer = false;
    const QString pdf = t.dir.file("refused.pdf");
    exportPdf(viewer::ExportPdfChoice{}, pdf);
    ASSERT_TRUE(waitForJobs());
    EXPECT_EQ(t.user->checkSettingsCalls, 1);
    EXPECT_EQ(dialogShown, 0);
    EXPECT_TRUE(fileDialogs->requests().empty());
    EXPECT_FALSE(QFileInfo::exists(pdf));
    // With no document open there is nothing to export.
    w->mnuFileClose_Click();
    settle();
    EXPECT_FALSE(action("mnuFileExportPdf")->isEnabled());
}

} // namespace
