// The page display's edits: turning, flipping, deskew, smooth, invert, clipboard, clearing,
// page properties, saving and printing. Results are checked in the decoded pixels of the
// model and of the file written, with marker positions worked out by hand.
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImageOps.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/PagePropertiesDialog.h"
#include "imaging/controls/Print.h"
#include "jobs/Job.h"
#include "test_imageedit_support.h"

#include <QClipboard>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <cmath>

namespace {

using namespace imagetest;

QImage currentPixels(const imaging::ImageEdit& edit) {
    return edit.model()->pageImage(edit.page() - 1);
}

// A page of text-like lines turned by `degrees` clockwise.
QImage skewedPage(double degrees) {
    QImage canvas(850, 1100, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        p.translate(425, 550);
        p.rotate(degrees);
        p.translate(-425, -550);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (int y = 100; y < 1000; y += 30)
            for (int x = 80; x < 760; x += 70)
                p.drawRect(x, y, 50 + (x * 7 + y) % 15, 10);
    }
    return imaging::ops::toBitonal(canvas);
}

TEST(ImageEditEditing, TurnsAndFlipsMoveMarkersAndAnnotations) {
    testsupport::TempDir dir;
    // 40 wide, 20 high: a 4x4 block at the top-left corner and one pixel at the top-right.
    QImage page = markedPage(40, 20, QRect(0, 0, 4, 4));
    blacken(page, QRect(39, 0, 1, 1));
    const QString path = writePages(dir, "turn.tif", {page, whitePage(10, 10)});
    EditFixture f;
    f.open(path);
    // A filled rectangle over the block (page pixels at 100 %).
    f.edit.setAnnotationType(imaging::kDrawFilledRectangle);
    f.edit.draw(0, 0, 4, 4);

    f.edit.rotateRight();
    EXPECT_TRUE(f.edit.imageModified());
    QImage now = currentPixels(f.edit);
    ASSERT_EQ(now.size(), QSize(20, 40));
    EXPECT_TRUE(black(now, 16, 0) && black(now, 19, 3)); // block: top-right
    EXPECT_FALSE(black(now, 0, 0));
    EXPECT_TRUE(black(now, 19, 39)); // pixel: bottom-right
    EXPECT_EQ(f.edit.model()->annotations(0).at(0).bounds, QRect(16, 0, 4, 4));
    EXPECT_EQ(f.edit.imageScaleWidth(), 20);

    f.edit.rotateLeft();
    f.edit.rotateLeft();
    now = currentPixels(f.edit);
    ASSERT_EQ(now.size(), QSize(20, 40));
    EXPECT_TRUE(black(now, 0, 36) && black(now, 3, 39)); // block: bottom-left
    EXPECT_TRUE(black(now, 0, 0));                       // pixel: top-left
    f.edit.rotateRight();

    f.edit.flip();
    now = currentPixels(f.edit);
    ASSERT_EQ(now.size(), QSize(40, 20));
    EXPECT_TRUE(black(now, 0, 16) && black(now, 3, 19)); // block: bottom-left
    EXPECT_TRUE(black(now, 39, 19));
    EXPECT_FALSE(black(now, 0, 0));
    EXPECT_EQ(f.edit.model()->annotations(0).at(0).bounds, QRect(0, 16, 4, 4));

    // Saved by Save: the file holds the flipped page and its annotation.
    f.edit.save();
    EXPECT_FALSE(f.edit.imageModified());
    const imaging::DocumentPtr reread = imaging::Document::open(path);
    EXPECT_EQ(inkRows(reread->decodePage(0)), inkRows(now));
    EXPECT_EQ(reread->annotations(0).at(0).bounds, QRect(0, 16, 4, 4));
    EXPECT_EQ(reread->pageCount(), 2);
}

TEST(ImageEditEditing, DeskewStraightensASkewedPage) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "skew.tif", {skewedPage(3.0), skewedPage(0.0)});
    EditFixture f;
    f.open(path);
    f.edit.deskew();
    EXPECT_NEAR(f.edit.lastSkewAngle(), 3.0, 0.2);
    EXPECT_TRUE(f.edit.model()->isPageModified(0));
    EXPECT_NEAR(imaging::ops::estimateSkew(currentPixels(f.edit)), 0.0, 0.2);
    EXPECT_EQ(currentPixels(f.edit).size(), QSize(850, 1100));

    // Automatic deskew leaves a straight page alone.
    f.edit.setPage(2);
    f.edit.display();
    const QImage before = currentPixels(f.edit);
    f.edit.autoDeskew();
    EXPECT_LT(std::abs(f.edit.lastSkewAngle()), imaging::ImageEdit::kAutoDeskewThreshold);
    EXPECT_FALSE(f.edit.model()->isPageModified(1));
    EXPECT_EQ(inkRows(currentPixels(f.edit)), inkRows(before));
}

