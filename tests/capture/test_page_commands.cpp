// The Page menu's insert, append and rescan commands through the real main window: pages of
// an existing file through "Insert Pages" / "Append Pages" (frmInsPage) with the scripted file
// dialog, scanned pages with SANE's test scanner, and the rescan's failures with the scripted
// scanner. Marked pages (PageMarks.h) show which page landed where.
#include "CaptureFixture.h"
#include "PageMarks.h"

#include "app/Session.h"
#include "capture/CaptureState.h"
#include "capture/ImportImagesDialog.h"
#include "capture/InsertPagesDialog.h"
#include "capture/PageCommands.h"
#include "doubles/ScriptedDialogs.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>

namespace capturetest {
namespace {

using Labels = std::vector<int>;

class PageCommandsBase : public CaptureFixture {
protected:
    // Opens a record of marked pages at `page`.
    void openRecord(const Labels& labels, int page = 1) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        writeMarked(native(record), labels);
        w->PerformFileOpen(false, record, page);
        ASSERT_EQ(w->docImgEdit1->pageCount(), int(labels.size()));
        ASSERT_EQ(w->docImgEdit1->page(), page);
    }
    Labels recordLabels() { return labelsOf(native(record)); }
    QByteArray recordBytes() {
        QFile f(native(record));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    capture::InsertPagesDialog* insPage() { return dialog<capture::InsertPagesDialog>("frmInsPage"); }
    // Waits until `done` holds (the scanner items follow a background look for scanners).
    template <class F> bool waitFor(F done, int ms = 30000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) QTest::qWait(10);
        return done();
    }

    QString record = root + "\\2026\\2026-01-19\\260045-3.tif";
};

class ExistingPages : public PageCommandsBase {
protected:
    void SetUp() override {
        PageCommandsBase::SetUp();
        load();
        w->ImgAdmin1->setFileDialogRunner(files);
        source = share + "/incoming/twelve.tif";
        writeMarked(source, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22});
    }
    // Chooses `path` in the file dialog of Insert (index 1 of the menu) or Append.
    capture::InsertPagesDialog* choose(bool insert, const QString& path) {
        // A dialog closed before is deleted first (deletions wait for the event loop).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        files->answer(path);
        (insert ? w->ui().mnuPageInsertItem : w->ui().mnuPageAppendItem)[1]->trigger();
        return insPage();
    }
    std::shared_ptr<doubles::ScriptedFileDialogRunner> files =
        std::make_shared<doubles::ScriptedFileDialogRunner>();
    QString source;
};

TEST_F(ExistingPages, AllOrARangeOfTheSourceGoInAtTheCurrentPageOrAtTheEnd) {
    struct Case {
        bool insert;
        bool all;
        QString from, to;
        int page;
        Labels expected;
        int shownPage;
        int lngFrom, lngCount;
    };
    const std::vector<Case> cases{
        // All 12 pages before page 2; the page that was current follows them.
        {true, true, "", "", 2, {1, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 2, 3}, 2, 1, 12},
        {true, false, "5", "5", 3, {1, 2, 15, 3}, 3, 5, 1},
        {false, false, " 2 ", "4", 1, {1, 2, 3, 12, 13, 14}, 1, 2, 3},
        {false, true, "", "", 3, {1, 2, 3, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}, 3, 1, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.size());
        // Each case its own record: the views may still hold the closed one for a moment.
        record = root + QString("\\2026\\2026-01-19\\2600%1-3.tif").arg(&c - cases.data());
        openRecord({1, 2, 3}, c.page);
        capture::InsertPagesDialog* d = choose(c.insert, source);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->windowTitle(), c.insert ? "Insert Pages" : "Append Pages");
        EXPECT_EQ(d->txtFrom->text(), "1");
        EXPECT_EQ(d->txtTo->text(), "12");
        EXPECT_TRUE(d->optAll->isChecked());
        EXPECT_FALSE(d->txtFrom->isEnabled());
        EXPECT_FALSE(d->txtTo->isEnabled());
        if (!c.all) {
            d->optPage->click();
            EXPECT_TRUE(d->txtFrom->isEnabled());
            d->txtFrom->setText(c.from);
            d->txtTo->setText(c.to);
        }
        d->cmdOK->click();
        waitJobs();
        EXPECT_EQ(insPage(), nullptr) << "the dialog is unloaded";
        EXPECT_EQ(recordLabels(), c.expected);
        EXPECT_EQ(w->docImgEdit1->pageCount(), int(c.expected.size()));
        EXPECT_EQ(w->docImgEdit1->page(), c.shownPage);
        const auto& state = capture::CaptureState::of(*w);
        EXPECT_EQ(state.lngInsertFrom, c.lngFrom);
        EXPECT_EQ(state.lngInsertCount, c.lngCount);
        EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
        w->mnuFileClose_Click();
        QApplication::processEvents();
    }
}

