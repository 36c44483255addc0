// The page display: documents, pages, zoom, fitting, scrolling, selection and input events.
#include "imaging/pixels/ImagingError.h"
#include "jobs/Job.h"
#include "test_imageedit_support.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <cmath>

namespace {

using namespace imagetest;
using imaging::Error;

TEST(ImageEditDocument, PagesAndOutOfRangePagesAreRefusedKeepingTheCurrentPage) {
    testsupport::TempDir dir;
    const QString path =
        writePages(dir, "three.tif", {whitePage(40, 30), whitePage(50, 30), whitePage(60, 30)});
    EditFixture f;
    QSignalSpy displayed(&f.edit, &imaging::ImageEdit::pageDisplayed);
    f.edit.setImage(path);
    EXPECT_EQ(f.edit.image(), path);
    EXPECT_EQ(f.edit.pageCount(), 3);
    EXPECT_EQ(f.edit.page(), 1);
    EXPECT_FALSE(f.edit.imageDisplayed());

    f.edit.setPage(2);
    f.edit.display();
    EXPECT_EQ(f.edit.statusCode(), 0);
    EXPECT_TRUE(f.edit.imageDisplayed());
    EXPECT_EQ(f.edit.imageScaleWidth(), 50);
    ASSERT_EQ(displayed.count(), 1);
    EXPECT_EQ(displayed.at(0).at(0).toInt(), 2);

    for (int bad : {0, 4, -1}) {
        expectError(imaging::kErrBadPage, [&] { f.edit.setPage(bad); });
        EXPECT_EQ(f.edit.statusCode(), imaging::kErrBadPage);
        EXPECT_FALSE(f.edit.statusDescription().isEmpty());
        EXPECT_EQ(f.edit.page(), 2);
    }
    // The next good operation reports success again.
    f.edit.setPage(3);
    EXPECT_EQ(f.edit.statusCode(), 0);
    EXPECT_FALSE(f.edit.imageModified());
}

TEST(ImageEditDocument, ClosingIsRaisedBeforeADocumentIsLetGo) {
    testsupport::TempDir dir;
    const QString a = writePages(dir, "a.tif", {whitePage(20, 20)});
    const QString b = writePages(dir, "b.tif", {whitePage(30, 20), whitePage(30, 20)});
    EditFixture f;
    QSignalSpy closing(&f.edit, &imaging::ImageEdit::closing);
    f.edit.setImage(a);
    EXPECT_EQ(closing.count(), 0); // nothing was open
    f.edit.setImage(a);
    EXPECT_EQ(closing.count(), 0); // same document
    f.edit.setImage(b);
    EXPECT_EQ(closing.count(), 1);
    EXPECT_EQ(f.edit.pageCount(), 2);
    f.edit.setImage("");
    EXPECT_EQ(closing.count(), 2);
    EXPECT_EQ(f.edit.pageCount(), 0);
    EXPECT_EQ(f.edit.image(), QString());
    expectError(imaging::kErrNoDocument, [&] { f.edit.display(); });

    // The owner may still use the document while it is being let go.
    f.edit.setImage(a);
    int pagesSeen = -1;
    QObject::connect(&f.edit, &imaging::ImageEdit::closing,
                     [&] { pagesSeen = f.edit.pageCount(); });
    f.edit.setImage(b);
    EXPECT_EQ(pagesSeen, 1);
}

TEST(ImageEditDocument, AMissingFileFailsWithADescription) {
    testsupport::TempDir dir;
    EditFixture f;
    expectError(imaging::kErrFileNotFound, [&] { f.edit.setImage(dir.file("none.tif")); });
    EXPECT_EQ(f.edit.statusCode(), imaging::kErrFileNotFound);
    EXPECT_FALSE(f.edit.statusDescription().isEmpty());
    EXPECT_EQ(f.edit.pageCount(), 0);
}

TEST(ImageEditDisplay, ShowsThePageCentredWithItsMarkers) {
    testsupport::TempDir dir;
    const QString path = writePages(
        dir, "m.tif",
        {markedPage(200, 100, QRect(0, 0, 10, 10)), markedPage(200, 100, QRect(190, 90, 10, 10))});
    EditFixture f(QSize(400, 300));
    f.open(path);
    // A 200x100 page in a 400x300 view at 100 %: centred.
    EXPECT_EQ(f.edit.displayedImageRect(), QRect(100, 100, 200, 100));
    QImage shot = f.shown();
    EXPECT_TRUE(black(shot, 105, 105));
    EXPECT_FALSE(black(shot, 295, 195));
    EXPECT_FALSE(black(shot, 150, 150));

    f.edit.setPage(2);
    f.edit.display();
    shot = f.shown();
    EXPECT_FALSE(black(shot, 105, 105));
    EXPECT_TRUE(black(shot, 295, 195));
    f.edit.clearDisplay();
    EXPECT_FALSE(f.edit.imageDisplayed());
}

TEST(ImageEditDisplay, FollowsEditsAndPageChangesOfTheDocument) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "m.tif", {markedPage(200, 100, QRect(0, 0, 10, 10)),
                                                   whitePage(200, 100), whitePage(200, 100)});
    EditFixture f(QSize(400, 300));
    f.open(path);
    // An edit makes the page's rendering stale: the turned page is shown.
    f.edit.rotateRight();
    EXPECT_EQ(f.edit.displayedImageRect(), QRect(150, 50, 100, 200));
    QImage shot = f.shown();
    EXPECT_TRUE(black(shot, 245, 55));  // the block is now at the top-right
    EXPECT_FALSE(black(shot, 155, 55));

    // Pages removed by another control: the display keeps to the pages that are left.
    f.edit.setPage(3);
    f.edit.display();
    f.edit.model()->deletePages(3, 1);
    EXPECT_EQ(f.edit.pageCount(), 2);
    EXPECT_EQ(f.edit.page(), 2);
    EXPECT_TRUE(f.edit.imageDisplayed());
    shot = f.shown();
    EXPECT_FALSE(black(shot, 200, 150));
    EXPECT_EQ(f.edit.displayedImageRect(), QRect(100, 100, 200, 100));
}