// The window's way: the edit is prepared on the display, done by a job on a worker, and the
// display follows the document's notice of the changed page.
TEST(ImageEditEditing, PageEditJobsChangeThePageOnAWorkerAndTheDisplayFollows) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "jobs.tif",
                                    {markedPage(40, 20, QRect(0, 0, 4, 4)), skewedPage(3.0)});
    EditFixture f;
    f.open(path);
    auto run = [&](imaging::PageEdit kind) {
        jobs::Job* job = f.edit.makePageEditJob(kind);
        job->setAutoDelete(false);
        // Made, not started: the page has not changed yet.
        EXPECT_FALSE(f.edit.model()->isPageModified(f.edit.page() - 1));
        QSignalSpy finished(job, &jobs::Job::finished);
        job->start();
        EXPECT_TRUE(finished.count() == 1 || finished.wait(10000));
        const jobs::Result result = job->result();
        delete job;
        QCoreApplication::processEvents(); // the queued notice of the changed page
        return result;
    };
    ASSERT_TRUE(run(imaging::PageEdit::RotateRight).ok());
    const QImage turned = currentPixels(f.edit);
    ASSERT_EQ(turned.size(), QSize(20, 40));
    EXPECT_TRUE(black(turned, 16, 0) && black(turned, 19, 3)); // block: top-right
    EXPECT_FALSE(black(turned, 0, 0));
    EXPECT_EQ(f.edit.imageScaleWidth(), 20); // the display shows the turned page

    f.edit.setPage(2);
    f.edit.display();
    ASSERT_TRUE(run(imaging::PageEdit::Deskew).ok());
    EXPECT_NEAR(f.edit.lastSkewAngle(), 3.0, 0.2);
    EXPECT_NEAR(imaging::ops::estimateSkew(currentPixels(f.edit)), 0.0, 0.2);

    // Without a page there is nothing to prepare.
    imaging::ImageEdit empty;
    EXPECT_THROW(empty.makePageEditJob(imaging::PageEdit::Flip), imaging::Error);
}

TEST(ImageEditEditing, SmoothRemovesSpecksAndInvertSwapsInk) {
    testsupport::TempDir dir;
    QImage page = whitePage(60, 40);
    blacken(page, QRect(5, 5, 1, 1));    // speck
    blacken(page, QRect(20, 5, 2, 1));   // speck of two
    blacken(page, QRect(10, 20, 40, 3)); // stroke
    const QString path = writePages(dir, "specks.tif", {page});
    EditFixture f;
    f.open(path);
    f.edit.smooth();
    QImage now = currentPixels(f.edit);
    EXPECT_FALSE(black(now, 5, 5));
    EXPECT_FALSE(black(now, 20, 5) || black(now, 21, 5));
    EXPECT_TRUE(black(now, 10, 20) && black(now, 49, 22));

    f.edit.invert();
    now = currentPixels(f.edit);
    EXPECT_TRUE(black(now, 5, 5));
    EXPECT_FALSE(black(now, 30, 21));
    // The save round trip keeps the pixels.
    f.edit.save();
    EXPECT_EQ(inkRows(imaging::Document::open(path)->decodePage(0)), inkRows(now));
}

