// Page editing through the main window: the selection state behind Cut, Copy, Clear and
// Paste, Copy Page, deleting the selected pages, rotating and flipping, duplicating a page
// and the image buttons.
#include "ViewerFixture.h"
#include "viewer/JobHost.h"
#include "app/Session.h"
#include "imaging/documents/AtomicFile.h"
#include "imaging/documents/Document.h"
#include "viewer/EditCommands.h"

#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cerrno>

using namespace viewertest;

namespace {

bool isBlack(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

class Editing : public ViewerFixture {
protected:
    // A document of `pages` labelled pages opened at 100 %, so display coordinates are page
    // pixels.
    QString openAtActualSize(int pages) {
        load();
        const QString path = makeDocument("edit.tif", pages);
        openFile(path);
        edit().setZoom(100);
        settle();
        return path;
    }
    // Opens a file; the messages of signing in are forgotten.
    void openFile(const QString& path) {
        open(path);
        t.prompter.shown.clear();
    }
    viewer::EditCommands& editing() const { return w->editing(); }
    QImage shownPage() const { return edit().model()->pageImage(edit().page() - 1); }
    bool enabled(int actionItem) const { return ui().mnuEditActionItem[actionItem]->isEnabled(); }
    // Clicks at a point of the page (display coordinates).
    void clickPage(QPoint at) {
        QTest::mouseClick(edit().viewport(), Qt::LeftButton, {},
                          edit().displayedImageRect().topLeft() + at);
    }
    // An annotation box in the middle of the page, away from the label blocks.
    void drawBox() {
        edit().setAnnotationType(imaging::kDrawFilledRectangle);
        edit().draw(150, 120, 60, 40);
    }
    void selectBoxWithTheMouse() {
        action("mnuAnnoToolItem_0")->trigger();
        clickPage({180, 140});
    }
};

} // namespace

TEST_F(Editing, ARectangleDrawnWithTheMouseEnablesCutCopyAndClear) {
    openAtActualSize(1);
    action("mnuEditSelectItem_1")->trigger();
    EXPECT_FALSE(enabled(0));
    const QPoint o = edit().displayedImageRect().topLeft();
    QTest::mousePress(edit().viewport(), Qt::LeftButton, {}, o + QPoint(10, 10));
    QTest::mouseMove(edit().viewport(), o + QPoint(40, 30));
    QTest::mouseRelease(edit().viewport(), Qt::LeftButton, {}, o + QPoint(60, 40));
    EXPECT_TRUE(w->doc().RectSelected);
    EXPECT_EQ(editing().SelectionKind, viewer::SelectionKind::Rect);
    for (int i : {0, 1, 4})
        EXPECT_TRUE(enabled(i)) << i;
    EXPECT_FALSE(enabled(3)); // Paste needs a cut or copy first

    // A click beside it takes the selection away again.
    clickPage({200, 200});
    EXPECT_FALSE(w->doc().RectSelected);
    EXPECT_EQ(editing().SelectionKind, viewer::SelectionKind::None);
    for (int i : {0, 1, 4})
        EXPECT_FALSE(enabled(i)) << i;
}

TEST_F(Editing, CutWhitensTheRectangleAndOffersPaste) {
    openAtActualSize(3); // page 1 carries label bit 0: the block at x 0..7
    ASSERT_TRUE(isBlack(shownPage(), 4, 4));
    edit().drawSelectionRect(0, 0, 16, 8);
    action("mnuEditActionItem_0")->trigger();
    EXPECT_FALSE(isBlack(shownPage(), 4, 4));
    EXPECT_TRUE(isBlack(shownPage(), 396, 296)); // the rest of the page stays
    EXPECT_TRUE(edit().selectionRect().isEmpty());
    EXPECT_FALSE(w->doc().RectSelected);
    for (int i : {0, 1, 4})
        EXPECT_FALSE(enabled(i)) << i;
    EXPECT_TRUE(enabled(3));
    const QImage cut = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    ASSERT_EQ(cut.size(), QSize(16, 8));
    EXPECT_TRUE(isBlack(cut, 4, 4));
    EXPECT_FALSE(isBlack(cut, 12, 4));
}

TEST_F(Editing, CutAndCopyDoNothingWithoutASelection) {
    openAtActualSize(1);
    QGuiApplication::clipboard()->clear();
    editing().mnuEditActionItem_Click(0);
    editing().mnuEditActionItem_Click(1);
    EXPECT_FALSE(enabled(3));
    EXPECT_FALSE(edit().imageModified());
}

TEST_F(Editing, APastedPictureIsClearedWithoutTouchingThePage) {
    openAtActualSize(1);
    edit().drawSelectionRect(0, 0, 16, 8);
    action("mnuEditActionItem_1")->trigger(); // Copy keeps the selection
    EXPECT_TRUE(enabled(0));
    EXPECT_TRUE(enabled(3));
    action("mnuEditActionItem_3")->trigger();
    EXPECT_TRUE(editing().PasteDone);
    EXPECT_TRUE(edit().pastePending());
    EXPECT_TRUE(enabled(4));
    EXPECT_TRUE(edit().selectionRect().isEmpty()); // the rectangle went before pasting

    action("mnuEditActionItem_4")->trigger();
    EXPECT_FALSE(edit().pastePending());
    EXPECT_FALSE(editing().PasteDone);
    EXPECT_FALSE(edit().imageModified());
    EXPECT_EQ(pageLabel(shownPage()), 1);
}

TEST_F(Editing, PastedAnnotationsAreClearedAsAnnotations) {
    openAtActualSize(1);
    drawBox();
    selectBoxWithTheMouse();
    ASSERT_TRUE(editing().AnnoSelected);
    EXPECT_EQ(editing().SelectionKind, viewer::SelectionKind::Anno);
    action("mnuEditActionItem_1")->trigger();
    action("mnuEditActionItem_3")->trigger();
    ASSERT_EQ(edit().annotationCount(), 2);
    EXPECT_TRUE(editing().PasteDone);
    action("mnuEditActionItem_4")->trigger();
    EXPECT_EQ(edit().annotationCount(), 1); // the pasted copy only
    EXPECT_EQ(pageLabel(shownPage()), 1);
}

TEST_F(Editing, ClearWithARectangleAndAnAnnotationSelectedRemovesOnlyTheImageData) {
    openAtActualSize(1);
    drawBox();
    selectBoxWithTheMouse();
    ASSERT_TRUE(editing().AnnoSelected);
    edit().drawSelectionRect(0, 0, 16, 8);
    ASSERT_TRUE(w->doc().RectSelected);
    ASSERT_TRUE(editing().AnnoSelected);

    action("mnuEditActionItem_4")->trigger();
    EXPECT_EQ(edit().annotationCount(), 1);
    EXPECT_FALSE(isBlack(shownPage(), 4, 4));
    EXPECT_FALSE(w->doc().RectSelected);
    for (int i : {0, 1, 4})
        EXPECT_FALSE(enabled(i)) << i;
}

TEST_F(Editing, ClearWithAnAnnotationSelectedRemovesIt) {
    openAtActualSize(1);
    drawBox();
    selectBoxWithTheMouse();
    action("mnuEditActionItem_4")->trigger();
    EXPECT_EQ(edit().annotationCount(), 0);
    EXPECT_FALSE(editing().AnnoSelected);
    EXPECT_TRUE(isBlack(shownPage(), 4, 4));
}

TEST_F(Editing, CopyPageCopiesTheWholePageAndRestoresTheView) {
    openAtActualSize(2);
    edit().setZoom(50);
    QGuiApplication::clipboard()->clear();
    action("mnuEditActionItem_2")->trigger();
    EXPECT_DOUBLE_EQ(edit().zoom(), 50);
    EXPECT_TRUE(edit().selectionRect().isEmpty());
    EXPECT_FALSE(w->doc().RectSelected);
    EXPECT_FALSE(editing().CopyingPage);
    for (int i : {0, 1, 4})
        EXPECT_FALSE(enabled(i)) << i;
    EXPECT_TRUE(enabled(3));
    // The page's own corner block is on the copy: the whole page went.
    const QImage copied =
        qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    EXPECT_EQ(pageLabel(copied), 1);
}

TEST_F(Editing, CopyPageOfAReadOnlyDocumentWorksToo) {
    load();
    const QString path = makeDocument("locked.tif", 1);
    QFile::setPermissions(path, QFile::ReadOwner);
    openFile(path);
    ASSERT_TRUE(w->doc().gblnReadOnly);
    QGuiApplication::clipboard()->clear();
    action("mnuEditActionItem_2")->trigger();
    const QImage copied =
        qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
    EXPECT_EQ(pageLabel(copied), 1);
    EXPECT_FALSE(edit().imageModified());
}

// ---- deleting pages ----

namespace {

class DeletePages : public Editing {
protected:
    QString path;
    std::vector<std::pair<int, int>> removed; // 1-based first page, count, in order
    void openFive(int showPage = 1) {
        load();
        path = makeDocument("five.tif", 5);
        openFile(path);
        if (showPage != 1) {
            edit().setPage(showPage);
            w->EnablePageMenusAndDisplay(showPage, false);
        }
        recordRemovals();
    }
    void recordRemovals() {
        QObject::connect(edit().model().get(), &imaging::DocumentModel::pagesRemoved,
                         edit().model().get(),
                         [this](int first, int count) { removed.emplace_back(first + 1, count); });
    }
    void select(std::initializer_list<int> pages) {
        thumbs().clearThumbSelection();
        for (int p : pages)
            thumbs().setThumbSelected(p, true);
    }
    void deleteSelected() {
        t.prompter.answers.push_back(app::mb::Yes);
        action("mnuEditActionItem_5")->trigger();
        settle();
    }
    int shownLabel() const { return pageLabel(shownPage()); }
};

} // namespace

TEST_F(DeletePages, TheQuestionIsAskedWithoutATitle) {
    openFive();
    select({2});
    t.prompter.answers.push_back(app::mb::No);
    action("mnuEditActionItem_5")->trigger();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    const app::Message& m = t.prompter.shown[0];
    EXPECT_EQ(m.text, "Are you sure you want to delete the selected page?");
    EXPECT_EQ(m.buttons, app::mb::YesNo);
    EXPECT_EQ(m.icon, app::mb::Question);
    ASSERT_TRUE(m.title.has_value());
    EXPECT_TRUE(m.title->isEmpty());
    // No keeps everything.
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(removed.empty());
}

TEST_F(DeletePages, PagesTwoAndFourGoLastFirstAndPageOneIsShown) {
    openFive(3);
    select({2, 4});
    deleteSelected();
    EXPECT_EQ(removed, (std::vector<std::pair<int, int>>{{4, 1}, {2, 1}}));
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(edit().page(), 1);
    EXPECT_EQ(shownLabel(), 1);
    EXPECT_EQ(thumbs().thumbCount(), 3);
    EXPECT_EQ(thumbs().selectedThumbs(), std::vector<int>{1});
    EXPECT_EQ(ui().txtPages->text(), "1/3");
    EXPECT_FALSE(w->doc().gblnJustOpened);
    EXPECT_TRUE(edit().imageDisplayed());
}

TEST_F(DeletePages, OnlyPageOneSelectedShowsTheNewFirstPage) {
    openFive();
    select({1});
    deleteSelected();
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(edit().page(), 1);
    EXPECT_EQ(shownLabel(), 2);
    EXPECT_FALSE(ui().mnuPageDirectionItem[0]->isEnabled());
}

TEST_F(DeletePages, ThePageBeforeTheLowestDeletedIsShown) {
    openFive();
    select({4, 5});
    deleteSelected();
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(edit().page(), 3);
    EXPECT_EQ(shownLabel(), 3);
    // The last page is shown: Next and Last are closed.
    EXPECT_FALSE(ui().mnuPageDirectionItem[1]->isEnabled());
}

TEST_F(DeletePages, NothingSelectedDeletesNothingAndShowsPageOne) {
    openFive(4);
    select({});
    deleteSelected();
    EXPECT_TRUE(removed.empty());
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(edit().page(), 1);
    EXPECT_EQ(shownLabel(), 1);
}

TEST_F(DeletePages, NeighbouringPagesGoInOneRewriteWithProgressShown) {
    load();
    path = makeDocument("seven.tif", 7);
    openFile(path);
    std::vector<int> progressSeen;
    int maximum = 0;
    QString label;
    QObject::connect(edit().model().get(), &imaging::DocumentModel::pagesRemoved,
                     edit().model().get(), [&](int first, int count) {
                         removed.emplace_back(first + 1, count);
                         progressSeen.push_back(w->jobs().progressBar()->value());
                         maximum = w->jobs().progressBar()->maximum();
                         label = w->jobs().label()->text();
                     });
    select({2, 3, 4, 6});
    deleteSelected();
    EXPECT_EQ(removed, (std::vector<std::pair<int, int>>{{6, 1}, {2, 3}}));
    // Pages done so far, in the status bar while the rewrites go on.
    EXPECT_TRUE(std::is_sorted(progressSeen.begin(), progressSeen.end()));
    EXPECT_LE(progressSeen.back(), 4);
    EXPECT_EQ(maximum, 4);
    EXPECT_TRUE(label.startsWith("Deleting pages")) << label.toStdString();
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 5, 7}));
    EXPECT_EQ(shownLabel(), 1);
    EXPECT_TRUE(w->jobs().progressBar()->isHidden());
}

