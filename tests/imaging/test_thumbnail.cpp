// The thumbnail strip: background generation, caching by page revision, following the
// document, selection, mouse events, scrolling and the size dialog.
#include "doubles/ScriptedDialogs.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/pixels/ImagingError.h"
#include "support/TempDir.h"
#include "test_admin_fixtures.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace imaging;
using fixtures::errorOf;

namespace {

constexpr int kThumbBand = 20; // marker bands thick enough to survive scaling
const QSize kPageSize(120, 200);

// The id of the page a thumbnail shows.
int thumbId(const QImage& thumb) {
    if (thumb.isNull()) return -1;
    return fixtures::pageId(
        thumb.scaled(kPageSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), kThumbBand);
}

class StripTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    ImageThumbnail strip;

    // A strip one column wide that shows about `rows` thumbnails.
    void showStrip(int rows) {
        strip.setThumbSize(QSize(96, 124));
        strip.resize(150, int(rows * strip.thumbRect(1).height()) + 4);
        strip.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));
    }

    QString document(const QString& name, const std::vector<int>& ids) {
        const QString path = dir.file(name);
        fixtures::writeMarked(path, ids, kPageSize, kThumbBand);
        return path;
    }

    QString plainDocument(const QString& name, int pages) {
        return document(name, std::vector<int>(pages, 1));
    }

    // Runs `action` and waits until the strip reports every wanted thumbnail made.
    void waitReady(const std::function<void()>& action) {
        QSignalSpy ready(&strip, &ImageThumbnail::allThumbsReady);
        action();
        ASSERT_TRUE(ready.count() > 0 || ready.wait(20000));
    }

    std::vector<int> shownIds() {
        std::vector<int> ids;
        for (int n = 1; n <= strip.thumbCount(); ++n)
            ids.push_back(thumbId(strip.thumbImage(n)));
        return ids;
    }

    std::pair<int, int> visible() {
        int first = 0, last = 0;
        for (int n = 1; n <= strip.thumbCount(); ++n) {
            if (strip.thumbRect(n).intersects(strip.viewport()->rect())) {
                if (!first) first = n;
                last = n;
            }
        }
        return {first, last};
    }

    void clickThumb(int n, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseClick(strip.viewport(), b, mods, strip.thumbRect(n).center());
    }
};

} // namespace

TEST_F(StripTest, VisibleThumbnailsComeFirstAndTheRestFollowProgressively) {
    showStrip(3);
    std::vector<int> order;
    std::vector<int> missingAtEach;
    QObject::connect(&strip, &ImageThumbnail::thumbReady, [&](int n) {
        order.push_back(n);
        missingAtEach.push_back(strip.generatedMissing());
    });
    waitReady([&] { strip.setImage(plainDocument("thirty.tif", 30)); });
    EXPECT_EQ(strip.thumbCount(), 30);
    const auto [first, last] = visible();
    ASSERT_EQ(first, 1);
    ASSERT_GE(last, 3);

    // Without a generate request only the visible ones are made.
    EXPECT_EQ(int(order.size()), last);
    EXPECT_EQ(strip.renderedCount(), last);
    EXPECT_EQ(strip.generatedMissing(), 30 - last);

    waitReady([&] { strip.generateThumb(kThumbGenerateAll); });
    ASSERT_EQ(order.size(), 30u);
    for (int i = 0; i < last; ++i)
        EXPECT_LE(order[i], last) << "visible thumbnails first";
    // Each one appeared on its own, as it was made.
    for (size_t i = 1; i < missingAtEach.size(); ++i)
        EXPECT_EQ(missingAtEach[i], missingAtEach[i - 1] - 1);
    EXPECT_EQ(missingAtEach.back(), 0);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int n = 1; n <= 30; ++n)
        EXPECT_EQ(sorted[n - 1], n) << "each thumbnail once";

    // Scrolling further down shows cached thumbnails without making them again.
    strip.scrollToThumb(20, kThumbScrollToTop);
    strip.refresh();
    QTest::qWait(0);
    EXPECT_EQ(strip.renderedCount(), 30);
}

TEST_F(StripTest, AThumbnailAskedForByNumberIsMadeOffScreen) {
    showStrip(3);
    waitReady([&] { strip.setImage(plainDocument("thirty.tif", 30)); });
    const int shown = strip.renderedCount();
    ASSERT_TRUE(strip.thumbImage(20).isNull());
    waitReady([&] { strip.generateThumb(kThumbGenerateVisible, 20); });
    EXPECT_FALSE(strip.thumbImage(20).isNull());
    EXPECT_TRUE(strip.thumbImage(19).isNull());
    EXPECT_EQ(strip.renderedCount(), shown + 1);
}

