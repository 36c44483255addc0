// How the page is shown: zoom, gray scaling, full screen, view modes, panning, the divider.
#include "doubles/ScriptedDialogs.h"
#include "imaging/controls/ThumbnailSizeDialog.h"
#include "test_navigation_helpers.h"
#include "viewer/EditCommands.h"

#include <QPushButton>
#include <QScrollBar>
#include <QWindow>
#include <functional>
#include <optional>

using namespace viewertest;

namespace {
class Zoom : public NavigationFixture {};
class ViewMenu : public NavigationFixture {};
class Panning : public NavigationFixture {};
class Divider : public NavigationFixture {};

const int kZoomItems[] = {0, 1, 2, 3, 5, 6, 7, 8, 9, 10};

std::vector<int> checkedZoomItems(const viewer::MainWindowUi& ui) {
    std::vector<int> checked;
    for (int i : kZoomItems)
        if (ui.mnuZoomFactorItem[i]->isChecked()) checked.push_back(i);
    return checked;
}
} // namespace

TEST_F(Zoom, MenuItemsCheckOnlyTheChosenOneAndTheButtonsStepByTen) {
    loadWindow();
    open(makeDocument("zoom.tif", 2));
    const double percents[] = {25, 50, 75, 100, 200, 400};
    for (int i = 5; i <= 10; ++i) {
        ui().mnuZoomFactorItem[i]->trigger();
        EXPECT_DOUBLE_EQ(edit().zoom(), percents[i - 5]) << i;
        EXPECT_EQ(checkedZoomItems(ui()), std::vector<int>{i});
    }
    ui().mnuZoomFactorItem[3]->trigger(); // Actual Size
    EXPECT_DOUBLE_EQ(edit().zoom(), 100);
    // Fit to Height: the 300-pixel page fills the display's height.
    ui().mnuZoomFactorItem[0]->trigger();
    EXPECT_NEAR(edit().imageScaleHeight(), edit().maximumViewportSize().height(), 1);
    ui().mnuZoomFactorItem[1]->trigger(); // Fit to Width
    EXPECT_EQ(checkedZoomItems(ui()), std::vector<int>{1});
    ui().mnuZoomFactorItem[1]->trigger(); // chosen again, it stays checked
    EXPECT_EQ(checkedZoomItems(ui()), std::vector<int>{1});

    ui().mnuZoomFactorItem[6]->trigger(); // "&50%"
    EXPECT_EQ(checkedZoomItems(ui()), std::vector<int>{6});
    // The buttons' zooms: the mark follows, none for a zoom the menu does not offer.
    QTest::mouseClick(ui().cmdZoom[1], Qt::LeftButton);
    EXPECT_DOUBLE_EQ(edit().zoom(), 60);
    EXPECT_EQ(checkedZoomItems(ui()), std::vector<int>{});
    QTest::mouseClick(ui().cmdZoom[0], Qt::LeftButton);
    EXPECT_EQ(checkedZoomItems(ui()), std::vector<int>{6});
    QTest::mouseClick(ui().cmdZoom[0], Qt::LeftButton);
    EXPECT_DOUBLE_EQ(edit().zoom(), 40);
}