TEST_F(DeletePages, EveryPageSelectedKeepsTheFirstAndSaysWhy) {
    openFive();
    select({1, 2, 3, 4, 5});
    deleteSelected();
    // One at a time from the last: the last remaining page cannot go.
    EXPECT_EQ(labelsOnDisk(path), std::vector<int>{1});
    ASSERT_EQ(t.prompter.shown.size(), 2u);
    EXPECT_FALSE(t.prompter.shown[1].text.isEmpty());
    EXPECT_EQ(t.prompter.shown[1].buttons, app::mb::OKOnly);
    // The window shows what is left.
    EXPECT_TRUE(edit().imageDisplayed());
    EXPECT_EQ(ui().txtPages->text(), "1/1");
}

TEST_F(DeletePages, TheContextMenuAndTheToolbarKeyDeleteTheSameWay) {
    openFive();
    select({5});
    t.prompter.answers.push_back(app::mb::Yes);
    action("mnuCtxDel")->trigger();
    settle();
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(edit().page(), 4);
}

TEST_F(DeletePages, TheCapitalRightsLetterBRefusesAndALowerCaseOneDoesNot) {
    t.user->rights = "AB";
    openFive();
    select({2});
    action("mnuEditActionItem_5")->trigger();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text, "No Rights");
    EXPECT_EQ(labelsOnDisk(path).size(), 5u);

    t.user->rights = "Ab";
    t.prompter.shown.clear();
    select({2});
    deleteSelected();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text, "Are you sure you want to delete the selected page?");
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 3, 4, 5}));
}

