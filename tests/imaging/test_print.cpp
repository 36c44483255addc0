// Printing to PDF, looked at with poppler's pdftoppm (pages rendered at 50 dpi) and
// pdfimages. Expected places are worked out here from the page's pixels and resolution and
// the test printer's sheet (Letter, half-inch margins).
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/Print.h"
#include "support/TempDir.h"
#include "test_admin_fixtures.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace imaging;
using fixtures::FixturePage;

namespace {

constexpr double kRenderDpi = 50;
constexpr double kMargin = 0.5; // inches, PdfPrinterProvider's sheet
const QSizeF kLetter(8.5, 11);

// A white page with a black square of side `side` at (x, y), all in page pixels.
QImage squarePage(QSize size, QRect square, bool mono = true) {
    QImage page(size, QImage::Format_Grayscale8);
    page.fill(255);
    QPainter(&page).fillRect(square, Qt::black);
    return mono ? page.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither) : page;
}

// Where a rectangle of the page lands on the sheet (50-dpi pixels of the rendered PDF):
// the page is `pageInches` big, scaled by `scale` and centred in the printable area.
QRectF expectedOnSheet(QRectF pagePixels, QSizeF pageDpi, QSizeF pageInches, double scale,
                       QSizeF sheet) {
    const QSizeF printable(sheet.width() - 2 * kMargin, sheet.height() - 2 * kMargin);
    const double left = kMargin + (printable.width() - pageInches.width() * scale) / 2;
    const double top = kMargin + (printable.height() - pageInches.height() * scale) / 2;
    const double x = left + pagePixels.left() / pageDpi.width() * scale;
    const double y = top + pagePixels.top() / pageDpi.height() * scale;
    const double w = pagePixels.width() / pageDpi.width() * scale;
    const double h = pagePixels.height() / pageDpi.height() * scale;
    return QRectF(x * kRenderDpi, y * kRenderDpi, w * kRenderDpi, h * kRenderDpi);
}

QRect boxOf(const QImage& image, const std::function<bool(QRgb)>& inside) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (inside(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

QRect darkBox(const QImage& image) {
    return boxOf(image, [](QRgb c) { return qGray(c) < 128; });
}

QRect redBox(const QImage& image) {
    return boxOf(image, [](QRgb c) { return qRed(c) > 180 && qGreen(c) < 100 && qBlue(c) < 100; });
}

void expectNear(const QRect& got, const QRectF& want, const char* what) {
    const double tol = 2;
    EXPECT_NEAR(got.left(), want.left(), tol) << what;
    EXPECT_NEAR(got.top(), want.top(), tol) << what;
    EXPECT_NEAR(got.right() + 1, want.right(), tol) << what;
    EXPECT_NEAR(got.bottom() + 1, want.bottom(), tol) << what;
}

class PrintTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    QString pdf = dir.file("out.pdf");
    std::shared_ptr<PdfPrinterProvider> printer = std::make_shared<PdfPrinterProvider>(pdf);


    DocumentPtr documentOf(const std::vector<FixturePage>& pages) {
        const QString path = dir.file(QString("doc%1.tif").arg(++files_));
        fixtures::writeTiff(path, pages);
        return Document::open(path);
    }

    // The printed sheets, rendered by pdftoppm.
    std::vector<QImage> sheets() {
        const QString prefix = dir.file("sheet");
        for (const QString& old : QDir(dir.path()).entryList({"sheet-*.png"}, QDir::Files))
            QFile::remove(dir.file(old));
        QProcess p;
        p.start("pdftoppm", {"-r", QString::number(kRenderDpi), "-png", pdf, prefix});
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        std::vector<QImage> result;
        const QStringList files =
            QDir(dir.path()).entryList({"sheet-*.png"}, QDir::Files, QDir::Name);
        for (const QString& f : files)
            result.push_back(QImage(dir.file(f)).convertToFormat(QImage::Format_RGB32));
        return result;
    }

    // Bits per component of the images in the PDF, from pdfimages -list.
    std::vector<int> imageDepths() {
        QProcess p;
        p.start("pdfimages", {"-list", pdf});
        EXPECT_TRUE(p.waitForFinished(60000));
        std::vector<int> depths;
        const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n');
        for (int i = 2; i < lines.size(); ++i) { // two header lines
            const QStringList cols = lines[i].simplified().split(' ');
            if (cols.size() > 7 && cols[2] != "smask")
                depths.push_back(cols[7].toInt()); // page num type width height color comp bpc
        }
        return depths;
    }

private:
    int files_ = 0;
};

} // namespace

