// Turning pages by menu, keys, thumbnails and toolbar; the page counter.
#include "test_navigation_helpers.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QWindow>

using namespace viewertest;

namespace {
class PageTurning : public NavigationFixture {};
class Thumbnails : public NavigationFixture {};
class PageCounter : public NavigationFixture {};
class Toolbar : public NavigationFixture {};
} // namespace

TEST_F(PageTurning, NextOnPageFourOfFiveShowsTheLastPageAndClosesTheWayOn) {
    loadWindow();
    open(makeDocument("five.tif", 5));
    for (int i = 0; i < 3; ++i)
        ui().mnuPageDirectionItem[1]->trigger();
    settle();
    ASSERT_EQ(counter(), "4/5");
    EXPECT_FALSE(w->doc().gblnJustOpened);
    ui().mnuPageDirectionItem[1]->trigger();
    EXPECT_EQ(shownLabel(), 5);
    EXPECT_EQ(counter(), "5/5");
    EXPECT_FALSE(ui().mnuPageDirectionItem[1]->isEnabled());
    EXPECT_FALSE(ui().mnuPageDirectionItem[3]->isEnabled());
    EXPECT_FALSE(ui().tbarButton(8)->isEnabled());
    EXPECT_FALSE(ui().tbarButton(9)->isEnabled());
    EXPECT_TRUE(ui().mnuPageDirectionItem[0]->isEnabled());

    ui().mnuPageDirectionItem[2]->trigger(); // First
    EXPECT_EQ(shownLabel(), 1);
    ui().mnuPageDirectionItem[3]->trigger(); // Last
    EXPECT_EQ(shownLabel(), 5);
    ui().mnuPageDirectionItem[0]->trigger(); // Previous
    EXPECT_EQ(shownLabel(), 4);
    EXPECT_EQ(counter(), "4/5");
}