// ---- rotating, flipping and duplicating ----

namespace {

class PageChanges : public Editing {
protected:
    QImage storedPage(const QString& path, int page) const {
        return imaging::Document::open(path)->decodePage(page - 1);
    }
};

} // namespace

TEST_F(PageChanges, RotateRightIsSavedTurnedClockwise) {
    const QString path = openAtActualSize(2);
    action("mnuPageRotatePageItem_1")->trigger();
    settle(); // the page is changed as a job
    edit().save();
    const QImage page = storedPage(path, 1);
    ASSERT_EQ(page.size(), QSize(300, 400));
    // Clockwise, (x, y) of a 400 x 300 page lands on (299 - y, x).
    EXPECT_TRUE(isBlack(page, 299 - 4, 4));     // label block at (4, 4)
    EXPECT_TRUE(isBlack(page, 299 - 296, 396)); // corner block at (396, 296)
    EXPECT_FALSE(isBlack(page, 4, 4));
    EXPECT_EQ(pageLabel(storedPage(path, 2)), 2); // the other page untouched
}

TEST_F(PageChanges, TheContextMenuRotatesLeftAndFlips) {
    openAtActualSize(1);
    action("mnuCtxRLeft")->trigger();
    settle(); // the page is changed as a job
    QImage page = shownPage();
    ASSERT_EQ(page.size(), QSize(300, 400));
    // Counter-clockwise, (x, y) lands on (y, 399 - x).
    EXPECT_TRUE(isBlack(page, 4, 399 - 4));
    EXPECT_TRUE(isBlack(page, 296, 399 - 396));
    action("mnuCtxRRight")->trigger();
    settle(); // the page is changed as a job
    ASSERT_EQ(pageLabel(shownPage()), 1);
    action("mnuCtxFlip")->trigger();
    settle(); // the page is changed as a job
    page = shownPage();
    // Top to bottom: (x, y) lands on (x, 299 - y).
    EXPECT_TRUE(isBlack(page, 4, 299 - 4));
    EXPECT_TRUE(isBlack(page, 396, 299 - 296));
    EXPECT_FALSE(isBlack(page, 4, 4));
}