TEST_F(PrintTest, PagesPrintAtTheirPhysicalSizeCentredOnPortraitSheets) {
    const QSize size(1000, 1400);
    const QRect square(200, 300, 100, 100);
    // Page 1 at 200 dpi; page 2 states no resolution and is taken as 200 dpi; page 3 at
    // 250 x 125 dpi (wide pixels) is 4 x 11.2 inches: taller than the printable area.
    auto doc = documentOf({{squarePage(size, square), 200, 200},
                           {squarePage(size, square), 0, 0},
                           {squarePage(size, square), 250, 125}});
    printPages(*printer, *doc, 1, 3, kPrintActualSize, false);

    const std::vector<QImage> pages = sheets();
    ASSERT_EQ(pages.size(), 3u);
    for (const QImage& sheet : pages)
        EXPECT_EQ(sheet.size(), QSize(425, 550)) << "Letter portrait at 50 dpi";
    const QSizeF inches(5, 7);
    expectNear(darkBox(pages[0]), expectedOnSheet(square, {200, 200}, inches, 1, kLetter),
               "page at 200 dpi");
    expectNear(darkBox(pages[1]), expectedOnSheet(square, {200, 200}, inches, 1, kLetter),
               "page without resolution");
    const QSizeF tall(4, 11.2);
    expectNear(darkBox(pages[2]), expectedOnSheet(square, {250, 125}, tall, 10 / 11.2, kLetter),
               "page taller than the printable area");
}

TEST_F(PrintTest, LandscapePagesGoOnLandscapeSheetsAndLargePagesAreFitted) {
    const QRect square(400, 200, 200, 100);
    auto doc = documentOf({{squarePage(QSize(1400, 1000), square), 200, 200},
                           {squarePage(QSize(3000, 2000), square), 100, 100},
                           {squarePage(QSize(400, 500), square.translated(-300, 0)), 200, 200}});
    printPages(*printer, *doc, 1, 2, kPrintActualSize, false);
    std::vector<QImage> pages = sheets();
    ASSERT_EQ(pages.size(), 2u);
    const QSizeF landscape(11, 8.5);
    EXPECT_EQ(pages[0].size(), QSize(550, 425));
    EXPECT_EQ(pages[1].size(), QSize(550, 425));
    expectNear(darkBox(pages[0]), expectedOnSheet(square, {200, 200}, {7, 5}, 1, landscape),
               "landscape page at its size");
    // 30 x 20 inches into 10 x 7.5: scaled by 1/3.
    expectNear(darkBox(pages[1]), expectedOnSheet(square, {100, 100}, {30, 20}, 1.0 / 3, landscape),
               "large page fitted");

    // Fit to page enlarges a small page: 2 x 2.5 inches into 7.5 x 10 → x 3.75.
    printPages(*printer, *doc, 3, 3, kPrintFitToPage, false);
    pages = sheets();
    ASSERT_EQ(pages.size(), 1u);
    expectNear(darkBox(pages[0]),
               expectedOnSheet(square.translated(-300, 0), {200, 200}, {2, 2.5}, 3.75, kLetter),
               "small page fitted to the sheet");
}

TEST_F(PrintTest, BitonalPagesStayOneBitInThePrintout) {
    const QRect square(10, 10, 50, 50);
    auto doc = documentOf({{squarePage(QSize(300, 400), square, true), 200, 200},
                           {squarePage(QSize(300, 400), square, false), 200, 200}});
    printPages(*printer, *doc, 1, 2, kPrintActualSize, false);
    EXPECT_EQ(imageDepths(), (std::vector<int>{1, 8}));
}