TEST(ImageEditView, FitModesComputeTheZoomForTheViewSize) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(1700, 2200), whitePage(2200, 1000)});
    EditFixture f(QSize(800, 600));
    f.open(path);
    f.edit.fitTo(imaging::kFitBest);
    EXPECT_NEAR(f.edit.zoom(), 600.0 / 2200 * 100, 1e-6);
    f.edit.fitTo(imaging::kFitWidth);
    EXPECT_NEAR(f.edit.zoom(), 800.0 / 1700 * 100, 1e-6);
    EXPECT_EQ(f.edit.imageScaleWidth(), 800);
    f.edit.fitTo(imaging::kFitHeight);
    EXPECT_NEAR(f.edit.zoom(), 600.0 / 2200 * 100, 1e-6);
    EXPECT_EQ(f.edit.imageScaleHeight(), 600);
    f.edit.fitTo(imaging::kFitActual);
    EXPECT_DOUBLE_EQ(f.edit.zoom(), 100.0);

    // A landscape page is limited by the width.
    f.edit.setPage(2);
    f.edit.display();
    f.edit.fitTo(imaging::kFitBest, false);
    EXPECT_NEAR(f.edit.zoom(), 800.0 / 2200 * 100, 1e-6);
    expectError(imaging::kErrBadArgument, [&] { f.edit.fitTo(4); });

    // With scroll bars, fitting a tall page to the width leaves room for the vertical bar.
    f.edit.setPage(1);
    f.edit.display();
    f.edit.setScrollBars(true);
    const int bar = f.edit.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &f.edit);
    f.edit.fitTo(imaging::kFitWidth);
    EXPECT_NEAR(f.edit.zoom(), (800.0 - bar) / 1700 * 100, 1e-6);
}

TEST(ImageEditView, ZoomSetsTheScaledSizeAndRefusesImpossibleValues) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(1701, 2201)});
    EditFixture f;
    f.open(path);
    f.edit.setZoom(50);
    EXPECT_EQ(f.edit.imageScaleWidth(), 851); // 850.5 rounded
    EXPECT_EQ(f.edit.imageScaleHeight(), 1101);
    f.edit.setZoom(12.5);
    EXPECT_EQ(f.edit.imageScaleWidth(), 213);
    for (double bad : {0.0, -5.0, 7000.0}) {
        expectError(imaging::kErrBadArgument, [&] { f.edit.setZoom(bad); });
        EXPECT_DOUBLE_EQ(f.edit.zoom(), 12.5);
    }
}