TEST_F(StripTest, AHiddenStripMakesNothingUntilShown) {
    strip.resize(150, 400);
    strip.setImage(plainDocument("doc.tif", 3));
    strip.generateThumb(kThumbGenerateAll);
    EXPECT_FALSE(strip.isBusy()) << "work would have started at once";
    waitReady([&] { strip.show(); });
    EXPECT_FALSE(strip.isBusy());
    EXPECT_EQ(strip.renderedCount(), 3);
}

TEST_F(StripTest, ThumbnailsShowTheirPagesAndFollowEdits) {
    showStrip(6);
    const QString path = document("five.tif", {1, 2, 3, 4, 5});
    waitReady([&] { strip.setImage(path); });
    EXPECT_EQ(shownIds(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(strip.renderedCount(), 5);
    const QImage thumb = strip.thumbImage(1);
    EXPECT_EQ(thumb.height(), 124) << "fitted to the thumbnail box";
    EXPECT_NEAR(thumb.width(), 124 * 120 / 200, 1);
    // Bitonal pages are scaled with gray levels, not just black and white.
    const QImage gray = thumb.convertToFormat(QImage::Format_Grayscale8);
    bool midTone = false;
    for (int y = 0; y < gray.height() && !midTone; ++y)
        for (int x = 0; x < gray.width() && !midTone; ++x)
            midTone = gray.pixel(x, y) != qRgb(0, 0, 0) && gray.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_TRUE(midTone);

    // An edit of page 3 remakes that thumbnail only.
    DocumentModelPtr model = DocumentModel::find(path);
    ASSERT_TRUE(model);
    QSignalSpy ready(&strip, &ImageThumbnail::thumbReady);
    waitReady([&] {
        model->apply(makeOperation("move marker", 2, [](PageContent& page) {
            page.image = fixtures::markedPage(7, kPageSize, true, kThumbBand);
        }));
    });
    ASSERT_EQ(ready.count(), 1);
    EXPECT_EQ(ready[0][0].toInt(), 3);
    EXPECT_EQ(strip.renderedCount(), 6);
    EXPECT_EQ(shownIds(), (std::vector<int>{1, 2, 7, 4, 5}));

    // Discarding and generating again shows the cached images: nothing is made twice.
    strip.clearThumbs();
    EXPECT_TRUE(strip.thumbImage(2).isNull());
    waitReady([&] { strip.generateThumb(kThumbGenerateVisible); });
    EXPECT_EQ(strip.renderedCount(), 6);
    EXPECT_EQ(shownIds(), (std::vector<int>{1, 2, 7, 4, 5}));

    // Reloading drops the unsaved edit: the file's page comes back.
    waitReady([&] { model->reload(); });
    EXPECT_EQ(shownIds(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(strip.renderedCount(), 11) << "a reload makes every thumbnail again";

    strip.clearThumbs(4);
    EXPECT_TRUE(strip.thumbImage(4).isNull());
    EXPECT_FALSE(strip.thumbImage(5).isNull());
    EXPECT_EQ(errorOf([&] { strip.clearThumbs(6); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { strip.generateThumb(5); }), kErrBadArgument);
}

TEST_F(StripTest, PagesAddedAndDeletedThroughTheAdministrationObject) {
    showStrip(6);
    const QString path = document("doc.tif", {1, 2, 3, 4, 5});
    const QString source = document("source.tif", {8, 9});
    waitReady([&] { strip.setImage(path); });

    ImageAdmin admin;
    admin.setImage(path);
    waitReady([&] { admin.insert(source, 2, 2, 1); });
    EXPECT_EQ(strip.thumbCount(), 6);
    EXPECT_EQ(shownIds(), (std::vector<int>{1, 9, 2, 3, 4, 5}));
    EXPECT_EQ(strip.renderedCount(), 6) << "only the new page's thumbnail is made";

    // Delete the selected pages from the last one down, as the window's Delete Pages does.
    strip.setThumbSelected(3, true);
    strip.setThumbSelected(5, true);
    for (int i = strip.thumbCount(); i >= 1; --i) {
        if (strip.thumbSelected(i)) {
            admin.deletePages(i, 1);
            strip.deleteThumbs(i, 1);
        }
    }
    EXPECT_EQ(strip.thumbCount(), 4);
    EXPECT_TRUE(strip.selectedThumbs().empty());
    EXPECT_EQ(shownIds(), (std::vector<int>{1, 9, 3, 5}));
    EXPECT_EQ(strip.renderedCount(), 6);
    EXPECT_EQ(fixtures::readIds(path, kThumbBand), (std::vector<int>{1, 9, 3, 5}));

    waitReady([&] { admin.append(source, 1, 1); });
    EXPECT_EQ(shownIds(), (std::vector<int>{1, 9, 3, 5, 8}));
    EXPECT_EQ(errorOf([&] { strip.deleteThumbs(0, 1); }), kErrBadArgument);
}

TEST_F(StripTest, ChangingThePathCancelsTheOldThumbnails) {
    showStrip(4);
    std::vector<std::pair<int, int>> reports; // (thumbnail, count of the strip)
    QObject::connect(&strip, &ImageThumbnail::thumbReady,
                     [&](int n) { reports.emplace_back(n, strip.thumbCount()); });
    strip.setImage(plainDocument("long.tif", 40));
    strip.generateThumb(kThumbGenerateAll);
    waitReady([&] { strip.setImage(document("short.tif", {6, 7, 8})); });
    EXPECT_EQ(strip.thumbCount(), 3);
    EXPECT_EQ(shownIds(), (std::vector<int>{6, 7, 8}));
    for (auto [n, count] : reports)
        EXPECT_LE(n, count);

    strip.setImage("");
    EXPECT_EQ(strip.thumbCount(), 0);
    EXPECT_EQ(strip.image(), "");

    EXPECT_NE(errorOf([&] { strip.setImage(dir.file("missing.tif")); }), 0);
    EXPECT_EQ(strip.thumbCount(), 0);
    EXPECT_EQ(strip.image(), "");
}

TEST_F(StripTest, SelectionByCodeAndByMouse) {
    showStrip(6);
    strip.setImage(document("doc.tif", {1, 2, 3, 4, 5}));
    strip.setThumbSelected(2, true);
    strip.setThumbSelected(4, true);
    EXPECT_TRUE(strip.thumbSelected(2));
    EXPECT_TRUE(strip.thumbSelected(4));
    EXPECT_FALSE(strip.thumbSelected(3));
    EXPECT_FALSE(strip.thumbSelected(9));
    EXPECT_EQ(errorOf([&] { strip.setThumbSelected(6, true); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { strip.setThumbSelected(0, true); }), kErrBadPage);
    strip.clearThumbSelection();
    EXPECT_TRUE(strip.selectedThumbs().empty());

    clickThumb(2);
    EXPECT_EQ(strip.selectedThumbs(), std::vector<int>{2});
    clickThumb(4, Qt::ControlModifier);
    EXPECT_EQ(strip.selectedThumbs(), (std::vector<int>{2, 4}));
    clickThumb(2, Qt::ControlModifier);
    EXPECT_EQ(strip.selectedThumbs(), std::vector<int>{4});
    clickThumb(1, Qt::ShiftModifier); // from the last clicked one (2) to 1
    EXPECT_EQ(strip.selectedThumbs(), (std::vector<int>{1, 2}));
    clickThumb(5);
    clickThumb(3, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(strip.selectedThumbs(), (std::vector<int>{3, 4, 5}));
    // A right click keeps a selection it falls into, and replaces one it misses.
    clickThumb(4, {}, Qt::RightButton);
    EXPECT_EQ(strip.selectedThumbs(), (std::vector<int>{3, 4, 5}));
    clickThumb(1, {}, Qt::RightButton);
    EXPECT_EQ(strip.selectedThumbs(), std::vector<int>{1});
    EXPECT_EQ(strip.currentThumb(), 1);
}

TEST_F(StripTest, MouseEventsCarryButtonsAndNumbers) {
    showStrip(6);
    strip.setImage(document("doc.tif", {1, 2, 3}));
    QSignalSpy clicks(&strip, &ImageThumbnail::click);
    QSignalSpy doubles(&strip, &ImageThumbnail::dblClick);
    QSignalSpy downs(&strip, &ImageThumbnail::thumbMouseDown);

    const QPoint at = strip.thumbRect(2).center();
    QTest::mouseClick(strip.viewport(), Qt::LeftButton, Qt::ShiftModifier, at);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), 2);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0][0].toInt(), 1); // left
    EXPECT_EQ(downs[0][1].toInt(), 1); // shift
    EXPECT_EQ(downs[0][2].toInt(), at.x());
    EXPECT_EQ(downs[0][3].toInt(), at.y());
    EXPECT_EQ(downs[0][4].toInt(), 2);

    QTest::mouseClick(strip.viewport(), Qt::RightButton, {}, strip.thumbRect(3).center());
    EXPECT_EQ(clicks.count(), 1) << "a right click is no click";
    EXPECT_EQ(downs.last()[0].toInt(), 2);
    EXPECT_EQ(downs.last()[4].toInt(), 3);

    // Below the last thumbnail: a mouse-down with number 0 and no click.
    const QPoint empty(strip.thumbRect(3).center().x(), strip.thumbRect(3).bottom() + 20);
    ASSERT_LT(empty.y(), strip.viewport()->height());
    QTest::mouseClick(strip.viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(downs.last()[4].toInt(), 0);
    EXPECT_EQ(clicks.count(), 1);

    clicks.clear();
    QTest::mouseDClick(strip.viewport(), Qt::LeftButton, {}, strip.thumbRect(1).center());
    ASSERT_EQ(doubles.count(), 1);
    EXPECT_EQ(doubles[0][0].toInt(), 1);
    EXPECT_LE(clicks.count(), 1) << "the second press of a double click is not another click";
}

TEST_F(StripTest, ScrollingToAThumbnail) {
    showStrip(3);
    strip.setImage(plainDocument("thirty.tif", 30));
    QScrollBar* bar = strip.verticalScrollBar();

    strip.scrollToThumb(20, kThumbScrollToTop);
    EXPECT_EQ(strip.thumbRect(20).top(), 0);
    const int value = bar->value();
    strip.scrollToThumb(21, kThumbScrollIntoView);
    EXPECT_EQ(bar->value(), value) << "already visible: no scrolling";

    strip.scrollToThumb(26, kThumbScrollIntoView);
    const QRect r = strip.thumbRect(26);
    EXPECT_LE(r.bottom(), strip.viewport()->height() - 1);
    EXPECT_GT(r.bottom(), strip.viewport()->height() - r.height()) << "just enough";

    strip.scrollToThumb(1, kThumbScrollIntoView);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(errorOf([&] { strip.scrollToThumb(31, 0); }), kErrBadPage);
    EXPECT_EQ(errorOf([&] { strip.scrollToThumb(1, 7); }), kErrBadArgument);
}

TEST_F(StripTest, SizeDialogChangesTheThumbnailSize) {
    showStrip(3);
    auto runner = std::make_shared<doubles::ScriptedThumbSizeDialogRunner>();
    strip.setThumbSizeDialogRunner(runner);
    waitReady([&] { strip.setImage(document("doc.tif", {1, 2, 3})); });

    runner->cancel();
    EXPECT_FALSE(strip.showThumbSizeDialog());
    EXPECT_EQ(strip.thumbSize(), QSize(96, 124));

    runner->answer(QSize(150, 190));
    waitReady([&] { EXPECT_TRUE(strip.showThumbSizeDialog()); });
    ASSERT_EQ(runner->requests().size(), 2u);
    EXPECT_EQ(runner->requests()[1], QSize(96, 124));
    EXPECT_EQ(strip.thumbSize(), QSize(150, 190));
    EXPECT_GT(strip.thumbRect(1).width(), 150);
    const QImage thumb = strip.thumbImage(1);
    EXPECT_EQ(thumb.height(), 190);
    EXPECT_EQ(thumbId(thumb), 1);
}

TEST_F(StripTest, CachedImagesStayWithinTheMemoryBudget) {
    showStrip(3);
    strip.setCacheBudget(100 * 1024); // raised to what the visible ones need
    strip.setImage(plainDocument("sixty.tif", 60));
    waitReady([&] { strip.generateThumb(kThumbGenerateAll); });
    EXPECT_LE(strip.cache().bytes(), strip.cache().budget());
    EXPECT_LT(strip.cache().size(), 60);
    EXPECT_GT(strip.cache().size(), 3);
    // What is on screen is there.
    const auto [first, last] = visible();
    for (int n = first; n <= last; ++n)
        EXPECT_FALSE(strip.thumbImage(n).isNull()) << n;
}

// ---- the cache on its own ----

TEST(ThumbnailCache, LeastRecentlyUsedImagesGoFirst) {
    QImage image(10, 10, QImage::Format_Grayscale8); // 100 bytes + padding
    const qint64 one = image.sizeInBytes();
    ThumbnailCache cache(3 * one);
    const QSize box(10, 10);
    for (int page = 0; page < 3; ++page)
        cache.insert(page, 1, box, image);
    EXPECT_EQ(cache.size(), 3);
    EXPECT_FALSE(cache.find(0, 1, box).isNull()); // page 0 is now the most recent
    cache.insert(3, 1, box, image);
    EXPECT_EQ(cache.size(), 3);
    EXPECT_TRUE(cache.contains(0, 1, box));
    EXPECT_FALSE(cache.contains(1, 1, box)) << "the least recently used went";
    EXPECT_TRUE(cache.contains(3, 1, box));
    EXPECT_EQ(cache.bytes(), 3 * one);

    // Another revision or box is a miss; a new revision replaces the old image.
    EXPECT_TRUE(cache.find(0, 2, box).isNull());
    EXPECT_TRUE(cache.find(0, 1, QSize(20, 20)).isNull());
    cache.insert(0, 2, box, image);
    EXPECT_FALSE(cache.contains(0, 1, box));
    EXPECT_EQ(cache.size(), 3);

    cache.setBudget(one);
    EXPECT_EQ(cache.size(), 1);
    cache.clear();
    EXPECT_EQ(cache.bytes(), 0);
}

TEST(ThumbnailCache, PagesKeepTheirImagesWhenNumbersShift) {
    ThumbnailCache cache;
    const QSize box(4, 4);
    for (int page = 0; page < 5; ++page) {
        QImage im(4, 4, QImage::Format_Grayscale8);
        im.fill(page * 10);
        cache.insert(page, 7, box, im);
    }
    auto level = [&](int page) { return qGray(cache.peek(page, 7, box).pixel(0, 0)); };
    cache.pagesInserted(1, 2); // old 1..4 → 3..6
    EXPECT_EQ(level(0), 0);
    EXPECT_FALSE(cache.contains(1, 7, box));
    EXPECT_FALSE(cache.contains(2, 7, box));
    EXPECT_EQ(level(3), 10);
    EXPECT_EQ(level(6), 40);
    cache.pagesRemoved(0, 4); // pages 0..3 go; old 4..6 → 0..2
    EXPECT_EQ(cache.size(), 3);
    EXPECT_EQ(level(0), 20);
    EXPECT_EQ(level(2), 40);
}

// ---- how it looks ----

namespace {

// Saves a picture for a person to look at when DOCUVANE_SCREENSHOT_DIR names a folder.
void keepScreenshot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("DOCUVANE_SCREENSHOT_DIR");
    if (!folder.isEmpty()) image.save(folder + "/" + name);
}

int highlightPixels(const QImage& image, const QRect& area, QColor highlight) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && QColor(image.pixel(x, y)) == highlight) ++n;
    return n;
}

} // namespace

TEST_F(StripTest, SelectedThumbnailsAreHighlightedAtEverySize) {
    std::vector<int> ids;
    for (int i = 0; i < 20; ++i)
        ids.push_back(i % 10);
    strip.resize(520, 700);
    strip.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));
    waitReady([&] { strip.setImage(document("twenty.tif", ids)); });
    strip.setThumbSelected(2, true);
    strip.setThumbSelected(6, true);
    const QColor highlight = strip.palette().highlight().color();

    for (QSize size : {QSize(120, 156), QSize(60, 78)}) {
        waitReady([&] { strip.setThumbSize(size); });
        const QImage shot = strip.viewport()->grab().toImage();
        keepScreenshot(shot, QString("thumbnails-%1.png").arg(size.width()));
        const int columns = (strip.viewport()->width()) / strip.thumbRect(1).width();
        EXPECT_GT(columns, 1) << "a wide strip shows a grid";
        EXPECT_EQ(strip.thumbRect(2).top(), strip.thumbRect(1).top());
        for (int n = 1; n <= 8; ++n) {
            const int lit = highlightPixels(shot, strip.thumbRect(n), highlight);
            if (n == 2 || n == 6)
                EXPECT_GT(lit, 100) << "thumbnail " << n << " at " << size.width();
            else
                EXPECT_LT(lit, 20) << "thumbnail " << n << " at " << size.width();
        }
        EXPECT_EQ(thumbId(strip.thumbImage(7)), 6);
    }
}

TEST(ThumbnailSizeDialogTest, KeepsProportionsWhenAsked) {
    ThumbnailSizeDialog dialog(QSize(100, 130));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* width = dialog.findChild<QSpinBox*>("thumbWidth");
    auto* height = dialog.findChild<QSpinBox*>("thumbHeight");
    auto* keep = dialog.findChild<QCheckBox*>("keepProportions");
    ASSERT_TRUE(width && height && keep);
    width->setValue(200);
    EXPECT_EQ(dialog.thumbSize(), QSize(200, 260));
    keepScreenshot(dialog.grab().toImage(), "thumbnail-size-dialog.png");
    keep->setChecked(false);
    height->setValue(150);
    EXPECT_EQ(dialog.thumbSize(), QSize(200, 150));
    keep->setChecked(true); // the new proportions hold from here
    width->setValue(100);
    EXPECT_EQ(dialog.thumbSize(), QSize(100, 75));
    width->setValue(1000);
    EXPECT_EQ(dialog.thumbSize().width(), kMaxThumbSide);
}