TEST_F(PageChanges, RotatingWithTheStripShownRenewsTheThumbnail) {
    openAtActualSize(2);
    action("mnuViewModeItem_2")->trigger();
    settle();
    auto thumbReady = [&] {
        for (int i = 0; i < 200 && thumbs().thumbImage(1).isNull(); ++i)
            QTest::qWait(10);
        return thumbs().thumbImage(1);
    };
    const QImage before = thumbReady();
    ASSERT_FALSE(before.isNull());
    ASSERT_GT(before.width(), before.height());
    action("mnuPageRotatePageItem_0")->trigger();
    settle(); // the page is changed as a job
    const QImage after = thumbReady();
    ASSERT_FALSE(after.isNull());
    EXPECT_LT(after.width(), after.height());
}

TEST_F(PageChanges, DuplicatingPageThreeOfFiveMakesPagesThreeAndFourEqual) {
    load();
    const QString path = makeDocument("dup.tif", 5);
    openFile(path);
    edit().setPage(3);
    w->EnablePageMenusAndDisplay(3, false);
    action("mDuplicate")->trigger();
    settle();
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 2, 3, 3, 4, 5}));
    EXPECT_EQ(edit().page(), 3);
    EXPECT_EQ(pageLabel(shownPage()), 3);
    EXPECT_EQ(thumbs().thumbCount(), 6);
    EXPECT_EQ(ui().txtPages->text(), "3/6");
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(PageChanges, DuplicateTakesThePageFromTheDisplayedFileNotTheLastRecord) {
    load();
    const QString record = makeDocument("record.tif", 2);
    t.s().rec.gstrCurrentFile = record;
    const QString image = makeDocument("image.tif", 3);
    openFile(image);
    edit().setPage(3);
    w->EnablePageMenusAndDisplay(3, false);
    ui().cmdDup->click();
    settle();
    EXPECT_EQ(labelsOnDisk(image), (std::vector<int>{1, 2, 3, 3}));
    EXPECT_EQ(labelsOnDisk(record), (std::vector<int>{1, 2}));
}