TEST(ImageEditView, ScrollingMovesThePageAndStopsAtItsEdges) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(1700, 2200)});
    EditFixture f(QSize(800, 600));
    f.open(path);
    EXPECT_EQ(f.edit.displayedImageRect().topLeft(), QPoint(0, 0));
    f.edit.scrollImage(imaging::kScrollDown, 100);
    f.edit.scrollImage(imaging::kScrollRight, 50);
    EXPECT_EQ(f.edit.displayedImageRect().topLeft(), QPoint(-50, -100));
    f.edit.scrollImage(imaging::kScrollUp, 30);
    f.edit.scrollImage(imaging::kScrollLeft, 500);
    EXPECT_EQ(f.edit.displayedImageRect().topLeft(), QPoint(0, -70));
    f.edit.scrollImage(imaging::kScrollDown, 100000);
    EXPECT_EQ(f.edit.displayedImageRect().bottom(), 599);
    expectError(imaging::kErrBadArgument, [&] { f.edit.scrollImage(4, 10); });
    expectError(imaging::kErrBadArgument, [&] { f.edit.scrollImage(1, -10); });
}

TEST(ImageEditView, HighZoomRendersTheVisibleRegion) {
    testsupport::TempDir dir;
    const QString path =
        writePages(dir, "p.tif", {markedPage(1700, 2200, QRect(1000, 1000, 10, 10))});
    EditFixture f(QSize(400, 300));
    f.open(path, 1, 400);
    // Display pixel 4000 is page pixel 1000: bring it to the top-left corner.
    f.edit.scrollImage(imaging::kScrollDown, 4000);
    f.edit.scrollImage(imaging::kScrollRight, 4000);
    EXPECT_EQ(f.edit.displayedImageRect().topLeft(), QPoint(-4000, -4000));
    const QImage shot = f.shown();
    EXPECT_TRUE(black(shot, 2, 2));
    EXPECT_TRUE(black(shot, 39, 39));
    EXPECT_FALSE(black(shot, 41, 41));
    EXPECT_FALSE(black(shot, 200, 150));
}

TEST(ImageEditView, GrayScalingAveragesBitonalPagesInsteadOfDroppingLines) {
    // 1-pixel lines every 4 rows: at 25 % gray scaling shows them as even gray.
    QImage lines = whitePage(800, 800);
    for (int y = 0; y < 800; y += 4)
        blacken(lines, QRect(0, y, 800, 1));
    testsupport::TempDir dir;
    const QString path = writePages(dir, "lines.tif", {lines});
    EditFixture f(QSize(400, 400));
    f.open(path, 1, 25);
    f.edit.setDisplayScaleAlgorithm(imaging::kScaleGray);
    f.edit.refresh();
    QImage shot = f.shown();
    const QRect r = f.edit.displayedImageRect();
    ASSERT_EQ(r.size(), QSize(200, 200));
    for (QPoint p : {QPoint(20, 20), QPoint(100, 57), QPoint(180, 190)})
        EXPECT_NEAR(qGray(shot.pixel(r.topLeft() + p)), 191, 6);

    // Normal scaling keeps only pure black and white.
    f.edit.setDisplayScaleAlgorithm(imaging::kScaleNormal);
    f.edit.refresh();
    shot = f.shown();
    for (int y = 0; y < 200; y += 7) {
        const int g = qGray(shot.pixel(r.left() + 50, r.top() + y));
        EXPECT_TRUE(g < 40 || g > 215) << g;
    }
    expectError(imaging::kErrBadArgument, [&] { f.edit.setDisplayScaleAlgorithm(7); });
}