TEST(ImageEditClipboard, CutCopyAndPasteAnImageArea) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "clip.tif", {markedPage(100, 60, QRect(10, 10, 8, 8))});
    EditFixture f;
    f.open(path);
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(f.edit.isClipboardDataAvailable());
    expectError(imaging::kErrBadArgument, [&] { f.edit.clipboardCopy(); }); // nothing selected

    f.edit.drawSelectionRect(10, 10, 8, 8);
    f.edit.clipboardCopy();
    EXPECT_TRUE(f.edit.isClipboardDataAvailable());
    QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(8, 8));
    EXPECT_TRUE(black(copied, 0, 0) && black(copied, 7, 7));
    EXPECT_FALSE(f.edit.imageModified());

    // The whole page as displayed, selected at best fit without repainting.
    const double zoom = f.edit.zoom();
    f.edit.fitTo(imaging::kFitBest, false);
    f.edit.drawSelectionRect(0, 0, f.edit.imageScaleWidth(), f.edit.imageScaleHeight());
    f.edit.clipboardCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(100, 60));
    f.edit.setZoom(zoom);
    f.edit.drawSelectionRect(10, 10, 8, 8);

    f.edit.clipboardCut();
    EXPECT_FALSE(black(currentPixels(f.edit), 12, 12));
    EXPECT_TRUE(f.edit.imageModified());

    // Paste floats the picture at the top-left of the view until it is placed.
    QSignalSpy cleared(&f.edit, &imaging::ImageEdit::selectionCleared);
    f.edit.drawSelectionRect(0, 0, 0, 0);
    f.edit.clipboardPaste();
    EXPECT_TRUE(f.edit.pastePending());
    EXPECT_FALSE(black(currentPixels(f.edit), 2, 2));
    // Dragging it moves it: 20 right, 30 down.
    QWidget* vp = f.edit.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, f.at(3, 3));
    QTest::mouseMove(vp, f.at(13, 18));
    QTest::mouseMove(vp, f.at(23, 33));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, f.at(23, 33));
    EXPECT_TRUE(f.edit.pastePending());
    f.edit.save(); // places it
    EXPECT_FALSE(f.edit.pastePending());
    EXPECT_GE(cleared.count(), 1);
    const QImage saved = imaging::Document::open(path)->decodePage(0);
    EXPECT_TRUE(black(saved, 20, 30) && black(saved, 27, 37));
    EXPECT_FALSE(black(saved, 19, 29) || black(saved, 28, 38));
    EXPECT_FALSE(black(saved, 12, 12));
}

TEST(ImageEditClipboard, APendingPasteCanBeDroppedAndAnEmptyClipboardIsRefused) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "clip.tif", {whitePage(100, 60)});
    EditFixture f;
    f.open(path);
    QImage piece(5, 5, QImage::Format_RGB32);
    piece.fill(Qt::black);
    QGuiApplication::clipboard()->setImage(piece);
    f.edit.clipboardPaste();
    ASSERT_TRUE(f.edit.pastePending());
    EXPECT_TRUE(f.edit.imageModified());
    QSignalSpy cleared(&f.edit, &imaging::ImageEdit::selectionCleared);
    f.edit.deleteSelectedAnnotations();
    EXPECT_FALSE(f.edit.pastePending());
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_FALSE(f.edit.imageModified());

    QGuiApplication::clipboard()->clear();
    expectError(imaging::kErrClipboard, [&] { f.edit.clipboardPaste(); });
    EXPECT_EQ(f.edit.statusCode(), imaging::kErrClipboard);
}

TEST(ImageEditEditing, DeleteImageDataClearsTheSelectionToWhite) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "del.tif", {markedPage(100, 60, QRect(0, 0, 100, 60))});
    EditFixture f;
    f.open(path, 1, 50);
    expectError(imaging::kErrBadArgument, [&] { f.edit.deleteImageData(); });
    // Display 5,5 10x10 at 50 % is page 10,10 20x20.
    f.edit.drawSelectionRect(5, 5, 10, 10);
    f.edit.deleteImageData();
    const QImage now = currentPixels(f.edit);
    EXPECT_FALSE(black(now, 10, 10) || black(now, 29, 29));
    EXPECT_TRUE(black(now, 9, 9) && black(now, 30, 30));
    EXPECT_TRUE(f.edit.selectionRect().isEmpty());
}