TEST_F(PrintTest, AnnotationsArePrintedOnlyWhenAskedFor) {
    const QString path = dir.file("annotated.tif");
    fixtures::writeTiff(path, {{squarePage(QSize(1000, 1400), QRect(100, 100, 50, 50)), 200, 200}});
    DocumentModelPtr model = DocumentModel::acquire(path);
    const QRect note(500, 700, 200, 100);
    model->apply(makeOperation(
        "annotate", 0,
        [note](PageContent& page) {
            Annotation a;
            a.kind = AnnotationKind::FilledRectangle;
            a.bounds = note;
            a.fillColor = Qt::red;
            a.lineColor = Qt::red;
            page.annotations.push_back(a);
        },
        true));

    printPages(*printer, *model, 1, 1, kPrintActualSize, true);
    std::vector<QImage> pages = sheets();
    ASSERT_EQ(pages.size(), 1u);
    expectNear(redBox(pages[0]), expectedOnSheet(note, {200, 200}, {5, 7}, 1, kLetter),
               "annotation at its place on the page");

    printPages(*printer, *model, 1, 1, kPrintActualSize, false);
    pages = sheets();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(redBox(pages[0]).isEmpty());
    EXPECT_FALSE(darkBox(pages[0]).isEmpty()) << "the page itself is printed";
}

TEST_F(PrintTest, ProgressIsReportedPerPageAndCanStopTheJob) {
    const FixturePage page{squarePage(QSize(200, 200), QRect(0, 0, 20, 20)), 200, 200};
    auto doc = documentOf({page, page, page});
    std::vector<std::pair<int, int>> calls;
    printPages(*printer, *doc, 1, 3, kPrintActualSize, false, [&](int done, int total) {
        calls.emplace_back(done, total);
        return true;
    });
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));

    printPages(*printer, *doc, 2, 3, kPrintActualSize, false, [](int done, int) { return done < 1; });
    EXPECT_EQ(sheets().size(), 1u) << "stopped after the first page";
}

TEST_F(PrintTest, BadRequestsAreRefused) {
    const FixturePage page{squarePage(QSize(200, 200), QRect(0, 0, 20, 20)), 200, 200};
    auto doc = documentOf({page, page});
    EXPECT_EQ(fixtures::errorOf([&] { printPages(*printer, *doc, 0, 1, 0, false); }), kErrBadPage);
    EXPECT_EQ(fixtures::errorOf([&] { printPages(*printer, *doc, 2, 3, 0, false); }), kErrBadPage);
    EXPECT_EQ(fixtures::errorOf([&] { printPages(*printer, *doc, 2, 1, 0, false); }), kErrBadPage);
    EXPECT_EQ(fixtures::errorOf([&] { printPages(*printer, *doc, 1, 1, 9, false); }), kErrBadArgument);
    printer->setFileName("");
    EXPECT_EQ(fixtures::errorOf([&] { printPages(*printer, *doc, 1, 1, 0, false); }), kErrPrinter);
    printer->setFileName(dir.file("no-such-folder/out.pdf"));
    EXPECT_EQ(fixtures::errorOf([&] { printPages(*printer, *doc, 1, 1, 0, false); }), kErrPrinter);
}

TEST_F(PrintTest, APrintJobTellsThePagesPrintedAndEndsFailedOnABadRange) {
    const FixturePage page{squarePage(QSize(200, 200), QRect(0, 0, 20, 20)), 200, 200};
    auto doc = documentOf({page, page, page, page});
    auto run = [&](int first, int last, QString& text) {
        jobs::Job* job = makePrintJob(printer, doc, first, last, kPrintActualSize, false);
        QSignalSpy finished(job, &jobs::Job::finished);
        QObject::connect(job, &jobs::Job::progressChanged,
                         [&](qint64, qint64, const QString& t) { text = t; });
        job->start();
        EXPECT_TRUE(finished.wait(30000));
        return finished.isEmpty() ? jobs::Result{} : finished[0][0].value<jobs::Result>();
    };
    QString text;
    const jobs::Result done = run(1, 4, text);
    EXPECT_TRUE(done.ok()) << done.errorText.toStdString();
    EXPECT_EQ(text, "Printed 4 of 4 pages.");
    EXPECT_EQ(sheets().size(), 4u);

    const jobs::Result bad = run(3, 9, text);
    ASSERT_TRUE(bad.failed());
    EXPECT_EQ(fixtures::errorOf([&] { std::rethrow_exception(bad.error); }), kErrBadPage);
}