TEST(ImageEditSelection, DrawnAndMouseSelectedRectanglesAreReported) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(200, 100)});
    EditFixture f(QSize(400, 300));
    f.open(path);
    QSignalSpy drawn(&f.edit, &imaging::ImageEdit::selectionRectDrawn);
    QSignalSpy cleared(&f.edit, &imaging::ImageEdit::selectionCleared);
    f.edit.drawSelectionRect(10, 20, 30, 40);
    ASSERT_EQ(drawn.count(), 1);
    EXPECT_EQ(drawn.at(0), (QList<QVariant>{10, 20, 30, 40}));
    EXPECT_EQ(f.edit.selectionRect(), QRect(10, 20, 30, 40));
    f.edit.drawSelectionRect(0, 0, 0, 0);
    EXPECT_EQ(drawn.at(1), (QList<QVariant>{0, 0, 0, 0}));
    EXPECT_TRUE(f.edit.selectionRect().isEmpty());
    // A rectangle beyond the page is cut to it.
    f.edit.drawSelectionRect(150, 50, 100, 100);
    EXPECT_EQ(drawn.at(2), (QList<QVariant>{150, 50, 50, 50}));

    // With rectangle selection on, dragging selects in display coordinates.
    f.edit.setSelectionRectangle(true);
    QWidget* vp = f.edit.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, f.at(10, 10));
    QTest::mouseMove(vp, f.at(40, 30));
    QTest::mouseMove(vp, f.at(60, 40));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, f.at(60, 40));
    ASSERT_EQ(drawn.count(), 4);
    EXPECT_EQ(drawn.at(3), (QList<QVariant>{10, 10, 50, 30}));
    // A click clears it.
    QTest::mouseClick(vp, Qt::LeftButton, {}, f.at(100, 50));
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_TRUE(f.edit.selectionRect().isEmpty());
    // Without rectangle selection a drag selects nothing.
    f.edit.setSelectionRectangle(false);
    QTest::mousePress(vp, Qt::LeftButton, {}, f.at(10, 10));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, f.at(60, 40));
    EXPECT_EQ(drawn.count(), 4);
}

TEST(ImageEditInput, MouseAndKeyEventsCarryTheProgramsCodes) {
    testsupport::TempDir dir;
    const QString path = writePages(dir, "p.tif", {whitePage(200, 100)});
    EditFixture f;
    f.open(path);
    QSignalSpy down(&f.edit, &imaging::ImageEdit::mouseDown);
    QSignalSpy up(&f.edit, &imaging::ImageEdit::mouseUp);
    QSignalSpy moved(&f.edit, &imaging::ImageEdit::mouseMove);
    QSignalSpy keys(&f.edit, &imaging::ImageEdit::keyDown);
    QWidget* vp = f.edit.viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 40));
    QTest::mouseMove(vp, QPoint(35, 42));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::ShiftModifier, QPoint(35, 42));
    QTest::mouseClick(vp, Qt::RightButton, Qt::ControlModifier, QPoint(7, 8));
    ASSERT_EQ(down.count(), 2);
    EXPECT_EQ(down.at(0), (QList<QVariant>{1, 1, 30, 40}));
    EXPECT_EQ(down.at(1), (QList<QVariant>{2, 2, 7, 8}));
    ASSERT_EQ(up.count(), 2);
    EXPECT_EQ(up.at(0), (QList<QVariant>{1, 1, 35, 42}));
    ASSERT_GE(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(2).toInt(), 35);

    f.edit.setFocus();
    const std::pair<Qt::Key, int> expected[] = {{Qt::Key_Left, 37},   {Qt::Key_Right, 39},
                                                {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
                                                {Qt::Key_Home, 36},   {Qt::Key_End, 35}};
    for (auto [key, code] : expected)
        QTest::keyClick(&f.edit, key);
    QTest::keyClick(&f.edit, Qt::Key_Left, Qt::ShiftModifier);
    ASSERT_EQ(keys.count(), 8);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(keys.at(i), (QList<QVariant>{expected[i].second, 0}));
    EXPECT_EQ(keys.at(6), (QList<QVariant>{16, 1})); // the Shift key itself
    EXPECT_EQ(keys.at(7), (QList<QVariant>{37, 1}));
}

