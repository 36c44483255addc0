// Changes from elsewhere: a record's file changed, moved or deleted by another workstation
// after it was opened is never overwritten nor recreated by a write of this window; the window
// then shows the file as it now is, and unsaved edits are kept under a new name beside it.
#include "doubles/ScannerFake.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/FileIdentity.h"
#include "imaging/documents/PageOps.h"
#include "safety/Workflow.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Pages of `width` x 100 pixels, one black block at x = 8 * label so each page tells itself.
std::vector<imaging::PageSource> pages(std::initializer_list<int> labels, int width = 200) {
    std::vector<imaging::PageSource> out;
    for (int label : labels) {
        QImage page(width, 100, QImage::Format_Mono);
        page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        page.fill(0);
        for (int y = 0; y < 8; ++y)
            for (int x = 8 * label; x < 8 * label + 8; ++x) page.setPixel(x, y, 1);
        out.push_back(imaging::PageSource::pixels(page, 100, 100, {}));
    }
    return out;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FileGuard : public ::testing::Test {
protected:
    void SetUp() override {
        t.signIn();
        t.s().gblnAdmin = true;
        viewer::MainWindowOptions options;
        options.imaging.scanner = std::make_shared<doubles::FakeScanner>();
        options.imaging.fileDialog = std::make_shared<doubles::ScriptedFileDialogRunner>();
        w = std::make_unique<viewer::MainWindow>(t.s(), options);
        safety::install(*w);
        w->show();
        w->Form_Load();
        path = t.dir.file("record.tif");
        imaging::writeDocument(path, pages({1, 2, 3}));
        w->doc().gblnNewDocument = false;
        w->PerformFileOpen(false, path, 1);
        settle();
        t.prompter.shown.clear();
    }
    void TearDown() override {
        w->jobs().cancelAllAndWait();
        w.reset();
        QApplication::processEvents();
    }
    void settle() {
        QDeadlineTimer deadline(20000);
        while (w->jobs().anyRunning() && !deadline.hasExpired()) QTest::qWait(5);
        EXPECT_FALSE(w->jobs().anyRunning()) << "a job of the window did not finish";
        QTest::qWait(20); // the continuations' queued notices
        while (w->jobs().anyRunning() && !deadline.hasExpired()) QTest::qWait(5);
    }
    bool told(const QString& part) const {
        for (const auto& m : t.prompter.shown)
            if (m.text.contains(part)) return true;
        return false;
    }
    doubles::TestSession t;
    std::unique_ptr<viewer::MainWindow> w;
    QString path;
};

// The same file gives the same identity; any other save of it, even of the same size, does not.
TEST(FileIdentity, TellsAnotherSaveOfTheSameFileApart) {
    doubles::TestSession t;
    const QString a = t.dir.file("a.tif");
    imaging::writeDocument(a, pages({1, 2}));
    const imaging::FileIdentity first = imaging::readFileIdentity(a);
    EXPECT_TRUE(first.exists);
    EXPECT_EQ(imaging::readFileIdentity(a), first);
    imaging::writeDocument(a, pages({3, 4})); // same sizes, other pixels
    const imaging::FileIdentity second = imaging::readFileIdentity(a);
    EXPECT_NE(second, first);
    QFile::remove(a);
    EXPECT_FALSE(imaging::readFileIdentity(a).exists);
}

// Each kind of write of the window, after another workstation saved the file: nothing is
// overwritten, the window shows the other save's pages, and the user is told.
TEST_F(FileGuard, AWriteAfterAnotherSaveOverwritesNothing) {
    struct Case {
        const char* name;
        std::function<void(viewer::MainWindow&)> write;
        std::deque<int> answers;
    };
    const Case cases[] = {
        {"delete page",
         [](viewer::MainWindow& w) { w.ui().mnuEditActionItem[5]->trigger(); },
         {app::mb::Yes}},
        {"save a rotation",
         [this](viewer::MainWindow& w) {
             w.ui().mnuPageRotatePageItem[1]->trigger();
             settle();
             w.ui().mnuFileSave->trigger();
         },
         {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = t.dir.file("case" + QString::number(++n) + ".tif");
        imaging::writeDocument(path, pages({1, 2, 3}));
        w->PerformFileOpen(false, path, 1);
        settle();
        ASSERT_EQ(w->docImgEdit1->pageCount(), 3);
        t.prompter.shown.clear();
        // Another workstation saves two other pages.
        imaging::writeDocument(path, pages({7, 8}));
        const QByteArray theirs = bytesOf(path);
        t.prompter.answers = c.answers;
        c.write(*w);
        settle();
        EXPECT_EQ(bytesOf(path), theirs);
        EXPECT_TRUE(told("was changed by another user or program since it was opened"))
            << (t.prompter.shown.empty() ? std::string("nothing told")
                                          : t.prompter.lastText().toStdString());
        EXPECT_EQ(w->docImgEdit1->pageCount(), 2); // shown as it is now
    }
    // The rotated page, never saved over their file, was kept beside it.
    const QStringList beside =
        QDir(t.dir.path()).entryList({"case2-unsaved-*.tif"}, QDir::Files);
    ASSERT_EQ(beside.size(), 1) << beside.join(", ").toStdString();
    const auto kept = imaging::Document::open(t.dir.file(beside[0]));
    ASSERT_EQ(kept->pageCount(), 3);
    EXPECT_EQ(kept->pageInfo(0).width, 100); // turned: 200 x 100 became 100 x 200
}

// A record deleted (or moved) by another user while open is reported at the next write and
// never recreated by it.
TEST_F(FileGuard, AFileDeletedElsewhereIsNotRecreated) {
    ASSERT_TRUE(QFile::remove(path));
    t.prompter.answers = {app::mb::Yes};
    w->ui().mnuEditActionItem[5]->trigger();
    settle();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(told("was deleted or moved by another user"));
}

} // namespace