// A document opens at the zoom in effect (the zoom preference is not applied), and the Zoom
// menu checks that zoom's item: the display's first 100 %, a fit chosen for an earlier
// document (still a fit), a zoom of the buttons the menu does not offer (no item).
TEST_F(Zoom, TheItemOfTheZoomADocumentOpensAtIsChecked) {
    loadWindow();
    struct Case {
        const char* before; // what was done to the earlier document
        std::function<void()> change;
        std::optional<double> zoom; // the percentage the document opens at, when not a fit
        std::vector<int> checked;
    };
    const std::vector<Case> cases{
        {"nothing: the first document", [] {}, 100, {8}},
        {"Fit to Width", [&] { ui().mnuZoomFactorItem[1]->trigger(); }, std::nullopt, {1}},
        {"Best Fit", [&] { ui().mnuZoomFactorItem[2]->trigger(); }, std::nullopt, {2}},
        {"200%, then +",
         [&] {
             ui().mnuZoomFactorItem[9]->trigger();
             QTest::mouseClick(ui().cmdZoom[1], Qt::LeftButton);
         },
         210, {}},
        {"25%", [&] { ui().mnuZoomFactorItem[5]->trigger(); }, 25, {5}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        if (n > 0) {
            c.change();
            w->mnuFileClose_Click();
            settle();
        }
        // Each document of another size: a fit is worked out for the page it shows.
        open(makeDocument(QString("opened%1.tif").arg(n), 2, QSize(1200 + 300 * n, 1600)));
        ++n;
        if (c.zoom) EXPECT_DOUBLE_EQ(edit().zoom(), *c.zoom);
        if (c.checked == std::vector<int>{1})
            EXPECT_NEAR(edit().imageScaleWidth(), edit().viewport()->width(), 1);
        EXPECT_EQ(checkedZoomItems(ui()), c.checked);
    }
}

TEST_F(Zoom, AFitStaysAFitWhenThePanesChangeSizeUntilAButtonZooms) {
    loadWindow();
    open(makeDocument("fit.tif", 2, QSize(1700, 2200)));
    ui().mnuZoomFactorItem[1]->trigger(); // Fit to Width in the one-page layout
    const int fullWidth = edit().imageScaleWidth();
    ui().mnuViewModeItem[2]->trigger(); // the display gets narrower
    EXPECT_LT(edit().imageScaleWidth(), fullWidth);
    EXPECT_NEAR(edit().imageScaleWidth(), edit().viewport()->width(), 1);
    QTest::mouseClick(ui().cmdZoom[1], Qt::LeftButton);
    const double zoomed = edit().zoom();
    ui().mnuViewModeItem[0]->trigger();
    EXPECT_DOUBLE_EQ(edit().zoom(), zoomed);
    EXPECT_EQ(checkedZoomItems(ui()), std::vector<int>{}); // no longer a fit, no mark
}

TEST_F(Zoom, MinusStopsAboveOnePercentAndPlusAtTheEnginesLargest) {
    loadWindow();
    open(makeDocument("zoom.tif", 1));
    edit().setZoom(11);
    QTest::mouseClick(ui().cmdZoom[0], Qt::LeftButton);
    EXPECT_DOUBLE_EQ(edit().zoom(), 11); // 11 - 10 = 1 is not above 1
    edit().setZoom(12);
    QTest::mouseClick(ui().cmdZoom[0], Qt::LeftButton);
    EXPECT_DOUBLE_EQ(edit().zoom(), 2);

    edit().setZoom(imaging::ImageEdit::kMaxZoom - 5);
    QTest::mouseClick(ui().cmdZoom[1], Qt::LeftButton);
    EXPECT_DOUBLE_EQ(edit().zoom(), imaging::ImageEdit::kMaxZoom);
    QTest::mouseClick(ui().cmdZoom[1], Qt::LeftButton);
    EXPECT_DOUBLE_EQ(edit().zoom(), imaging::ImageEdit::kMaxZoom);
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(ViewMenu, ScaleToGrayOnlySetsTheMarkForAPageThatIsNotBitonal) {
    loadWindow();
    QImage colour(200, 150, QImage::Format_RGB32);
    colour.fill(QColor(200, 120, 40));
    const QString png = t.dir.file("colour.png");
    ASSERT_TRUE(colour.save(png));
    open(png);
    ASSERT_TRUE(ui().mnuViewScaleToGray->isChecked()); // checked by the first display
    EXPECT_EQ(w->doc().GrayEligible, 0);
    EXPECT_EQ(edit().displayScaleAlgorithm(), imaging::kScaleNormal);
    ui().mnuViewScaleToGray->trigger();
    EXPECT_FALSE(ui().mnuViewScaleToGray->isChecked());
    ui().mnuViewScaleToGray->trigger();
    EXPECT_TRUE(ui().mnuViewScaleToGray->isChecked());
    EXPECT_EQ(edit().displayScaleAlgorithm(), imaging::kScaleNormal);

    // A bitonal page is shown gray-scaled while the item is checked.
    open(makeDocument("bitonal.tif", 1));
    EXPECT_EQ(w->doc().GrayEligible, 1);
    EXPECT_EQ(edit().displayScaleAlgorithm(), imaging::kScaleGray);
    ui().mnuViewScaleToGray->trigger();
    EXPECT_FALSE(ui().mnuViewScaleToGray->isChecked());
    EXPECT_EQ(edit().displayScaleAlgorithm(), imaging::kScaleNormal);
    ui().mnuViewScaleToGray->trigger();
    EXPECT_EQ(edit().displayScaleAlgorithm(), imaging::kScaleGray);
}

TEST_F(ViewMenu, FullScreenTwiceReturnsToTheNormalWindow) {
    loadWindow();
    ui().mnuViewFullScreen->trigger();
    EXPECT_TRUE(w->isMaximized());
    EXPECT_TRUE(ui().mnuViewFullScreen->isChecked());
    ui().mnuViewFullScreen->trigger();
    EXPECT_FALSE(w->isMaximized());
    EXPECT_EQ(w->windowState(), Qt::WindowNoState);
    EXPECT_FALSE(ui().mnuViewFullScreen->isChecked());
}

TEST_F(ViewMenu, ViewModesCheckOneItemAndTheThumbnailSizeIsTheStrips) {
    loadWindow();
    open(makeDocument("modes.tif", 3));
    for (int mode : {1, 2, 0}) {
        ui().mnuViewModeItem[mode]->trigger();
        EXPECT_EQ(w->ViewMode, mode);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(ui().mnuViewModeItem[i]->isChecked(), i == mode) << mode << i;
        EXPECT_EQ(edit().isVisible(), mode != 1);
        EXPECT_EQ(thumbs().isVisible(), mode != 0);
    }
    auto sizes = std::make_shared<doubles::ScriptedThumbSizeDialogRunner>();
    thumbs().setThumbSizeDialogRunner(sizes);
    sizes->answer(QSize(150, 190));
    ui().mnuViewOptionsItem[1]->trigger();
    EXPECT_EQ(sizes->requests().size(), 1u);
    EXPECT_EQ(thumbs().thumbSize(), QSize(150, 190));
}

TEST_F(ViewMenu, AStripComingIntoViewMakesItsThumbnailsAfterThePageIsRendered) {
    loadWindow();
    w->ViewMode = 2;
    const QString path = makeDocument("strip.tif", 4);
    w->PerformFileOpen(false, path, 1);
    ASSERT_TRUE(edit().renderingPending());
    EXPECT_TRUE(thumbs().isVisible());
    EXPECT_FALSE(thumbs().isBusy());
    EXPECT_TRUE(thumbs().thumbImage(1).isNull());
    settle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return thumbs().generatedMissing() == 0; }, 5000));
    EXPECT_EQ(pageLabel(thumbs().thumbImage(1).scaled(400, 300)), 1);
}