TEST_F(PageChanges, DuplicatingAnEditedPageCopiesItAsShown) {
    const QString path = openAtActualSize(3);
    edit().setPage(2);
    w->EnablePageMenusAndDisplay(2, false);
    action("mnuPageRotatePageItem_1")->trigger();
    settle(); // the page is changed as a job
    action("mDuplicate")->trigger();
    settle();
    ASSERT_EQ(edit().pageCount(), 4);
    const auto model = edit().model();
    for (int index : {1, 2}) {
        const QImage page = model->pageImage(index);
        ASSERT_EQ(page.size(), QSize(300, 400)) << index;
        EXPECT_TRUE(isBlack(page, 299 - 296, 396)) << index; // the corner block, turned
    }
    // The copy is in the file already; the original's turn is still to be saved.
    EXPECT_EQ(storedPage(path, 2).size(), QSize(300, 400));
    EXPECT_EQ(pageLabel(storedPage(path, 3)), 2);
}

TEST_F(PageChanges, DuplicateIsRefusedForTheRightsLetterB) {
    t.user->rights = "B";
    load();
    const QString path = makeDocument("dup.tif", 2);
    openFile(path);
    action("mDuplicate")->trigger();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_EQ(t.prompter.shown[0].text, "No Rights");
    EXPECT_EQ(labelsOnDisk(path).size(), 2u);

    t.user->rights = "b";
    action("mDuplicate")->trigger();
    settle();
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 1, 2}));
    EXPECT_EQ(t.prompter.shown.size(), 1u);
}