TEST_F(PageTurning, ArrowKeysTurnPagesAndKeepThePageAtEitherEnd) {
    loadWindow();
    open(makeDocument("three.tif", 3));
    QTest::keyClick(&edit(), Qt::Key_Left); // page 1: the display refuses page 0
    EXPECT_EQ(shownLabel(), 1);
    EXPECT_TRUE(w->doc().gblnJustOpened); // nothing happened
    QTest::keyClick(&edit(), Qt::Key_Right);
    QTest::keyClick(&edit(), Qt::Key_Right);
    EXPECT_EQ(shownLabel(), 3);
    QTest::keyClick(&edit(), Qt::Key_Right); // past the end
    EXPECT_EQ(shownLabel(), 3);
    EXPECT_EQ(counter(), "3/3");
    QTest::keyClick(&edit(), Qt::Key_Up); // other keys are ignored
    EXPECT_EQ(shownLabel(), 3);
    QTest::keyClick(&edit(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(shownLabel(), 2);
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(PageTurning, StandardKeysWorkOnlyWhileTheirCommandIsEnabled) {
    loadWindow();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    // Without a document every one of them is off: nothing runs, nothing is reported.
    for (auto key : {Qt::Key_PageDown, Qt::Key_End})
        QTest::keyClick(w.get(), key);
    QTest::keyClick(w.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_DOUBLE_EQ(edit().zoom(), 100);

    open(makeDocument("four.tif", 4));
    edit().setFocus();
    QTest::keyClick(w.get(), Qt::Key_PageDown);
    EXPECT_EQ(shownLabel(), 2);
    QTest::keyClick(w.get(), Qt::Key_End);
    EXPECT_EQ(shownLabel(), 4);
    QTest::keyClick(w.get(), Qt::Key_PageDown); // the last page: Next is off
    EXPECT_EQ(shownLabel(), 4);
    QTest::keyClick(w.get(), Qt::Key_PageUp);
    EXPECT_EQ(shownLabel(), 3);
    QTest::keyClick(w.get(), Qt::Key_Home);
    EXPECT_EQ(shownLabel(), 1);
    EXPECT_EQ(counter(), "1/4");

    // Ctrl+plus and Ctrl+minus are the "+" and "-" buttons.
    QTest::keyClick(w.get(), Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(edit().zoom(), 110);
    QTest::keyClick(w.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(edit().zoom(), 120);
    QTest::keyClick(w.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(edit().zoom(), 110);
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(Thumbnails, AClickShowsThatPageAndNumberZeroChangesNothing) {
    loadWindow();
    open(makeDocument("five.tif", 5));
    ui().mnuViewModeItem[2]->trigger();
    settle();
    w->navigation().docImgThumbnail1_Click(0);
    EXPECT_EQ(shownLabel(), 1);
    EXPECT_TRUE(w->doc().gblnJustOpened);
    // A press outside every thumbnail reports number 0.
    const QPoint outside = thumbs().viewport()->rect().bottomRight() - QPoint(2, 2);
    QTest::mousePress(thumbs().viewport(), Qt::RightButton, {}, outside);
    QTest::mouseRelease(thumbs().viewport(), Qt::RightButton, {}, outside);
    EXPECT_FALSE(ui().mnuContext->isVisible());

    QTest::mouseClick(thumbs().viewport(), Qt::LeftButton, {}, thumbs().thumbRect(3).center());
    EXPECT_EQ(shownLabel(), 3);
    EXPECT_EQ(counter(), "3/5");
    EXPECT_FALSE(w->doc().gblnJustOpened);
    EXPECT_EQ(thumbs().selectedThumbs(), std::vector<int>{3});
    // A double click shows its page as well; the counter says so.
    const QPoint fourth = thumbs().viewport()->mapTo(w.get(), thumbs().thumbRect(4).center());
    QTest::mouseDClick(w->windowHandle(), Qt::LeftButton, {}, fourth);
    EXPECT_EQ(shownLabel(), 4);
    EXPECT_EQ(counter(), "4/5");
}

TEST_F(Thumbnails, SeveralChosenTogetherStayChosenAndAreDeletedTogether) {
    loadWindow();
    const QString path = makeDocument("five.tif", 5);
    open(path);
    ui().mnuViewModeItem[2]->trigger();
    settle();
    QWidget* strip = thumbs().viewport();
    auto click = [&](int thumb, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(strip, Qt::LeftButton, keys, thumbs().thumbRect(thumb).center());
        settle();
    };
    thumbs().setFocus();
    QTest::keyClick(&thumbs(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(thumbs().selectedThumbs(), (std::vector<int>{1, 2, 3, 4, 5}));
    click(1);
    EXPECT_EQ(thumbs().selectedThumbs(), std::vector<int>{1});
    click(3, Qt::ShiftModifier);
    click(5, Qt::ControlModifier);
    EXPECT_EQ(thumbs().selectedThumbs(), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(shownLabel(), 5); // the page clicked last is shown
    // A right click on one of them keeps them all for the context menu's Delete Page.
    QTest::mousePress(strip, Qt::RightButton, {}, thumbs().thumbRect(2).center());
    ui().mnuContext->hide();
    QTest::mouseRelease(strip, Qt::RightButton, {}, thumbs().thumbRect(2).center());
    EXPECT_EQ(thumbs().selectedThumbs(), (std::vector<int>{1, 2, 3, 5}));
    t.prompter.answers.push_back(app::mb::Yes);
    ASSERT_TRUE(ui().mnuCtxDel->isEnabled());
    ui().mnuCtxDel->trigger();
    settle();
    EXPECT_EQ(labelsOnDisk(path), std::vector<int>{4});
    EXPECT_EQ(counter(), "1/1");
}

TEST_F(Thumbnails, ARightClickShowsThePageFirstThenOpensTheContextMenu) {
    loadWindow();
    open(makeDocument("five.tif", 5));
    ui().mnuViewModeItem[2]->trigger();
    settle();
    int pageWhenShown = 0;
    QString counterWhenShown;
    QObject::connect(ui().mnuContext, &QMenu::aboutToShow, [&] {
        pageWhenShown = edit().page();
        counterWhenShown = counter();
    });
    const QPoint at = thumbs().thumbRect(3).center();
    QTest::mousePress(thumbs().viewport(), Qt::RightButton, {}, at);
    EXPECT_TRUE(ui().mnuContext->isVisible());
    EXPECT_EQ(pageWhenShown, 3);
    EXPECT_EQ(counterWhenShown, "3/5");
    ui().mnuContext->hide();
    QTest::mouseRelease(thumbs().viewport(), Qt::RightButton, {}, at);
    EXPECT_EQ(shownLabel(), 3);
}

TEST_F(PageCounter, FollowsPagesDeletedOrInsertedElsewhereAndStaysAfterCloseRecord) {
    loadWindow();
    const QString path = makeDocument("six.tif", 6);
    const QString extra = makeDocument("extra.tif", 2);
    open(path);
    ui().mnuPageDirectionItem[1]->trigger();
    settle();
    ASSERT_EQ(counter(), "2/6");
    w->docImgAdmin1->deletePages(6, 1);
    EXPECT_EQ(counter(), "2/5");
    w->docImgAdmin1->insert(extra, 1, 1, 2);
    EXPECT_EQ(counter(), "2/7");
    ui().mnuPageDirectionItem[3]->trigger();
    settle();
    EXPECT_EQ(counter(), "7/7");
    w->docImgAdmin1->deletePages(1, 3); // the page shown moves up to the new last one
    EXPECT_EQ(counter(), "4/4");
    EXPECT_EQ(shownLabel(), 5);

    // Only the toolbar's Close empties the counter; the Close Record item leaves it.
    ui().mnuFileClose->trigger();
    EXPECT_TRUE(w->doc().NoDocument);
    EXPECT_EQ(counter(), "4/4");
}

TEST_F(Toolbar, PageButtonsTurnPages) {
    loadWindow();
    open(makeDocument("four.tif", 4));
    clickToolbar("tbrNextPage");
    EXPECT_EQ(shownLabel(), 2);
    clickToolbar("tbrLastPage");
    EXPECT_EQ(shownLabel(), 4);
    clickToolbar("tbrNextPage"); // disabled on the last page
    EXPECT_EQ(shownLabel(), 4);
    clickToolbar("tbrPrevious");
    EXPECT_EQ(shownLabel(), 3);
    clickToolbar("tbrFirst");
    EXPECT_EQ(shownLabel(), 1);
    EXPECT_EQ(counter(), "1/4");
}

TEST_F(Toolbar, CloseAnsweredCancelKeepsTheDocumentButEmptiesTheRecordFields) {
    loadWindow(/*admin=*/false);
    const QString path = makeDocument("rec.tif", 3);
    open(path);
    t.s().rec.gstrAdmissionID = "A-1001";
    t.s().rec.gstrDescription = "Discharge summary";
    w->SetExamData();
    edit().rotateLeft();
    ASSERT_TRUE(edit().imageModified());

    t.prompter.answers.push_back(app::mb::Cancel);
    clickToolbar("tbrClose");
    EXPECT_EQ(t.prompter.lastText(), "Do you want to save the changes to rec.tif?");
    EXPECT_EQ(edit().image(), path);
    EXPECT_FALSE(w->doc().NoDocument);
    EXPECT_TRUE(edit().isVisible());
    EXPECT_EQ(ui().txtAdmID->text(), "");
    EXPECT_EQ(ui().txtDescription->text(), "");
    EXPECT_EQ(t.s().rec.gstrAdmissionID, "");
    EXPECT_EQ(counter(), "");

    // The next page operation shows the count again.
    clickToolbar("tbrNextPage");
    EXPECT_EQ(counter(), "2/3");
    t.prompter.answers.push_back(app::mb::No);
    clickToolbar("tbrClose");
    EXPECT_TRUE(w->doc().NoDocument);
    EXPECT_EQ(edit().image(), "");
    EXPECT_EQ(counter(), "");
}

TEST_F(Toolbar, ButtonsOfOtherCommandsRunTheirMenuItems) {
    loadWindow();
    open(makeDocument("two.tif", 2));
    QSignalSpy newRec(ui().mnuFileNew, &QAction::triggered);
    QSignalSpy openRec(ui().mnuFileOpenRec, &QAction::triggered);
    QSignalSpy insert(ui().mnuPageInsertItem[0], &QAction::triggered);
    clickToolbar("tbrNewRec");
    clickToolbar("tbrOpenRec");
    clickToolbar("tbrInsert");
    EXPECT_EQ(newRec.count(), 1);
    EXPECT_EQ(openRec.count(), 1);
    EXPECT_EQ(insert.count(), 1);
    // F2 and F3, as the captions "F2-Scan" and "F3-Open" say.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F2);
    QTest::keyClick(w.get(), Qt::Key_F3);
    EXPECT_EQ(newRec.count(), 2);
    EXPECT_EQ(openRec.count(), 2);
    // A disabled menu item is not run from the toolbar either.
    ui().mnuPageInsertItem[0]->setEnabled(false);
    clickToolbar("tbrInsert");
    EXPECT_EQ(insert.count(), 1);

    QSignalSpy ended(w.get(), &viewer::MainWindow::programEnded);
    clickToolbar("tbrExit");
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(w->isVisible());
}