TEST_F(ExistingPages, TheRangeIsCheckedAndOnlyDigitsCanBeTyped) {
    openRecord({1, 2, 3}, 2);
    capture::InsertPagesDialog* d = choose(true, source);
    ASSERT_NE(d, nullptr);
    d->optPage->click();
    d->txtFrom->clear();
    QTest::keyClicks(d->txtFrom, "1a-2 .");
    EXPECT_EQ(d->txtFrom->text(), "12");
    QTest::keyClick(d->txtFrom, Qt::Key_Backspace);
    EXPECT_EQ(d->txtFrom->text(), "1");

    const QString range = "Enter a page number between 1 and 12.";
    const QString order = "The 'From' value cannot be greater than the 'To' value.";
    struct Case {
        QString from, to, message;
    };
    const std::vector<Case> cases{
        {"6", "5", order},
        {"0", "3", range},
        {"3", "13", range},
        {"99999999999", "3", range}, // beyond a 32-bit number
        {"", "3", "The From page number must be numeric."},
        {"x", "3", "The From page number must be numeric."},
        {"2", " ", "The To page number must be numeric."},
    };
    const QByteArray before = recordBytes();
    for (const Case& c : cases) {
        t.prompter.shown.clear();
        d->txtFrom->setText(c.from);
        d->txtTo->setText(c.to);
        d->cmdOK->click();
        waitJobs();
        ASSERT_EQ(messages(), QStringList{c.message}) << c.from.toStdString() << "-" << c.to.toStdString();
        EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
        EXPECT_EQ(insPage(), d) << "the dialog stays open";
        EXPECT_EQ(recordBytes(), before);
    }
    t.prompter.shown.clear();
    d->txtFrom->setText("5");
    d->txtTo->setText("5");
    d->cmdOK->click();
    waitJobs();
    EXPECT_EQ(recordLabels(), (Labels{1, 15, 2, 3}));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ExistingPages, ASourcePathShorterThan36CharactersIsShownWhole) {
    openRecord({1, 2, 3});
    // Sources in the system's temporary folder, named so that their paths are 35 and 36
    // characters long.
    for (int length : {35, 36}) {
        QString path = QDir::tempPath() + "/dv" + QString::number(QCoreApplication::applicationPid());
        const QString tail = ".tif";
        ASSERT_LT(path.size() + tail.size(), length) << "the temporary folder's path is too long";
        path += QString(length - path.size() - tail.size(), 'p') + tail;
        ASSERT_EQ(path.size(), length);
        writeMarked(path, {11, 12});
        capture::InsertPagesDialog* d = choose(length == 35, path);
        ASSERT_NE(d, nullptr);
        const QString shown = length == 35 ? path : QFileInfo(path).fileName();
        EXPECT_EQ(d->lblFromFile->text(),
                  (length == 35 ? "Insert pages from " : "Append pages from ") + shown);
        d->cmdCancel->click();
        QFile::remove(path);
    }
}

TEST_F(ExistingPages, CancellingChangesNothingAndANonImageIsReported) {
    openRecord({1, 2, 3}, 2);
    const QByteArray before = recordBytes();
    // The file dialog cancelled, from either menu: no message, no dialog.
    for (auto* items : {&w->ui().mnuPageInsertItem, &w->ui().mnuPageAppendItem}) {
        files->cancel();
        (*items)[1]->trigger();
        EXPECT_EQ(insPage(), nullptr);
    }
    EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
    // The dialog's Cancel.
    capture::InsertPagesDialog* d = choose(true, source);
    ASSERT_NE(d, nullptr);
    d->cmdCancel->click();
    QApplication::processEvents();
    EXPECT_EQ(insPage(), nullptr);
    EXPECT_EQ(w->ImgAdmin1->image(), record);
    EXPECT_EQ(recordBytes(), before);
    EXPECT_EQ(files->requests().back().initialFolder, native(w->session().gstrDefaultDirectory));
    // A file that is not an image: the administration object's status, nothing inserted.
    const QString text = share + "/incoming/notes.txt";
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture\n");
    f.close();
    for (bool insert : {true, false}) {
        t.prompter.shown.clear();
        EXPECT_EQ(choose(insert, text), nullptr);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_TRUE(messages()[0].endsWith(" (ImgAdmin error 3EC)")) << messages()[0].toStdString();
        EXPECT_EQ(t.prompter.shown[0].icon, app::mb::Critical);
    }
    EXPECT_EQ(recordBytes(), before);
}