TEST_F(Panning, ADragInDragModeScrollsTheOtherWayByThePixelsMoved) {
    loadWindow();
    open(makeDocument("pan.tif", 1));
    ASSERT_TRUE(ui().mnuEditSelectItem[0]->isChecked()); // opening chooses Drag
    ASSERT_DOUBLE_EQ(w->twipsPerPixelX(), 15);
    ui().mnuZoomFactorItem[10]->trigger(); // 400%: the page is larger than the display
    settle();
    QScrollBar* h = edit().horizontalScrollBar();
    QScrollBar* v = edit().verticalScrollBar();
    h->setValue(300);
    v->setValue(300);
    QWidget* port = edit().viewport();

    QTest::mousePress(port, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_TRUE(w->navigation().Dragging);
    EXPECT_DOUBLE_EQ(w->navigation().DragX, 300 * 15.0);
    QTest::mouseMove(port, QPoint(290, 200)); // 150 twips to the left
    EXPECT_EQ(h->value(), 290);               // 10 pixels in direction 2
    EXPECT_EQ(v->value(), 300);
    QTest::mouseMove(port, QPoint(290, 215)); // straight down
    EXPECT_EQ(h->value(), 290);
    EXPECT_EQ(v->value(), 315);
    QTest::mouseMove(port, QPoint(297, 205));
    EXPECT_EQ(h->value(), 297);
    EXPECT_EQ(v->value(), 305);
    QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(297, 205));
    EXPECT_FALSE(w->navigation().Dragging);
    QTest::mouseMove(port, QPoint(250, 150));
    EXPECT_EQ(h->value(), 297);
}