TEST(ImageEditInput, PointerModesAreKeptAndUnknownOnesRefused) {
    EditFixture f;
    for (int mode : {int(imaging::kPointerDrag), int(imaging::kPointerSelect),
                     int(imaging::kPointerStamp), 0}) {
        f.edit.setMousePointer(mode);
        EXPECT_EQ(f.edit.mousePointer(), mode);
    }
    f.edit.setMousePointer(imaging::kPointerDrag);
    EXPECT_EQ(f.edit.viewport()->cursor().shape(), Qt::OpenHandCursor);
    expectError(imaging::kErrBadArgument, [&] { f.edit.setMousePointer(42); });
    EXPECT_EQ(f.edit.mousePointer(), imaging::kPointerDrag);
}

} // namespace

namespace {

// The display after a turn of a zoomed-in page: still covered by the page (the scroll
// position within the turned page's extent), and the point that was in the middle of the
// view still there, turned with the page.
TEST(ImageEditView, ATurnOfAZoomedInPageKeepsTheViewOnTheSameContent) {
    using namespace imagetest;
    testsupport::TempDir dir;
    // 600 x 100 with a 20 x 20 block around (50, 50) and one around (550, 50). At 200 % in a
    // 200 x 150 view scrolled down by 25, one of them is in the middle of the view when the
    // view is at the left end, the other at the right end.
    QImage wide = markedPage(600, 100, QRect(40, 40, 20, 20));
    blacken(wide, QRect(540, 40, 20, 20));
    const QString path = writePages(dir, "wide.tif", {wide});
    struct Case {
        const char* turn;
        int scrollTo; // kScrollLeft or kScrollRight, as far as it goes
        std::function<void(imaging::ImageEdit&)> run;
        QRect block; // where the block in view lies on the turned 100 x 600 page (by hand)
    };
    const std::vector<Case> cases{
        // Right: (x, y) goes to (99 - y, x).
        {"right", imaging::kScrollRight, [](imaging::ImageEdit& e) { e.rotateRight(); },
         QRect(40, 540, 20, 20)},
        // Left: (x, y) goes to (y, 599 - x).
        {"left", imaging::kScrollLeft, [](imaging::ImageEdit& e) { e.rotateLeft(); },
         QRect(40, 540, 20, 20)},
        // The window's way: the page turned on a worker, the display following its notice.
        {"right, as a job", imaging::kScrollRight,
         [](imaging::ImageEdit& e) {
             jobs::Job* job = e.makePageEditJob(imaging::PageEdit::RotateRight);
             job->setAutoDelete(false);
             QSignalSpy finished(job, &jobs::Job::finished);
             job->start();
             EXPECT_TRUE(finished.count() == 1 || finished.wait(10000));
             delete job;
             QCoreApplication::processEvents(); // the queued notice of the changed page
         },
         QRect(40, 540, 20, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.turn);
        EditFixture f(QSize(200, 150));
        f.open(path, 1, 200);
        f.edit.scrollImage(c.scrollTo, 2000);
        f.edit.scrollImage(imaging::kScrollDown, 25);
        const QPoint middle(100, 75);
        ASSERT_TRUE(black(f.shown(), middle.x(), middle.y())) << "a block is in view";

        c.run(f.edit);
        ASSERT_EQ(f.edit.model()->pageImage(0).size(), QSize(100, 600));
        ASSERT_TRUE(black(f.edit.model()->pageImage(0), c.block.center().x(), c.block.center().y()));
        const QImage shown = f.shown();
        // The turned page (200 x 1200 at 200 %) is as wide as the view and taller: it covers
        // the view wherever it was scrolled to, with no blank band.
        const QRect page = f.edit.displayedImageRect();
        EXPECT_TRUE(page.contains(QRect(QPoint(0, 0), f.edit.viewport()->size())))
            << page.x() << "," << page.y() << " " << page.width() << "x" << page.height();
        // The block, turned, is still in the middle of the view.
        const QPoint blockInView = page.topLeft() + c.block.center() * 2;
        EXPECT_LE(std::abs(blockInView.x() - middle.x()), 12) << blockInView.x();
        EXPECT_LE(std::abs(blockInView.y() - middle.y()), 12) << blockInView.y();
        EXPECT_TRUE(black(shown, middle.x(), middle.y()));
    }
}

} // namespace