TEST_F(PageChanges, ADuplicateThatFailsShowsWhy) {
    load();
    const QString path = makeDocument("full.tif", 2);
    openFile(path);
    ASSERT_TRUE(ui().mDuplicate->isEnabled());
    imaging::setAtomicWriteFailureForTesting(0, ENOSPC); // the disk is full
    action("mDuplicate")->trigger();
    imaging::setAtomicWriteFailureForTesting(-1, 0);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_NE(t.prompter.shown[0].text, "No Rights");
    EXPECT_FALSE(t.prompter.shown[0].text.isEmpty());
    EXPECT_EQ(labelsOnDisk(path).size(), 2u);
}

// ---- the image buttons ----

TEST_F(Editing, TheInvertButtonInvertsThePageAndReturnsToDrag) {
    openAtActualSize(1);
    action("mnuAnnoToolItem_2")->trigger(); // Highlighter
    ASSERT_EQ(edit().annotationTool(), imaging::kToolHighlighter);
    ui().cmdCommands[2]->click();
    settle(); // the page is changed as a job
    EXPECT_FALSE(isBlack(shownPage(), 396, 296));
    EXPECT_TRUE(isBlack(shownPage(), 200, 150));
    EXPECT_EQ(edit().annotationTool(), imaging::kToolNone);
    EXPECT_EQ(edit().mousePointer(), imaging::kPointerDrag);
    EXPECT_TRUE(ui().mnuEditSelectItem[0]->isChecked());
    EXPECT_FALSE(ui().mnuAnnoToolItem[2]->isChecked());
}

TEST_F(Editing, TheButtonsAreDispatchedOnTheirCaption) {
    openAtActualSize(1);
    ui().cmdCommands[1]->setText("Invert"); // the second button now inverts
    ui().cmdCommands[1]->click();
    settle(); // the page is changed as a job
    EXPECT_TRUE(isBlack(shownPage(), 200, 150));
    // A caption that names no operation only returns to Drag.
    action("mnuEditSelectItem_1")->trigger();
    ui().cmdCommands[1]->setText("Nothing");
    ui().cmdCommands[1]->click();
    settle(); // the page is changed as a job
    EXPECT_TRUE(ui().mnuEditSelectItem[0]->isChecked());
    EXPECT_FALSE(ui().mnuEditSelectItem[1]->isChecked());
}

TEST_F(Editing, PropertiesAreReadOnlyForTheRightsLetterB) {
    std::vector<bool> readOnly;
    editDialogs->whileShown = [&](QDialog& d) {
        if (auto* x = d.findChild<QDoubleSpinBox*>("xResolution"))
            readOnly.push_back(x->isReadOnly());
    };
    t.user->rights = "AB";
    openAtActualSize(1);
    ui().cmdCommands[0]->click();
    t.user->rights = "Ab";
    ui().cmdCommands[0]->click();
    EXPECT_EQ(readOnly, (std::vector<bool>{true, false}));
    EXPECT_TRUE(ui().mnuEditSelectItem[0]->isChecked());
}

TEST(PageRuns, SelectedPagesGroupIntoRunsFromTheLast) {
    using Runs = std::vector<std::pair<int, int>>;
    EXPECT_EQ(viewer::pageRunsFromLast({}), Runs{});
    EXPECT_EQ(viewer::pageRunsFromLast({2, 4}), (Runs{{4, 1}, {2, 1}}));
    EXPECT_EQ(viewer::pageRunsFromLast({1, 2, 3, 7, 9, 8}), (Runs{{7, 3}, {1, 3}}));
    EXPECT_EQ(viewer::pageRunsFromLast({5, 5, 4}), (Runs{{4, 2}}));
}