TEST_F(Panning, NothingPansInAnotherModeOrWhileAPasteIsPending) {
    loadWindow();
    open(makeDocument("pan.tif", 1));
    ui().mnuZoomFactorItem[10]->trigger();
    settle();
    QScrollBar* h = edit().horizontalScrollBar();
    h->setValue(300);
    QWidget* port = edit().viewport();

    w->editing().PasteDone = true;
    QTest::mousePress(port, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(port, QPoint(250, 200));
    EXPECT_EQ(h->value(), 300);
    QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(250, 200));
    w->editing().PasteDone = false;

    QTest::mousePress(port, Qt::RightButton, {}, QPoint(300, 200));
    QTest::mouseMove(port, QPoint(250, 200));
    EXPECT_EQ(h->value(), 300);
    QTest::mouseRelease(port, Qt::RightButton, {}, QPoint(250, 200));

    w->ClearToolChecks();
    w->SelectMouseTool("SelectionRectangle");
    ASSERT_FALSE(ui().mnuEditSelectItem[0]->isChecked());
    QTest::mousePress(port, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseMove(port, QPoint(250, 200));
    EXPECT_EQ(h->value(), 300);
    EXPECT_FALSE(w->navigation().Dragging);
    QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(250, 200));
}

TEST_F(Divider, DraggedWithTheMouseItFollowsThePointerAndTheDropLaysOutThePanes) {
    loadWindow();
    open(makeDocument("panes.tif", 3));
    ui().mnuViewModeItem[2]->trigger();
    QWidget* area = ui().paneArea;
    QLabel* divider = ui().imgDivider;
    QWindow* window = w->windowHandle();
    auto inWindow = [&](int xInPanes) { return area->mapTo(w.get(), QPoint(xInPanes, 60)); };
    const double tpp = w->twipsPerPixelX();

    // Over the page display, let go at 420: the strip ends there.
    QTest::mousePress(window, Qt::LeftButton, {}, divider->mapTo(w.get(), QPoint(1, 60)));
    QTest::mouseMove(window, inWindow(300));
    EXPECT_EQ(divider->x(), 300); // it follows the pointer
    QTest::mouseMove(window, inWindow(420));
    QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(420));
    EXPECT_EQ(divider->x(), 420);
    EXPECT_EQ(thumbs().width(), 420);
    EXPECT_EQ(edit().x(), int(std::lround(420 + 52 / tpp)));
    EXPECT_NEAR(edit().x() + edit().width(), area->width(), 1);

    // Back onto the strip at 120.
    QTest::mousePress(window, Qt::LeftButton, {}, divider->mapTo(w.get(), QPoint(1, 60)));
    QTest::mouseMove(window, inWindow(120));
    QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(120));
    EXPECT_EQ(thumbs().width(), 120);
    EXPECT_EQ(divider->x(), 120);
    EXPECT_TRUE(thumbs().isVisible());
    EXPECT_TRUE(edit().isVisible());
}