// Only a user who may change records rewrites the record's file. A clerk whose rights letter
// bars changes, a nurse and another department without scanning access are told "No Rights"
// by every command that would rewrite it, before any file dialog, scanner setup or import
// dialog; the file stays as it was. The view-only access has the items disabled (Delete
// Record too, for the nurse); the rights letter is no fact of the menus, so the clerk's stay
// enabled and refuse when chosen.
TEST_F(ExistingPages, CommandsThatRewriteTheRecordRefuseUsersWhoMayNotChangeIt) {
    struct Case {
        const char* who;
        QString rights;
        bool admin;
        int accessType;
        bool itemsEnabled, deleteRecordEnabled;
    };
    const std::vector<Case> cases{
        {"a clerk without change rights", "BV", true, 0, true, true},
        {"a nurse", "V", false, 1, false, false},
        {"another department without scanning access", "AV", false, 2, false, true},
    };
    app::Session& s = w->session();
    const std::vector<std::pair<const char*, std::function<void()>>> commands{
        {"Insert > Scan Page", [&] { capture::mnuPageInsertItem_Click(*w, 0); }},
        {"Insert > Existing Page", [&] { capture::mnuPageInsertItem_Click(*w, 1); }},
        {"Append > Scan Page", [&] { capture::mnuPageAppendItem_Click(*w, 0); }},
        {"Append > Existing Page", [&] { capture::mnuPageAppendItem_Click(*w, 1); }},
        {"Rescan", [&] { capture::mnuPageRescan_Click(*w); }},
        {"Import", [&] { capture::mAddImages_Click(*w); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.who);
        t.user->rights = c.rights;
        s.gblnAdmin = c.admin;
        s.gintStartupType = c.accessType;
        w->ApplyAccessMenus();
        record = root + QString("\\2026\\2026-01-19\\2601%1-3.tif").arg(&c - cases.data());
        openRecord({1, 2, 3}, 2);
        const QByteArray before = recordBytes();
        const auto& ui = w->ui();
        for (QAction* item : {ui.mAddImages, ui.mnuPageInsertItem[1], ui.mnuPageAppendItem[1],
                              ui.mnuPageInsert, ui.mnuPageAppend})
            EXPECT_EQ(item->isEnabled(), c.itemsEnabled) << item->objectName().toStdString();
        EXPECT_EQ(ui.mDeleteRecord->isEnabled(), c.deleteRecordEnabled);
        EXPECT_TRUE(ui.mnuPagePrintPage->isEnabled());
        for (const auto& [name, run] : commands) {
            SCOPED_TRACE(name);
            t.prompter.shown.clear();
            files->answer(source);
            const size_t dialogsAsked = files->requests().size();
            run();
            waitJobs();
            EXPECT_EQ(messages(), QStringList{"No Rights"});
            EXPECT_EQ(files->requests().size(), dialogsAsked) << "no file dialog";
            EXPECT_EQ(scanUi->setupShown, 0) << "no scan";
            EXPECT_EQ(insPage(), nullptr);
            EXPECT_EQ(dialog<capture::ImportImagesDialog>("frmAddImages"), nullptr);
            EXPECT_EQ(recordBytes(), before);
        }
        w->mnuFileClose_Click();
        QApplication::processEvents();
    }

    // An "Insert Pages" dialog opened while changes were allowed writes nothing once they are
    // not: its OK asks the same check.
    t.user->rights = "ASV";
    s.gblnAdmin = true;
    s.gintStartupType = 0;
    w->ApplyAccessMenus();
    record = root + "\\2026\\2026-01-19\\260199-3.tif";
    openRecord({1, 2, 3}, 2);
    const QByteArray before = recordBytes();
    capture::InsertPagesDialog* d = choose(true, source);
    ASSERT_NE(d, nullptr);
    t.user->rights = "BV";
    t.prompter.shown.clear();
    d->cmdOK->click();
    waitJobs();
    EXPECT_EQ(messages(), QStringList{"No Rights"});
    EXPECT_EQ(recordBytes(), before);
}

// ---- scanned pages ----

class ScannedPages : public PageCommandsBase {
protected:
    void prepare(bool sane, const QString& source) {
        if (sane) useSaneScanner();
        t.settings.write(app::kAppPrefs, "Scanner", "Source", source);
        load();
        ASSERT_TRUE(waitFor([&] { return w->ui().mnuPageRescan->isEnabled() ||
                                         w->ui().mnuPageInsertItem[0]->isEnabled(); }));
    }
    QAction* toolbar(const QString& key) {
        for (QAction* a : w->ui().tbarButtons)
            if (a && a->data().toString() == key) return a;
        return nullptr;
    }
};

// SANE's test scanner: every page is solid black (no marks: label -1), 425 x 550 at 50 dpi.
TEST_F(ScannedPages, InsertBeforeTheCurrentPageAndRescanItWithTheTestScanner) {
    prepare(true, "Flatbed");
    openRecord({1, 2, 3}, 2);
    // The setup is shown although "Show Scan Setup before Scan" is off.
    ASSERT_FALSE(w->ui().mnuShowScanSetupbeforeScan->isChecked());
    toolbar("tbrInsert")->trigger();
    waitJobs();
    EXPECT_EQ(recordLabels(), (Labels{1, -1, 2, 3}));
    EXPECT_EQ(w->docImgEdit1->page(), 2);
    EXPECT_EQ(w->docImgEdit1->pageCount(), 4);
    EXPECT_EQ(w->ui().txtPages->text().isEmpty(), false);
    EXPECT_EQ(scanUi->setupShown, 1);
    const imaging::DocumentPtr doc = imaging::Document::open(native(record));
    EXPECT_GT(doc->pageInfo(1).width, 400); // a Letter page at 50 dpi
    EXPECT_EQ(doc->pageInfo(0).width, 80); // the other pages are untouched

    // Rescan of page 3 (the former page 2): same count, the page replaced.
    w->docImgEdit1->setPage(3);
    w->ui().mnuPageRescan->trigger();
    waitJobs();
    EXPECT_EQ(recordLabels(), (Labels{1, -1, -1, 3}));
    EXPECT_EQ(w->docImgEdit1->page(), 3);
    EXPECT_EQ(scanUi->setupShown, 2);
    EXPECT_TRUE(scanUi->messages.isEmpty()) << scanUi->messages.join("; ").toStdString();
    EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
}

TEST_F(ScannedPages, AppendedFeederPagesGoAfterTheLastAndTheFirstOfThemIsShown) {
    prepare(true, "Automatic Document Feeder");
    openRecord({1, 2, 3}, 1);
    w->ui().mnuPageAppendItem[0]->trigger();
    waitJobs();
    Labels expected{1, 2, 3};
    expected.insert(expected.end(), 10, -1); // the test feeder's ten sheets
    EXPECT_EQ(recordLabels(), expected);
    EXPECT_EQ(w->docImgEdit1->page(), 4);
    EXPECT_EQ(w->docImgEdit1->pageCount(), 13);
}

// The scripted scanner labels its pages, so the rescanned page is told apart; a jam or a
// cancelled setup leaves the page that was to be replaced as it was.
TEST_F(ScannedPages, ARescanThatFailsOrIsCancelledLeavesThePage) {
    prepare(false, "Flatbed");
    fake->script().nextLabel = 200;
    openRecord({1, 2, 3}, 2);
    const QByteArray before = recordBytes();

    fake->script().failAfterPages = 0; // jams half-way through the page
    w->ui().mnuPageRescan->trigger();
    waitJobs();
    EXPECT_EQ(recordBytes(), before);
    EXPECT_EQ(scanUi->messages.size(), 1); // the scanner says what happened
    EXPECT_EQ(w->docImgEdit1->page(), 2);

    fake->script().failAfterPages = -1;
    scanUi->setupAnswer = false;
    w->ui().mnuPageRescan->trigger();
    waitJobs();
    EXPECT_EQ(recordBytes(), before);
    EXPECT_EQ(scanUi->messages.size(), 1);

    scanUi->setupAnswer = true;
    w->ui().mnuPageRescan->trigger();
    waitJobs();
    EXPECT_EQ(recordLabels(), (Labels{1, 201, 3})); // label 200 went to the jammed page
    EXPECT_EQ(w->docImgEdit1->pageCount(), 3);
}

} // namespace
} // namespace capturetest