TEST(ImageEditFiles, SaveAsBmpAndTiffAndAwdIsRefused) {
    testsupport::TempDir dir;
    const QString path = writePages(
        dir, "src.tif",
        {markedPage(30, 20, QRect(0, 0, 5, 5)), markedPage(30, 20, QRect(25, 15, 5, 5))});
    EditFixture f;
    f.open(path, 2);
    expectError(imaging::kErrUnsupported, [&] { f.edit.saveAs(dir.file("x.awd"), 2); });
    EXPECT_EQ(f.edit.statusCode(), imaging::kErrUnsupported);
    EXPECT_FALSE(QFile::exists(dir.file("x.awd")));

    f.edit.saveAs(dir.file("page.bmp"), imaging::kFileBmp);
    EXPECT_EQ(f.edit.statusCode(), 0);
    const QImage bmp(dir.file("page.bmp"));
    ASSERT_EQ(bmp.size(), QSize(30, 20));
    EXPECT_TRUE(black(bmp, 27, 17));
    EXPECT_FALSE(black(bmp, 2, 2));
    EXPECT_EQ(f.edit.image(), path); // a BMP copy does not rename the document

    f.edit.invert();
    f.edit.saveAs(dir.file("copy.tif"), imaging::kFileTiff);
    EXPECT_EQ(f.edit.image(), dir.file("copy.tif"));
    const imaging::DocumentPtr copy = imaging::Document::open(dir.file("copy.tif"));
    ASSERT_EQ(copy->pageCount(), 2);
    EXPECT_FALSE(black(copy->decodePage(1), 27, 17));                         // inverted
    EXPECT_TRUE(black(imaging::Document::open(path)->decodePage(1), 27, 17)); // untouched
}

TEST(ImageEditFiles, PagePropertiesShowThePageAndEditTheResolution) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "props.tif", {whitePage(400, 200)}, 200);
    EditFixture f;
    f.open(path);
    QString shownWidth;
    f.dialogs->onRun = [&](QDialog& d) {
        shownWidth = d.findChild<QLabel*>("widthValue")->text();
        EXPECT_TRUE(d.findChild<QDoubleSpinBox*>("xResolution")->isReadOnly());
        return true;
    };
    f.edit.showPageProperties(true);
    EXPECT_TRUE(shownWidth.contains("400 pixels"));
    EXPECT_TRUE(shownWidth.contains("2.00 in"));
    EXPECT_FALSE(f.edit.imageModified());

    f.dialogs->onRun = [](QDialog& d) {
        d.findChild<QDoubleSpinBox*>("xResolution")->setValue(300);
        d.findChild<QDoubleSpinBox*>("yResolution")->setValue(300);
        return true;
    };
    f.edit.showPageProperties(false);
    EXPECT_DOUBLE_EQ(f.edit.model()->pageInfo(0).xDpi, 300);
    EXPECT_TRUE(f.edit.imageModified());
    // Cancelling changes nothing.
    f.dialogs->onRun = [](QDialog& d) {
        d.findChild<QDoubleSpinBox*>("xResolution")->setValue(100);
        return false;
    };
    f.edit.showPageProperties(false);
    EXPECT_DOUBLE_EQ(f.edit.model()->pageInfo(0).xDpi, 300);
    EXPECT_EQ(f.edit.statusCode(), 0);
}

TEST(ImageEditFiles, PrintsTheStoredPagesOfTheRange) {
    testsupport::TempDir dir;
    const QString path = writePages(
        dir, "print.tif", {whitePage(200, 300), whitePage(200, 300), whitePage(200, 300)});
    imaging::Environment env;
    env.printer = std::make_shared<imaging::PdfPrinterProvider>(dir.file("out.pdf"));
    EditFixture f(QSize(400, 300), env);
    f.open(path);
    f.edit.printImage(2, 3, imaging::kPrintActualSize, false);
    EXPECT_EQ(f.edit.statusCode(), 0);
    QProcess info;
    info.start("pdfinfo", {dir.file("out.pdf")});
    ASSERT_TRUE(info.waitForFinished(20000));
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression("Pages:\\s+2")));
    expectError(imaging::kErrBadPage, [&] { f.edit.printImage(3, 5, 0, false); });
}

} // namespace
